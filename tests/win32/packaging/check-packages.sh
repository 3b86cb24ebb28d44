#!/usr/bin/env bash
# The Windows packages as a user meets them, under Wine in a private prefix: the portable ZIP
# holds the program and its licence; the NSIS installer puts the program, a Start-menu entry and
# (unless told /NOAUTOSTART) the sign-in entry in place, and the installed program starts; its
# uninstaller takes all of that away again and leaves the user's settings alone.
#
#   check-packages.sh BUILD_DIR WINE     make, inspect, install and uninstall
#   check-packages.sh BUILD_DIR --inspect
#                                        make and inspect only, for a machine that cannot run the
#                                        installer (a 32-bit one where no 32-bit code runs)
set -euo pipefail
build=$1
wine=$2
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    if [ "$wine" != --inspect ]; then wineserver -k 2>/dev/null || true; fi
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

# The installer is a program of the package's own kind, and carries the same program.
case "$name" in
    *-win64) want_installer="PE32+ executable (GUI) x86-64" want_program="PE32+ executable" ;;
    *) want_installer="PE32 executable (GUI) Intel 80386" want_program="PE32 executable" ;;
esac
type=$(file -b "$installer")
[[ "$type" == "$want_installer"* ]] || fail "the installer is not a $want_installer: $type"
mkdir "$work/unpacked"
7z x -o"$work/unpacked" "$installer" pelwick.exe LICENSE.txt CREDITS.txt >/dev/null ||
    fail "7z cannot unpack the installer"
for file in pelwick.exe LICENSE.txt CREDITS.txt; do
    [ -f "$work/unpacked/$file" ] || fail "the installer lacks $file"
done
[[ "$(file -b "$work/unpacked/pelwick.exe")" == "$want_program"* ]] ||
    fail "the installer's pelwick.exe is not a $want_program"
cmp -s "$work/unpacked/LICENSE.txt" "$(dirname "$0")/../../../LICENSE" ||
    fail "the installer's LICENSE.txt is not the project's licence"
echo "installer: ${type%%,*}, with pelwick.exe, LICENSE.txt and CREDITS.txt"
if [ "$wine" = --inspect ]; then
    exit 0
fi

"$(dirname "$0")/../make-prefix.sh" "$WINEPREFIX"
key='HKCU\Software\Korvenda\Pelwick'
run='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
"$wine" reg add "$key" /v CigConsQty /t REG_DWORD /d 20 /f >/dev/null
settings_before=$("$wine" reg query "$key" /s)
sign_in() { "$wine" reg query "$run" /v Pelwick 2>/dev/null | tr -d '\r' | awk '$1 == "Pelwick" { $1 = $2 = ""; sub(/^ +/, ""); print }'; }
install() {
    "$wine" "$installer" /S "$@"
    wineserver -w
}

install
# Each installer installs into the Program Files of its own kind, and registers its uninstaller
# in the registry view of its own kind; in a 64-bit prefix a 32-bit installer's are "Program
# Files (x86)" and the 32-bit view.
case "$name" in
    *-win64) folder="Program Files" view=64 other=32 ;;
    *) folder="Program Files (x86)" view=32 other=64 ;;
esac
uninstall_entry() {
    "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelwick Installer' \
        /v DisplayName "/reg:$1" 2>/dev/null | grep -c 'DisplayName' || true
}
program="$WINEPREFIX/drive_c/$folder/Pelwick"
[ -f "$program/pelwick.exe" ] || fail "the installer put no pelwick.exe into $program"
[ -f "$program/Uninstall.exe" ] || fail "the installer put no uninstaller into $program"
link=$(find "$WINEPREFIX/drive_c" -iname 'Pelwick.lnk' -path '*Start Menu*' | head -n 1)
[ -n "$link" ] || fail "no Start-menu entry Pelwick.lnk"
echo "installed: $program/pelwick.exe, Start menu: ${link#"$WINEPREFIX/"}"
[ "$(uninstall_entry "$view")" = 1 ] || fail "no uninstall entry in the $view-bit registry view"
[ "$(uninstall_entry "$other")" = 0 ] || fail "an uninstall entry in the $other-bit registry view"
echo "uninstall entry in the $view-bit registry view only"
want_sign_in="\"C:\\$folder\\Pelwick\\pelwick.exe\""
[ "$(sign_in)" = "$want_sign_in" ] ||
    fail "after a default install the sign-in entry is '$(sign_in)', not '$want_sign_in'"
echo "starts at sign-in: $want_sign_in"

# The installed program starts: at a first start it shows its wizard.
"$wine" "$program/pelwick.exe" >/dev/null 2>&1 &
started=$!
for _ in $(seq 1 60); do
    if xdotool search --onlyvisible --class pelwick.exe >/dev/null 2>&1; then
        break
    fi
    kill -0 "$started" 2>/dev/null || fail "the installed pelwick.exe ended without a window"
    sleep 0.5
done
xdotool search --onlyvisible --class pelwick.exe >/dev/null ||
    fail "the installed pelwick.exe showed no window within 30 s"
echo "the installed pelwick.exe shows its window"
wineserver -k
wait "$started" 2>/dev/null || true

# Installing again first removes the older copy; the switch leaves the sign-in entry out.
install /NOAUTOSTART
[ -f "$program/pelwick.exe" ] || fail "the install with /NOAUTOSTART put no pelwick.exe in place"
[ -z "$(sign_in)" ] || fail "after an install with /NOAUTOSTART the sign-in entry is '$(sign_in)'"
install
[ -n "$(sign_in)" ] || fail "a default install after one with /NOAUTOSTART wrote no sign-in entry"
echo "installed again with /NOAUTOSTART: no sign-in entry; a default install writes it again"

# The uninstaller copies itself away and returns at once: wait for every process of the prefix.
"$wine" "$program/Uninstall.exe" /S
wineserver -w
[ ! -e "$program/pelwick.exe" ] || fail "the uninstaller left pelwick.exe"
[ ! -e "$link" ] || fail "the uninstaller left the Start-menu entry"
[ "$(uninstall_entry "$view")" = 0 ] || fail "the uninstaller left its uninstall entry"
[ -z "$(sign_in)" ] || fail "the uninstaller left the sign-in entry '$(sign_in)'"
[ "$("$wine" reg query "$key" /s)" = "$settings_before" ] ||
    fail "the installers touched the user's settings"
echo "uninstalled; no sign-in entry; the user's settings are as they were"
