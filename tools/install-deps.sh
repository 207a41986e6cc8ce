#!/usr/bin/env bash
# Installs the Debian packages the build, the show and the tests need, when any is missing.
# Usage: tools/install-deps.sh [build|run|test|bench|package|windows|mutants|desktops|all]
set -euo pipefail

# The full build. The idle watcher builds each of its sources only where its packages are found:
# X11 (libxcb-screensaver0-dev, libxcb-res0-dev), Wayland (libwayland-dev with wayland-protocols
# or plasma-wayland-protocols), mutter's idle monitor and the session's lock, sleep and
# inhibitions (libsystemd-dev).
build=(cmake ninja-build g++ make pkg-config qt6-base-dev libgl-dev fonts-liberation libxcb1-dev libxcb-xkb-dev libxcb-shm0-dev
       libwayland-dev wayland-protocols libxkbcommon-dev
       libxcb-screensaver0-dev libxcb-res0-dev libsystemd-dev plasma-wayland-protocols)
# Qt's Wayland plugin: the configuration dialogs on a Wayland desktop.
run=(qt6-qpa-plugins qt6-wayland)
# The reference pictures read and write PNGs with zlib, and the configuration windows' pictures
# depend on the fonts installed: fontconfig's sans face (DejaVu) beside Liberation. The Wayland
# show and the idle watcher are tested on headless sway and mutter.
test=(libgtest-dev libgmock-dev xvfb xdotool x11-xserver-utils x11-utils xauth libx11-dev libxfixes-dev libxss-dev
      xscreensaver desktop-file-utils libxml2-utils dpkg-dev
      mate-screensaver dbus-x11 dbus-daemon libglib2.0-bin dconf-gsettings-backend dconf-service
      man-db appstream lintian
      zlib1g-dev fonts-dejavu-core
      sway swaybg grim wtype swaylock mutter python3-dbus python3-gi)
package=(dpkg-dev)
bench=(libbenchmark-dev valgrind xvfb xdotool x11-xserver-utils)
tools=(fonts-ipafont-gothic imagemagick)
# The Wayland show on KDE's compositor: some 160 packages, so not in CI's list; its test skips
# without it. (mutter, some 35 more than the test list, is in it: the idle watcher's and the
# Wayland show's tests on GNOME's compositor run in CI.)
desktops=(kwin-wayland)
# make mutants links each test program once per mutant: lld does it in a third of the time.
mutants=(lld)
# The Windows program: the MinGW-w64 cross compiler, GoogleTest's sources to build for it, and
# Wine with an X server to run and test it on (the X.Org server with its dummy video driver for
# several monitors: RandR outputs, which Wine places), NSIS and zip for the installer and the zip.
windows=(cmake ninja-build make g++-mingw-w64-x86-64-posix googletest libz-mingw-w64-dev wine64 fonts-liberation
         xvfb xdotool x11-xserver-utils nsis zip
         xserver-xorg-core xserver-xorg-video-dummy)

case "${1:-all}" in
  build) wanted=("${build[@]}") ;;
  run) wanted=("${build[@]}" "${run[@]}") ;;
  test) wanted=("${build[@]}" "${run[@]}" "${test[@]}" libbenchmark-dev "${windows[@]}") ;;
  bench) wanted=("${build[@]}" "${run[@]}" "${test[@]}" "${bench[@]}" "${windows[@]}") ;;
  package) wanted=("${build[@]}" "${run[@]}" "${package[@]}") ;;
  windows) wanted=("${windows[@]}") ;;
  mutants) wanted=("${build[@]}" "${run[@]}" "${test[@]}" "${mutants[@]}") ;;
  desktops) wanted=("${build[@]}" "${run[@]}" "${test[@]}" "${desktops[@]}") ;;
  all) wanted=("${build[@]}" "${run[@]}" "${test[@]}" "${bench[@]}" "${tools[@]}" "${windows[@]}" "${mutants[@]}" "${desktops[@]}") ;;
  *) echo "usage: $0 [build|run|test|bench|package|windows|mutants|desktops|all]" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
