// Input for the mutter end-to-end test through mutter's remote-desktop D-Bus interface, held
// open for a whole sequence (mutter ends a session when its maker leaves the bus). Reads lines
// from stdin: "move DX DY" (relative, logical pixels) or "key CODE" (a press and a release of
// an evdev key code); prints "ok" after each.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kService = "org.gnome.Mutter.RemoteDesktop";

bool called(const QDBusMessage& reply) {
    if (reply.type() == QDBusMessage::ErrorMessage) {
        std::fprintf(stderr, "remote_desktop: %s\n", qPrintable(reply.errorMessage()));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QDBusInterface desktop(kService, "/org/gnome/Mutter/RemoteDesktop", kService,
                           QDBusConnection::sessionBus());
    const QDBusReply<QDBusObjectPath> made = desktop.call("CreateSession");
    if (!made.isValid()) {
        std::fprintf(stderr, "remote_desktop: no session: %s\n", qPrintable(made.error().message()));
        return 1;
    }
    QDBusInterface session(kService, made.value().path(),
                           QString(kService) + ".Session", QDBusConnection::sessionBus());
    if (!called(session.call("Start"))) {
        return 1;
    }
    char line[128];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        double dx = 0;
        double dy = 0;
        unsigned code = 0;
        bool ok = true;
        if (std::sscanf(line, "move %lf %lf", &dx, &dy) == 2) {
            ok = called(session.call("NotifyPointerMotionRelative", dx, dy));
        } else if (std::sscanf(line, "key %u", &code) == 1) {
            ok = called(session.call("NotifyKeyboardKeycode", code, true)) &&
                 called(session.call("NotifyKeyboardKeycode", code, false));
        } else {
            continue;
        }
        std::printf(ok ? "ok\n" : "failed\n");
        std::fflush(stdout);
    }
    session.call("Stop");
    return 0;
}
