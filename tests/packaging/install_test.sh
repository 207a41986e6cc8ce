#!/usr/bin/env bash
# Installation: `cmake --install` into a scratch prefix gives the program, its settings entry
# for desktop menus (valid), the screen saver daemon's description of the module (well-formed,
# naming the module and its command) and the module link where the daemon looks; the Debian
# package built from the same tree holds the same files under /usr and depends on the
# libraries the program links.
# Usage: install_test.sh BUILD_DIR
set -u
build=$1
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
                    ./usr/share/xscreensaver/config/theorvane.xml ./usr/libexec/xscreensaver/theorvane; do
            grep -qx "$file" <<<"$contents" && pass "the package holds $file" || fail "the package lacks $file"
        done
        depends=$(dpkg-deb -f "$deb" Depends)
        for library in libqt6gui6 libqt6widgets6 libc6 qt6-qpa-plugins fonts-liberation; do
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
