#!/usr/bin/env bash
# A user's own install: `cmake --install <build> --prefix <folder>` from a build tree the user may
# not write (as root, the install runs as "nobody" on root's tree) gives the program folder and a
# menu entry that starts the program there, and writes nothing into the build tree.
set -euo pipefail
build=$1
fail() { echo "FAIL: $*"; exit 1; }
tmp=$(mktemp -d /tmp/tarvesko-install.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
prefix="$tmp/Мой \$магазин" # a blank and a character that the entry's Exec= must escape
touch "$tmp/before"

as_user=()
if [ "$(id -u)" = 0 ] && setpriv --reuid=nobody --regid=nogroup --clear-groups -- test -r "$build/cmake_install.cmake"; then
  chown nobody "$tmp"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
else
  echo "The install runs as $(id -un); only CMake's own leftovers are looked for in the build tree."
fi
"${as_user[@]}" cmake --install "$build" --prefix "$prefix" >/dev/null || fail "the install failed"
written=$(find "$build" -newer "$tmp/before" \( -name 'install_manifest*' -o -name '*.desktop*' \) -print)
[ -z "$written" ] || fail "the install wrote into the build tree: $written"

program="$prefix/tarvesko"
[ -x "$program/tarvesko" ] && [ -s "$program/База/Справка.html" ] || fail "no program folder in $program"
entry="$prefix/share/applications/tarvesko.desktop"
grep -Fxq "Exec=\"${program//'$'/'\\$'}/tarvesko\"" "$entry" || fail "Exec= does not start $program/tarvesko: $(grep ^Exec= "$entry")"
grep -Fxq "Path=$program" "$entry" || fail "Path= is not $program: $(grep ^Path= "$entry")"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "the menu entry is not valid"
fi
echo "ok: installed into $prefix"
