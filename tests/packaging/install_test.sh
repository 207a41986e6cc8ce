#!/usr/bin/env bash
# Installation: `cmake --install` into a scratch prefix gives the program, its settings entry
# for desktop menus (valid), the screen saver daemon's description of the module (well-formed,
# naming the module and its command) and the module link where the daemon looks; the manual
# page (rendered without warnings, naming every switch the program reads), the licence as a
# Debian copyright file (LICENSE's text), the changelog, the AppStream metadata (valid, its
# screenshot one of docs/pictures) and the entry of MATE's and Xfce's screen savers (valid,
# running the module link); the Debian package built from the same tree holds the same files
# under /usr, with the changelog's version, and depends on the libraries the program links.
# Usage: install_test.sh BUILD_DIR
set -u
build=$1
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 \
    || { cat "$work/install.log"; echo "FAIL: cmake --install"; exit 1; }

desktop="$prefix/share/applications/theorvane-settings.desktop"
xml="$prefix/share/xscreensaver/config/theorvane.xml"
module="$prefix/libexec/xscreensaver/theorvane"
for file in "$prefix/bin/theorvane" "$desktop" "$xml" "$module"; do
    [ -e "$file" ] && pass "installed ${file#"$prefix"/}" || fail "missing ${file#"$prefix"/}"
done
[ -x "$prefix/bin/theorvane" ] || fail "bin/theorvane is not executable"
[ -L "$module" ] && [ "$(readlink -f "$module")" = "$(readlink -f "$prefix/bin/theorvane")" ] \
    && pass "the module is a link to bin/theorvane" || fail "the module does not lead to bin/theorvane"
grep -qx 'Exec=theorvane /c' "$desktop" && pass "the desktop entry opens the configuration mode" \
    || fail "the desktop entry's Exec is not 'theorvane /c'"

if command -v desktop-file-validate >/dev/null; then
    out=$(desktop-file-validate "$desktop" 2>&1)
    [ -z "$out" ] && pass "desktop-file-validate: no complaint" || fail "desktop-file-validate: $out"
else
    echo "      (desktop-file-validate missing: not checked)"
fi
if command -v xmllint >/dev/null; then
    xmllint --noout "$xml" 2>"$work/xml.err" && pass "the module description is well-formed XML" \
        || fail "xmllint: $(cat "$work/xml.err")"
    name=$(xmllint --xpath 'string(/screensaver/@name)' "$xml")
    label=$(xmllint --xpath 'string(/screensaver/@_label)' "$xml")
    arg=$(xmllint --xpath 'string(/screensaver/command/@arg)' "$xml")
    options=$(xmllint --xpath 'count(/screensaver/*[not(self::command or self::_description)])' "$xml")
    [ "$name|$label|$arg|$options" = "theorvane|The Orvane|--root|0" ] \
        && pass "the description names theorvane, 'The Orvane', '--root' and no options" \
        || fail "description: name '$name', label '$label', command arg '$arg', $options other elements"
else
    echo "      (xmllint missing: not checked)"
fi

