#!/usr/bin/env bash
# Builds the Debian package in a configured and built folder and checks that it carries the
# program with its desktop integration and documentation, that the desktop tools and lintian
# accept it, and that it installs, starts and purges cleanly on a clean Debian (clean-root.sh).
#
#     tests/packaging/check-deb.sh <build folder>
set -euo pipefail

build=${1:?usage: check-deb.sh <build folder>}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "check-deb: $*" >&2
    failures=$((failures + 1))
}

if ! (cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    echo "check-deb: cpack failed" >&2
    exit 1
fi
shopt -s nullglob
debs=("$work"/out/*.deb)
if [ "${#debs[@]}" -ne 1 ]; then
    echo "check-deb: expected one package, cpack made ${#debs[@]}" >&2
    exit 1
fi
deb=${debs[0]}
echo "check-deb: $(basename "$deb")"

app_id=de.korvenda.Pelwick
expected=(
    ./usr/bin/pelwick
    ./usr/share/applications/$app_id.desktop
    ./usr/share/metainfo/$app_id.metainfo.xml
    ./usr/share/doc/pelwick/copyright
    ./usr/share/doc/pelwick/CREDITS
    ./usr/share/doc/pelwick/changelog.gz
    ./usr/share/man/man1/pelwick.1.gz
    ./usr/share/man/de/man1/pelwick.1.gz
    ./usr/share/lintian/overrides/pelwick
)
for size in 16 32 48 128 256; do
    expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/pelwick.png")
done

listing=$(dpkg-deb -c "$deb")
for path in "${expected[@]}"; do
    # Regular files only: "-rw-r--r-- root/root 1234 date time ./path".
    if ! awk -v p="$path" '$6 == p && substr($1, 1, 1) == "-" { found = 1 } END { exit !found }' \
        <<<"$listing"; then
        fail "missing from the package: $path"
    fi
done
if ! awk '$6 == "./usr/bin/pelwick" && $1 ~ /^-rwx/ { found = 1 } END { exit !found }' \
    <<<"$listing"; then
    fail "./usr/bin/pelwick is not executable"
fi

# The control record: the package name and version, and Qt among the found dependencies.
[ "$(dpkg-deb -f "$deb" Package)" = pelwick ] || fail "package name is not pelwick"
[ "$(dpkg-deb -f "$deb" Version)" = 1.0.0 ] || fail "version is not 1.0.0"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6core6; do
    grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"

# Each hicolor icon is a PNG of the size its folder names (width and height from IHDR).
for size in 16 32 48 128 256; do
    icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/pelwick.png"
    [ -f "$icon" ] || continue
    signature=$(od -An -tx1 -N8 "$icon" | tr -d ' \n')
    dims=$(od -An -tu1 -j16 -N8 "$icon" | awk '{ print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8 }')
    [ "$signature" = 89504e470d0a1a0a ] || fail "$size px icon is not a PNG"
    [ "$dims" = "${size}x${size}" ] || fail "$size px icon is $dims"
done

desktop="$root/usr/share/applications/$app_id.desktop"
if [ -f "$desktop" ]; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop file"
    grep -qx "Exec=pelwick" "$desktop" || fail "the desktop file does not start pelwick"
fi
metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"
if [ -f "$metainfo" ]; then
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metainfo"
fi
# The installed tree as a whole: the metainfo finds its desktop file and its icon.
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli rejects the installed tree"

# The changelog's newest entry is this release.
changelog="$root/usr/share/doc/pelwick/changelog.gz"
if [ -f "$changelog" ]; then
    top=$(zcat "$changelog" | head -n 1)
    [[ "$top" == "pelwick ($(dpkg-deb -f "$deb" Version)) "* ]] ||
        fail "the changelog's newest entry is not this version: $top"
fi

# Debian's own checks: any error or warning fails; an informational hint is shown, and the
# package's overrides say why the ones it keeps do not apply.
if ! lintian --fail-on error,warning --display-info "$deb"; then
    fail "lintian finds errors or warnings"
fi

"$(dirname "$0")/clean-root.sh" "$deb" ||
    fail "the package does not install, start and purge cleanly on a clean Debian"

if [ "$failures" -ne 0 ]; then
    echo "check-deb: $failures failure(s)" >&2
    exit 1
fi
echo "check-deb: package and desktop integration valid"
