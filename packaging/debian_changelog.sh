#!/usr/bin/env bash
# The Debian changelog, made from CHANGELOG.md: each "## VERSION (YYYY-MM-DD)" heading gives an
# entry for VERSION-RELEASE, each "- " item (with its indented continuation lines) a bullet.
# Fails when the first version is not VERSION, so a release cannot ship last release's notes.
# Usage: debian_changelog.sh CHANGELOG.md PACKAGE VERSION RELEASE "NAME <ADDRESS>" >changelog
set -euo pipefail
[ $# -eq 5 ] || { echo "usage: $0 CHANGELOG.md PACKAGE VERSION RELEASE 'NAME <ADDRESS>'" >&2; exit 2; }
source=$1 package=$2 version=$3 release=$4 maintainer=$5

# One line per heading ("@ VERSION DATE") and per whole item ("* TEXT").
parsed=$(awk '
  function flush() { if (item != "") { print "* " item; item = "" } }
  /^## / {
    flush()
    if (match($0, /^## [^ ]+ \([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]\)[ \t]*$/)) {
      split($0, part, /[ ()]+/); print "@ " part[2] " " part[3]
    } else { print "bad heading: " $0 > "/dev/stderr"; exit 1 }
    next
  }
  /^- / { flush(); item = substr($0, 3); next }
  /^[ \t]+[^ \t]/ && item != "" { line = $0; sub(/^[ \t]+/, "", line); item = item " " line; next }
  { flush() }
  END { flush() }
' "$source")

first=$(awk '$1 == "@" {print $2; exit}' <<<"$parsed")
if [ "$first" != "$version" ]; then
    echo "$source: the first version is '${first}', the project's is '$version'" >&2
    exit 1
fi

started=0
while IFS= read -r line; do
    case "$line" in
    "@ "*)
        read -r _ entry_version entry_date <<<"$line"
        [ "$started" -eq 1 ] && printf '\n -- %s  %s\n\n' "$maintainer" "$stamp"
        stamp=$(LC_ALL=C date -u -R -d "$entry_date 12:00:00 UTC")
        printf '%s (%s-%s) unstable; urgency=medium\n\n' "$package" "$entry_version" "$release"
        started=1
        ;;
    "* "*)
        # Markdown's code marks mean nothing in a plain text changelog.
        text=${line#"* "}
        text=${text//\`/}
        fold -s -w 74 <<<"$text" | sed -e 's/ *$//' -e '1s/^/  * /' -e '2,$s/^/    /'
        ;;
    esac
done <<<"$parsed"
[ "$started" -eq 1 ] && printf '\n -- %s  %s\n' "$maintainer" "$stamp"