manual="$prefix/share/man/man6/theorvane.6.gz"
copyright="$prefix/share/doc/theorvane/copyright"
changelog="$prefix/share/doc/theorvane/changelog.Debian.gz"
metainfo=$(ls "$prefix"/share/metainfo/*.metainfo.xml 2>/dev/null | head -n1)
saver_entry="$prefix/share/applications/screensavers/theorvane.desktop"
for file in "$manual" "$copyright" "$changelog" "$metainfo" "$saver_entry"; do
    [ -f "$file" ] && pass "installed ${file#"$prefix"/}" || fail "missing ${file#"$prefix"/} ($file)"
done

# The manual page: no warning from man at 80 columns, and every switch of the mode switch and
# of module mode (as the source spells them), the host's window variable and the settings file.
if command -v man >/dev/null; then
    MANWIDTH=80 man --warnings -l "$manual" >"$work/man.txt" 2>"$work/man.err"
    [ ! -s "$work/man.err" ] && [ -s "$work/man.txt" ] && pass "man renders theorvane(6) without warnings" \
        || fail "man -l: $(head -c 600 "$work/man.err")"
    switches=$(grep -ohE '"(/[a-zA-Z]|--?[a-z-]+)"' "$source_dir/src/host/run_mode.cpp" | tr -d '"' | sort -u)
    missing=()
    # Whole words: "-root" inside "--root" does not count.
    for word in $switches; do
        grep -qE -- "(^|[[:space:],])$word([[:space:],]|$)" "$work/man.txt" || missing+=("$word")
    done
    for word in XSCREENSAVER_WINDOW DBUS_SESSION_BUS_ADDRESS TheOrvane.ini \
                '~/.config/TheOrvane/TheOrvane.ini' 'EXIT STATUS' EXAMPLES; do
        grep -qF -- "$word" "$work/man.txt" || missing+=("$word")
    done
    [ ${#missing[@]} -eq 0 ] && pass "the manual page names $(wc -w <<<"$switches") switches, the window variable and the settings file" \
        || fail "the manual page does not name: ${missing[*]}"
else
    echo "      (man missing: the manual page not checked)"
fi

# The copyright file: DEP-5, with LICENSE's holder and text.
holder=$(sed -n 's/^Copyright (c) //p' "$source_dir/LICENSE")
grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" "$copyright" \
    && grep -qx "Copyright: $holder" "$copyright" \
    && pass "copyright: DEP-5, 'Copyright: $holder'" || fail "copyright: no DEP-5 header or holder '$holder'"
sed -n '/^Permission/,$p' "$source_dir/LICENSE" >"$work/notice.expected"
sed -n '/^License: /,$p' "$copyright" | tail -n +2 | sed -e 's/^ //' -e 's/^\.$//' >"$work/notice.actual"
cmp -s "$work/notice.expected" "$work/notice.actual" && pass "copyright: LICENSE's text" \
    || fail "copyright: the licence text differs from LICENSE: $(diff "$work/notice.expected" "$work/notice.actual" | head -5)"
changelog_version=$(gzip -dc "$changelog" | dpkg-parsechangelog -l- -S Version 2>/dev/null)
[ -n "$changelog_version" ] && pass "changelog.Debian.gz parses, version $changelog_version" \
    || fail "changelog.Debian.gz does not parse"

# MATE's and Xfce's screen savers run the module link, and only from its installed place.
if command -v desktop-file-validate >/dev/null; then
    out=$(desktop-file-validate --no-hints "$saver_entry" 2>&1)
    [ -z "$out" ] && pass "desktop-file-validate: no complaint about the screen saver entry" \
        || fail "desktop-file-validate: $out"
fi
grep -qx "Exec=$prefix/libexec/xscreensaver/theorvane --root" "$saver_entry" \
    && grep -qx "TryExec=$prefix/libexec/xscreensaver/theorvane" "$saver_entry" \
    && grep -qx "Categories=Screensaver;" "$saver_entry" \
    && pass "the screen saver entry runs $prefix/libexec/xscreensaver/theorvane --root" \
    || fail "the screen saver entry: $(grep -E '^(Exec|TryExec|Categories)=' "$saver_entry" | tr '\n' ' ')"

if command -v appstreamcli >/dev/null; then
    out=$(appstreamcli validate --no-net "$metainfo" 2>&1) && pass "appstreamcli validate --no-net: $(tail -n1 <<<"$out")" \
        || fail "appstreamcli validate: $out"
    picture=$(sed -n 's|.*<image>.*/\([^/<]*\)</image>.*|\1|p' "$metainfo")
    [ -n "$picture" ] && [ -f "$source_dir/docs/pictures/$picture" ] \
        && pass "the screenshot is docs/pictures/$picture" || fail "the screenshot '$picture' is not in docs/pictures"
    grep -q "<launchable type=\"desktop-id\">theorvane-settings.desktop</launchable>" "$metainfo" \
        && pass "the metadata launches theorvane-settings.desktop" || fail "the metadata's launchable is not the settings entry"
else
    echo "      (appstreamcli missing: the metadata not checked)"
fi

# The installed copy runs (a switch that ends at once, no display needed).
env -u DISPLAY "$prefix/bin/theorvane" /x && pass "the installed program runs" \
    || fail "the installed program failed"

if command -v cpack >/dev/null && command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null; then
    (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1) \
        || { cat "$work/cpack.log"; fail "cpack -G DEB"; }
    deb=$(ls "$work"/theorvane_*_*.deb 2>/dev/null | head -n1)
    if [ -n "$deb" ]; then
        pass "package $(basename "$deb")"
        contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
        for file in ./usr/bin/theorvane ./usr/share/applications/theorvane-settings.desktop \
                    ./usr/share/xscreensaver/config/theorvane.xml ./usr/libexec/xscreensaver/theorvane \
                    ./usr/share/man/man6/theorvane.6.gz ./usr/share/doc/theorvane/copyright \
                    ./usr/share/doc/theorvane/changelog.Debian.gz ./usr/share/metainfo/"${metainfo##*/}" \
                    ./usr/share/applications/screensavers/theorvane.desktop; do
            grep -qx "$file" <<<"$contents" && pass "the package holds $file" || fail "the package lacks $file"
        done
        version=$(dpkg-deb -f "$deb" Version)
        [ "$version" = "$changelog_version" ] && pass "the package's version is the changelog's, $version" \
            || fail "the package's version '$version', the changelog's '$changelog_version'"
        mkdir "$work/unpacked" && dpkg-deb -x "$deb" "$work/unpacked"
        grep -qx "Exec=/usr/libexec/xscreensaver/theorvane --root" \
            "$work/unpacked/usr/share/applications/screensavers/theorvane.desktop" \
            && pass "the package's screen saver entry runs /usr/libexec/xscreensaver/theorvane" \
            || fail "the package's screen saver entry does not run /usr/libexec/xscreensaver/theorvane"
        depends=$(dpkg-deb -f "$deb" Depends)
        for library in libqt6gui6 libqt6widgets6 libc6 qt6-qpa-plugins qt6-wayland libwayland-client0 \
                libxkbcommon0 fonts-liberation; do
            grep -q "$library" <<<"$depends" || fail "the package does not depend on $library: $depends"
        done
        pass "depends on: $depends"
    else
        fail "cpack made no theorvane_<version>_<arch>.deb"
    fi
else
    echo "      (cpack, dpkg-deb or dpkg-shlibdeps missing: the package not checked)"
fi

if [ "$failures" -ne 0 ]; then echo "$failures check(s) failed"; exit 1; fi
echo "all checks passed"
