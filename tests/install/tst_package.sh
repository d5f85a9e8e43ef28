#!/usr/bin/env bash
# The Debian package made from this build tree: its layout, menu entry and lintian's verdict, then
# its maintainer scripts run for real (group, folder modes by dpkg-statoverride, an administrator's
# override kept, the base kept on removal and purge). Skipped without root or the tools, or where
# the package or /var/lib/tarvesko is already on the machine.
set -euo pipefail
build=$1
cpack=$2
skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
[ "$(id -u)" = 0 ] || skip "needs root"
for tool in dpkg-shlibdeps lintian desktop-file-validate addgroup; do command -v $tool >/dev/null || skip "no $tool"; done
tmp=$(mktemp -d /tmp/tarvesko-package.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
"$cpack" -G DEB -B "$tmp" --config "$build/CPackConfig.cmake" >"$tmp/log" 2>&1 || { cat "$tmp/log"; fail "cpack"; }
deb=$(echo "$tmp"/tarvesko_*_amd64.deb)

dpkg-deb -c "$deb" | awk '{ printf "%s %s", $1, $2; for (i = 6; i <= NF; i++) printf " %s", $i; print "" }' >"$tmp/files"
while read -r line; do grep -Fxq -e "$line" "$tmp/files" || fail "not in the package: $line"; done <<'LIST'
-rwxr-xr-x root/root ./usr/lib/tarvesko/tarvesko
lrwxrwxrwx root/root ./usr/lib/tarvesko/База -> /var/lib/tarvesko/База
drwxr-xr-x root/root ./var/lib/tarvesko/
-rw-r--r-- root/root ./var/lib/tarvesko/База/Справка.html
-rw-r--r-- root/root ./usr/share/icons/hicolor/scalable/apps/tarvesko.svg
LIST
! grep -q 'талон' "$tmp/files" || fail "the owner's slip template is a package file: an upgrade would replace it"
grep -q 'adduser.*libqt6widgets6' <<<"$(dpkg-deb -f "$deb" Depends)" || fail "Depends lacks adduser or Qt"
dpkg-deb -x "$deb" "$tmp/root"
entry="$tmp/root/usr/share/applications/tarvesko.desktop"
desktop-file-validate "$entry" && grep -Fxq 'Exec="/usr/lib/tarvesko/tarvesko"' "$entry" &&
  grep -Fxq 'Path=/var/lib/tarvesko' "$entry" || fail "the menu entry does not start the program in /var/lib/tarvesko"
lintian -EvIL +pedantic "$deb" 2>/dev/null | tee "$tmp/lintian"
! grep -q '^[EW]:' "$tmp/lintian" || fail "lintian reports errors or warnings"

dpkg-query -W tarvesko >/dev/null 2>&1 || [ -e /var/lib/tarvesko ] && skip "maintainer scripts: tarvesko is on this machine"
group_made=$(getent group tarvesko >/dev/null || echo 1)
base=/var/lib/tarvesko/База
undo() {
  for d in /var/lib/tarvesko $base; do dpkg-statoverride --remove $d 2>/dev/null || true; done
  rm -rf /var/lib/tarvesko "$tmp"
  [ -z "$group_made" ] || delgroup --quiet --system tarvesko
}
trap undo EXIT
dpkg-deb -e "$deb" "$tmp/control"
mkdir -p $base # as dpkg unpacks it
mode_is() { [ "$(stat -c '%U:%G %a' "$1")" = "$2" ] || fail "$1 is $(stat -c '%U:%G %a' "$1"), not $2"; }
sh "$tmp/control/postinst" configure
mode_is /var/lib/tarvesko "root:tarvesko 2775" && mode_is $base "root:tarvesko 2775"
dpkg-statoverride --remove $base && dpkg-statoverride --update --add root tarvesko 2770 $base
sh "$tmp/control/postinst" configure 2.1 # an upgrade keeps the administrator's mode
mode_is $base "root:tarvesko 2770"
echo card >$base/00000001.dat && echo goods >/var/lib/tarvesko/Товары.txt
for step in remove purge; do
  # Read whole before grep: with pipefail, grep -q leaving early would fail postrm with SIGPIPE.
  said=$(sh "$tmp/control/postrm" $step) || fail "postrm $step failed"
  grep -q /var/lib/tarvesko <<<"$said" || fail "postrm $step does not say where the base stays"
  [ -s $base/00000001.dat ] && [ -s /var/lib/tarvesko/Товары.txt ] || fail "postrm $step removed the base"
done
! dpkg-statoverride --list '/var/lib/tarvesko*' || fail "the purge left the statoverrides"
echo "ok: $deb"
