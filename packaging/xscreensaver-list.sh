#!/bin/sh
# Adds the program to, or removes it from, the system-wide list of the X11 screen saver
# daemon: the "programs" resource of its app-defaults file, which the daemon merges into every
# user's own list. Usage: xscreensaver-list.sh add|remove
set -e
defaults=/etc/X11/app-defaults/XScreenSaver
entry='  "The Orvane"  theorvane --root   \\n\\'
[ -e "$defaults" ] || exit 0
file=$(readlink -f "$defaults")
case "${1:-}" in
  add)
    grep -q 'theorvane --root' "$file" && exit 0
    grep -q '^\*programs:' "$file" || exit 0
    sed -i "/^\\*programs:/a\\
$entry" "$file"
    ;;
  remove)
    sed -i '/"The Orvane".*theorvane --root/d' "$file"
    ;;
  *)
    echo "usage: $0 add|remove" >&2
    exit 2
    ;;
esac
