#!/usr/bin/env bash
# The Debian package made from this build tree: the layout, the menu entry, lintian's verdict, and
# the maintainer scripts run for real (the group, the folders' mode through dpkg-statoverride, the
# base kept on removal and purge). Skipped where root, a tool, or a machine free of the package is
# missing.
set -euo pipefail
build=$1
cpack=$2
skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
[ "$(id -u)" = 0 ] || skip "the maintainer scripts need root"
for tool in dpkg-deb dpkg-shlibdeps lintian desktop-file-validate addgroup; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
tmp=$(mktemp -d /tmp/tarvesko-package.XXXXXX)
cleanups=("rm -rf $tmp")
trap 'status=$?; set +e; for ((i = ${#cleanups[@]} - 1; i >= 0; i--)); do eval "${cleanups[i]}"; done; exit $status' EXIT

"$cpack" -G DEB -B "$tmp/out" --config "$build/CPackConfig.cmake" >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; fail "cpack failed"; }
deb=$(echo "$tmp"/out/tarvesko_*_amd64.deb)
[ -f "$deb" ] || fail "no tarvesko_<version>_amd64.deb made"

# Mode, owner, name (and link target) of what the layout needs.
dpkg-deb -c "$deb" | awk '{ printf "%s %s", $1, $2; for (i = 6; i <= NF; i++) printf " %s", $i; print "" }' >"$tmp/contents"
while read -r line; do
  grep -Fxq -e "$line" "$tmp/contents" || fail "not in the package: $line"
done <<'LIST'
-rwxr-xr-x root/root ./usr/lib/tarvesko/tarvesko
lrwxrwxrwx root/root ./usr/lib/tarvesko/База -> /var/lib/tarvesko/База
drwxr-xr-x root/root ./var/lib/tarvesko/
drwxr-xr-x root/root ./var/lib/tarvesko/База/
-rw-r--r-- root/root ./var/lib/tarvesko/База/Справка.html
-rw-r--r-- root/root ./usr/share/applications/tarvesko.desktop
-rw-r--r-- root/root ./usr/share/icons/hicolor/scalable/apps/tarvesko.svg
-rw-r--r-- root/root ./usr/share/doc/tarvesko/copyright
LIST
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6.*adduser\|adduser.*libqt6widgets6' || fail "Depends lacks the Qt libraries or adduser"

dpkg-deb -x "$deb" "$tmp/root"
entry="$tmp/root/usr/share/applications/tarvesko.desktop"
desktop-file-validate "$entry" || fail "the menu entry is not valid"
for line in 'Exec="/usr/lib/tarvesko/tarvesko"' 'Path=/var/lib/tarvesko'; do
  grep -Fxq "$line" "$entry" || fail "the menu entry lacks $line"
done

# Only informational tags are left (the layout's help page in /var/lib, the program in /usr/lib).
lintian -EvIL +pedantic "$deb" 2>/dev/null | tee "$tmp/lintian"
! grep -q '^[EW]:' "$tmp/lintian" || fail "lintian reports errors or warnings"

# The maintainer scripts, on this machine's real group and folders.
if dpkg-query -W -f='${Status}' tarvesko 2>/dev/null | grep -q installed || [ -e /var/lib/tarvesko ] ||
  dpkg-statoverride --list '/var/lib/tarvesko*' >/dev/null; then
  skip "the maintainer scripts: tarvesko or /var/lib/tarvesko is already on this machine"
fi
dpkg-deb -e "$deb" "$tmp/control"
getent group tarvesko >/dev/null || cleanups+=("delgroup --quiet --system tarvesko")
cleanups+=("rm -rf /var/lib/tarvesko")
cleanups+=("for d in /var/lib/tarvesko /var/lib/tarvesko/База; do dpkg-statoverride --list \$d >/dev/null && dpkg-statoverride --remove \$d; done")
mkdir -p /var/lib/tarvesko/База # as dpkg unpacks them
mode_is() { [ "$(stat -c '%U:%G %a' "$1")" = "$2" ] || fail "$1 is $(stat -c '%U:%G %a' "$1"), not $2"; }

sh "$tmp/control/postinst" configure
getent group tarvesko | grep -q . || fail "no group tarvesko"
mode_is /var/lib/tarvesko "root:tarvesko 2775"
mode_is /var/lib/tarvesko/База "root:tarvesko 2775"

# An administrator's own mode stays over an upgrade.
dpkg-statoverride --remove /var/lib/tarvesko/База
dpkg-statoverride --update --add root tarvesko 2770 /var/lib/tarvesko/База
sh "$tmp/control/postinst" configure 2.1
mode_is /var/lib/tarvesko/База "root:tarvesko 2770"
mode_is /var/lib/tarvesko "root:tarvesko 2775"

echo card >/var/lib/tarvesko/База/00000001.dat
echo goods >/var/lib/tarvesko/Товары.txt
for step in remove purge; do
  sh "$tmp/control/postrm" "$step" | grep -q /var/lib/tarvesko || fail "postrm $step does not say where the base stays"
  [ -s /var/lib/tarvesko/База/00000001.dat ] && [ -s /var/lib/tarvesko/Товары.txt ] || fail "postrm $step removed the base"
done
! dpkg-statoverride --list '/var/lib/tarvesko*' || fail "the purge left the folders' statoverrides"
getent group tarvesko >/dev/null || fail "the purge removed the group whose files stay"
echo "ok: $deb"
