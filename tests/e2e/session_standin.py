#!/usr/bin/python3
# Stand-ins for the desktop's own services, for the idle watcher's end-to-end test. Each reads
# commands on stdin, one a line, and answers "ok" on stdout once the command took effect.
#   session_standin.py lock      org.gnome.ScreenSaver on the session bus: "lock", "unlock"; and
#                                org.gnome.SessionManager: "inhibit", "release" (an application's
#                                idle inhibition, in InhibitedActions as mutter reads it)
#   session_standin.py player    a video player: "inhibit" (org.freedesktop.ScreenSaver.Inhibit),
#                                "release" (UnInhibit); leaving ends its inhibitions with it
#   session_standin.py plasma    a desktop that owns org.freedesktop.ScreenSaver (its lock screen:
#                                "lock", "unlock") and KDE's power management policy agent
#                                ("inhibit", "release": the screen's inhibition)
#   session_standin.py logind    org.freedesktop.login1 on the system bus
#                                (DBUS_SYSTEM_BUS_ADDRESS): one session, "lock", "unlock" (its
#                                hint), "lock-session" (a lock asked for), "sleep", "wake",
#                                "sleep-wake" (both at once), "inhibit", "release" (an idle
#                                inhibitor)
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PROPERTIES = "org.freedesktop.DBus.Properties"


def lock_screen(interface):
    """A desktop's lock screen, as its screen saver interface tells it."""
    class LockScreen(dbus.service.Object):
        active = False

        @dbus.service.method(interface, out_signature="b")
        def GetActive(self):
            return self.active

        @dbus.service.signal(interface, signature="b")
        def ActiveChanged(self, active):
            pass

        def lock(self, word):
            self.active = word == "lock"
            self.ActiveChanged(self.active)

    return LockScreen


class GnomeLock(lock_screen("org.gnome.ScreenSaver")):
    def __init__(self, bus):
        self.name = dbus.service.BusName("org.gnome.ScreenSaver", bus)
        super().__init__(bus, "/org/gnome/ScreenSaver")
        self.manager = GnomeSession(bus)

    def command(self, word):
        if word in ("lock", "unlock"):
            self.lock(word)
        else:
            self.manager.set_inhibited(word == "inhibit")


class GnomeSession(dbus.service.Object):
    INTERFACE = "org.gnome.SessionManager"

    def __init__(self, bus):
        self.name = dbus.service.BusName(self.INTERFACE, bus)
        super().__init__(bus, "/org/gnome/SessionManager")
        self.actions = 0

    @dbus.service.method(INTERFACE, in_signature="u", out_signature="b")
    def IsInhibited(self, flags):
        return (self.actions & flags) != 0

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return dbus.UInt32(self.actions)

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {"InhibitedActions": dbus.UInt32(self.actions)}

    @dbus.service.signal(PROPERTIES, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass

    def set_inhibited(self, inhibited):
        self.actions = 8 if inhibited else 0  # the idle bit
        self.PropertiesChanged(self.INTERFACE, {"InhibitedActions": dbus.UInt32(self.actions)}, [])


class Player:
    def __init__(self, bus):
        self.saver = bus.get_object("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver")
        self.cookie = None

    def command(self, word):
        if word == "inhibit":
            self.cookie = self.saver.Inhibit("player", "a film", dbus_interface="org.freedesktop.ScreenSaver")
        elif self.cookie is not None:
            self.saver.UnInhibit(self.cookie, dbus_interface="org.freedesktop.ScreenSaver")


class Plasma(lock_screen("org.freedesktop.ScreenSaver")):
    def __init__(self, bus):
        self.names = [dbus.service.BusName(name, bus) for name in
                      ("org.freedesktop.ScreenSaver", "org.kde.Solid.PowerManagement.PolicyAgent")]
        super().__init__(bus, "/org/freedesktop/ScreenSaver")
        self.agent = PolicyAgent(bus)

    def command(self, word):
        if word in ("lock", "unlock"):
            self.lock(word)
        else:
            self.agent.screen = word == "inhibit"


class PolicyAgent(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/kde/Solid/PowerManagement/PolicyAgent")
        self.screen = False

    @dbus.service.method("org.kde.Solid.PowerManagement.PolicyAgent", in_signature="u", out_signature="b")
    def HasInhibition(self, types):
        return self.screen and (types & 4) != 0


class Session(dbus.service.Object):
    PATH = "/org/freedesktop/login1/session/c1"

    def __init__(self, bus):
        super().__init__(bus, self.PATH)
        self.locked = False

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return dbus.Boolean(self.locked) if name == "LockedHint" else dbus.String("c1")

    @dbus.service.signal(PROPERTIES, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass

    @dbus.service.signal("org.freedesktop.login1.Session")
    def Lock(self):
        pass


class Login(dbus.service.Object):
    def __init__(self, bus):
        self.name = dbus.service.BusName("org.freedesktop.login1", bus)
        super().__init__(bus, "/org/freedesktop/login1")
        self.session = Session(bus)
        self.blocked = ""

    @dbus.service.method("org.freedesktop.login1.Manager", in_signature="s", out_signature="o")
    def GetSession(self, session_id):
        return Session.PATH

    @dbus.service.method("org.freedesktop.login1.Manager", in_signature="u", out_signature="o")
    def GetSessionByPID(self, pid):
        return Session.PATH

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return dbus.String(self.blocked)

    @dbus.service.signal("org.freedesktop.login1.Manager", signature="b")
    def PrepareForSleep(self, starting):
        pass

    def command(self, word):
        if word in ("lock", "unlock"):
            self.session.locked = word == "lock"
            self.session.PropertiesChanged("org.freedesktop.login1.Session",
                                           {"LockedHint": dbus.Boolean(self.session.locked)}, [])
        elif word == "lock-session":
            self.session.Lock()
        elif word in ("sleep", "wake", "sleep-wake"):
            self.PrepareForSleep(word != "wake")
            if word == "sleep-wake":
                self.PrepareForSleep(False)
        else:
            self.blocked = "sleep:idle" if word == "inhibit" else "sleep"


def main():
    DBusGMainLoop(set_as_default=True)
    role = sys.argv[1]
    bus = dbus.SystemBus() if role == "logind" else dbus.SessionBus()
    service = {"lock": GnomeLock, "player": Player, "plasma": Plasma, "logind": Login}[role](bus)
    loop = GLib.MainLoop()

    def read(channel, condition):
        line = channel.readline()
        if not line:
            loop.quit()
            return False
        service.command(line.strip())
        print("ok", flush=True)
        return True

    GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.IO_IN | GLib.IO_HUP, read)
    print("ready", flush=True)
    loop.run()


main()
