#!/usr/bin/env bash
# Builds the .deb from a built release tree (the package preset: the release build as
# users make it), installs it (as root; elsewhere it is unpacked into a temporary root),
# starts the installed program from its desktop entry line under Xvfb and checks that it
# works in $XDG_DATA_HOME/vantel.
# Usage: e2e/package.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e/lib.sh
source "$here/lib.sh"
build=$(realpath "$1")
# The package users build is the release one: a Debug tree checks another program, and a
# tree whose warnings are errors another build than theirs.
cache="$build/CMakeCache.txt"
[ -f "$cache" ] || fail "$build is no configured build tree"
grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$cache" \
    || fail "$build is not a release build ($(grep '^CMAKE_BUILD_TYPE:' "$cache" | cut -d= -f2)); build the package preset"
! grep -q -e '-Werror' "$build/compile_commands.json" \
    || fail "the release build turns warnings into errors: a newer compiler would break users' builds"
root=$(mktemp -d)
trap 'stop_x; [ "${installed:-0}" = 1 ] && dpkg -r vantel >/dev/null 2>&1; rm -rf "$root"' EXIT

(cd "$root" && cpack -G DEB --config "$build/CPackConfig.cmake" >/dev/null)
deb=$(ls "$root"/vantel_*.deb)
dpkg-deb --contents "$deb" > "$root/contents"
for f in ./usr/bin/vantel ./usr/bin/vantel-export ./usr/bin/vantel-import ./usr/share/applications/io.github.vantel.vantel.desktop \
         ./usr/share/icons/hicolor/scalable/apps/io.github.vantel.vantel.svg \
         ./usr/share/metainfo/io.github.vantel.vantel.metainfo.xml \
         ./usr/share/vantel/contests/cq-wpx.rules ./usr/share/vantel/contests/cq-ww.rules \
         ./usr/share/vantel/contests/waedc.rules ./usr/share/vantel/contests/waedc-rtty.rules \
         ./usr/share/vantel/contests/arrl-dx.rules ./usr/share/vantel/contests/generic.rules; do
    grep -q " $f\$" "$root/contents" || fail "package lacks $f"
done

# No address the project does not own: no home page, no web address, in any file we ship.
dpkg-deb --field "$deb" > "$root/control"
# The country file and the known calls come from Debian.
grep -q '^Depends:.*hamradio-files' "$root/control" || fail "the package does not depend on hamradio-files"
dpkg-deb -x "$deb" "$root/content"
# (The XML namespace of the SVG icon is a name, not an address.)
found=$(grep -r -o -i -E 'https?://[^" ]*|www\.[^" ]*|github\.com[^" ]*' "$root/control" "$root/content/usr/share" \
    | grep -v 'http://www.w3.org/2000/svg' || true)
[ -z "$found" ] || fail "the package names an address: $found"
strings "$root/content/usr/bin/vantel" | grep -i -E 'https?://[a-z]' | grep -v -i -E 'qt-project|w3\.org|freedesktop' \
    && fail "the program names an address"

prefix=""
if [ "$(id -u)" = 0 ] && [ "${CI:-}" = true ] || [ "${VANTEL_E2E_INSTALL:-}" = 1 ]; then
    dpkg -i "$deb" >/dev/null
    installed=1
else
    dpkg-deb -x "$deb" "$root/unpacked"
    prefix="$root/unpacked"
fi

exec_line=$(sed -n 's/^Exec=//p' "$prefix/usr/share/applications/io.github.vantel.vantel.desktop")
[ "$exec_line" = "vantel --data-home" ] || fail "desktop entry runs '$exec_line'"
export XDG_DATA_HOME="$root/data"
start_x
(cd "$root" && PATH="$prefix/usr/bin:$PATH" exec vantel --data-home >/dev/null 2>&1) &
APP_PID=$!
wait_window '^vantel - Contest mode$' >/dev/null
for f in $SETTING_FILES; do
    [ -f "$XDG_DATA_HOME/vantel/$f" ] || fail "no $f in \$XDG_DATA_HOME/vantel"
    [ ! -e "$root/$f" ] || fail "$f landed in the starting folder"
done
echo "ok - the .deb installs and starts from its desktop entry line"
