#!/usr/bin/env bash
# A user's own install from a build tree he may not write (as root: "nobody" on root's tree) gives
# the program folder and a menu entry that starts the program there; nothing lands in the build tree.
set -euo pipefail
build=$1
fail() { echo "FAIL: $*"; exit 1; }
tmp=$(mktemp -d /tmp/tarvesko-install.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
touch "$tmp/before"
as=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
if [ "$(id -u)" = 0 ] && "${as[@]}" test -r "$build/cmake_install.cmake"; then chown nobody "$tmp"; else as=(); fi
dir="$tmp/Мой \$магазин/tarvesko" # Exec= must quote the blank and escape the $
"${as[@]}" cmake --install "$build" --prefix "${dir%/*}" >/dev/null || fail "the install failed"
[ -z "$(find "$build" -newer "$tmp/before" \( -name 'install_manifest*' -o -name '*.desktop*' \))" ] ||
  fail "the install wrote into the build tree"
[ -x "$dir/tarvesko" ] && [ -s "$dir/База/Справка.html" ] || fail "no program folder $dir"
entry="${dir%/*}/share/applications/tarvesko.desktop"
grep -Fxq "Exec=\"${dir//'$'/'\\$'}/tarvesko\"" "$entry" && grep -Fxq "Path=$dir" "$entry" ||
  fail "the entry does not start $dir/tarvesko in $dir: $(grep -E '^(Exec|Path)=' "$entry")"
! command -v desktop-file-validate >/dev/null || desktop-file-validate "$entry" || fail "invalid menu entry"
echo "ok: installed into ${dir%/*}"
