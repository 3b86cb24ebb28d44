#!/usr/bin/env bash
# The Windows packages as a user meets them, under Wine in a private prefix: the portable ZIP
# holds the program and its licence; the NSIS installer puts the program and a Start-menu entry
# in place; its uninstaller takes both away again and leaves the user's settings alone.
#
#   check-packages.sh BUILD_DIR WINE
set -euo pipefail
build=$1
wine=$2
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >/dev/null
zip=$(ls "$work"/out/Pelwick-*.zip)
installer=$(ls "$work"/out/Pelwick-*.exe)
name=$(basename "$zip" .zip)

listing=$(unzip -Z1 "$zip")
for file in pelwick.exe LICENSE.txt CREDITS.txt; do
    grep -qx "$name/$file" <<<"$listing" || fail "the ZIP lacks $name/$file"
done
echo "ZIP: $(wc -l <<<"$listing") entries, $name/pelwick.exe among them"

"$wine" wineboot --init >/dev/null 2>&1
key='HKCU\Software\Korvenda\Pelwick'
"$wine" reg add "$key" /v CigConsQty /t REG_DWORD /d 20 /f >/dev/null

"$wine" "$installer" /S
wineserver -w
# A 32-bit installer in a 64-bit prefix installs under "Program Files (x86)".
program="$WINEPREFIX/drive_c/Program Files/Pelwick"
if [ ! -d "$program" ] && [ -d "$WINEPREFIX/drive_c/Program Files (x86)/Pelwick" ]; then
    program="$WINEPREFIX/drive_c/Program Files (x86)/Pelwick"
fi
[ -f "$program/pelwick.exe" ] || fail "the installer put no pelwick.exe into $program"
[ -f "$program/Uninstall.exe" ] || fail "the installer put no uninstaller into $program"
link=$(find "$WINEPREFIX/drive_c" -iname 'Pelwick.lnk' -path '*Start Menu*' | head -n 1)
[ -n "$link" ] || fail "no Start-menu entry Pelwick.lnk"
echo "installed: $program/pelwick.exe, Start menu: ${link#"$WINEPREFIX/"}"

# The uninstaller copies itself away and returns at once: wait for every process of the prefix.
"$wine" "$program/Uninstall.exe" /S
wineserver -w
[ ! -e "$program/pelwick.exe" ] || fail "the uninstaller left pelwick.exe"
[ ! -e "$link" ] || fail "the uninstaller left the Start-menu entry"
"$wine" reg query "$key" /v CigConsQty | grep -q '0x14' ||
    fail "the uninstaller touched the user's settings"
echo "uninstalled; the user's settings are still there"
