#!/usr/bin/env bash
# Makes a Wine prefix that looks like a real 64-bit Windows, with its 32-bit side, on every
# machine:
#
#   make-prefix.sh PREFIX
#
# Where this machine executes 32-bit code, Wine makes the 32-bit side itself. Where it does not,
# Wine's 32-bit half of the set-up cannot run and leaves the registry's 32-bit view without the
# folders and the version that every 64-bit Windows keeps there; they are written here as Wine's
# 32-bit half writes them, and the script says so, so that an installer or a path that would go
# wrong on a real Windows goes wrong here too.
set -euo pipefail
prefix=$1
# Made by the 64-bit loader, whichever loader the test then runs: a 64-bit Windows.
wine=/usr/lib/wine/wine64
export WINEARCH=win64 WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
mkdir -p "$prefix"
"$wine" wineboot --init >/dev/null 2>&1 || true
wineserver -w

reg32() { "$wine" reg add "$1" /v "$2" /d "$3" /f /reg:32 >/dev/null; }
if "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion' /v ProgramFilesDir /reg:32 \
    2>/dev/null | grep -q 'Program Files (x86)'; then
    # The query started the server again: a test that came before it ended would meet the
    # set-up's processes, made for this script's display or none.
    wineserver -w
    echo "prefix: 64-bit Windows with its 32-bit side, both made by Wine"
    exit 0
fi
version='HKLM\Software\Microsoft\Windows\CurrentVersion'
reg32 "$version" ProgramFilesDir 'C:\Program Files (x86)'
reg32 "$version" 'ProgramFilesDir (x86)' 'C:\Program Files (x86)'
reg32 "$version" CommonFilesDir 'C:\Program Files (x86)\Common Files'
reg32 "$version" 'CommonFilesDir (x86)' 'C:\Program Files (x86)\Common Files'
nt='HKLM\Software\Microsoft\Windows NT\CurrentVersion'
reg32 "$nt" CurrentVersion 6.1
reg32 "$nt" CurrentBuild 7601
reg32 "$nt" CurrentBuildNumber 7601
reg32 "$nt" CSDVersion 'Service Pack 1'
reg32 "$nt" ProductName 'Microsoft Windows 7'
reg32 "$nt" SystemRoot 'C:\windows'
mkdir -p "$prefix/drive_c/Program Files (x86)/Common Files"
wineserver -w
echo "prefix: 64-bit Windows; its 32-bit side's folders and version written into the registry's" \
    "32-bit view by this script, since this machine does not execute 32-bit code"
