#!/usr/bin/env bash
# Installs the Debian package into a clean root of the machine's Debian release with
# --no-install-recommends, starts the installed /usr/bin/pelwick there on a private X screen
# until its first-start wizard maps, and purges the package again. A library that the program
# needs but Depends does not name fails here: the program cannot start in the clean root.
#
#     tests/packaging/clean-root.sh <package.deb>
#
# The root is made once with mmdebstrap from the mirrors the machine's apt uses and kept as a
# tarball in build/cache/clean-root (PELWICK_CLEAN_ROOT_CACHE), with the packages it downloads;
# each run unpacks it afresh. Where no root can be made (no root rights, no mmdebstrap, not
# Debian, no mirror), it says why and checks the Depends against the program's libraries on
# this machine instead.
set -euo pipefail

deb=$(realpath "${1:?usage: clean-root.sh <package.deb>}")
here=$(cd "$(dirname "$0")" && pwd)
cache=${PELWICK_CLEAN_ROOT_CACHE:-$here/../../build/cache/clean-root}
say() { echo "clean-root: $*"; }

# What can be checked without a root of its own: each library the program links names a
# package of this machine that Depends lists, and apt finds all of Depends.
checked_instead() {
    say "NOT RUN: no clean root, since $1"
    say "checked instead: the program's libraries against Depends, and apt resolving Depends"
    local failures=0 lib path owner
    unpacked=$(mktemp -d)
    trap 'rm -rf "$unpacked"' EXIT
    dpkg-deb -x "$deb" "$unpacked"
    local depends
    depends=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | awk '{ print $1 }')
    while read -r lib; do
        # The first entry of the library's name (awk reads on, so that no writer gets SIGPIPE).
        path=$(ldconfig -p | awk -v l="$lib" '$1 == l && !p { p = $NF } END { print p }')
        owner=""
        for p in "$path" "$(realpath -m "$path")" "${path/#\/lib\//\/usr\/lib\/}"; do
            [ -n "$p" ] && owner=$(dpkg -S "$p" 2>/dev/null | awk -F: 'NR == 1 { print $1 }') && break
        done
        if [ -z "$owner" ]; then
            say "no package of this machine holds $lib"
            failures=$((failures + 1))
        elif ! grep -qx "$owner" <<<"$depends"; then
            say "Depends lacks $owner, which holds $lib"
            failures=$((failures + 1))
        fi
    done < <(objdump -p "$unpacked/usr/bin/pelwick" | awk '$1 == "NEEDED" { print $2 }')
    if ! apt-get install -s -qq --no-install-recommends "$deb" >"$unpacked/apt.log" 2>&1; then
        cat "$unpacked/apt.log"
        say "apt cannot resolve the package's Depends"
        failures=$((failures + 1))
    fi
    [ "$failures" -eq 0 ] || return 1
    say "every library the program links comes with Depends (checked instead of a clean root)"
}

codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
if [ "$(id -u)" -ne 0 ]; then
    checked_instead "it needs root rights (chroot, mounts), and this runs as $(id -un)"
    exit
fi
if ! command -v mmdebstrap >/dev/null; then
    checked_instead "mmdebstrap is not installed (scripts/bootstrap test installs it)"
    exit
fi
# The machine's own release and mirrors, main only: the suite, its updates and security.
mapfile -t mirrors < <(apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' \
    "Created-By: Packages" "Architecture: $(dpkg --print-architecture)" 2>/dev/null |
    awk -v c="$codename" '$3 == "main" && ($2 == c || $2 == c "-updates" || $2 == c "-security") {
        print "deb " $1 " " $2 " main" }' | sort -u)
if [ -z "$codename" ] || [ "${#mirrors[@]}" -eq 0 ]; then
    checked_instead "apt lists no Debian suite '${codename:-?}' with main (run apt-get update)"
    exit
fi

mkdir -p "$cache/archives/partial"
cache=$(realpath "$cache")
key=$(printf '%s\n' "$codename" "${mirrors[@]}" | sha1sum | cut -c1-12)
tarball="$cache/$codename-$key.tar"
if [ ! -f "$tarball" ]; then
    say "making a clean $codename root (once; kept in $cache) from: ${mirrors[*]}"
    start=$SECONDS
    # The package indexes stay in it, so that each run's update fetches only what changed.
    if ! mmdebstrap --variant=apt --format=tar --quiet --skip=cleanup/apt/lists "$codename" "$tarball.part" \
        "${mirrors[@]}" >"$cache/mmdebstrap.log" 2>&1; then
        tail -n 15 "$cache/mmdebstrap.log"
        rm -f "$tarball.part"
        checked_instead "mmdebstrap could not make the root (its log: $cache/mmdebstrap.log)"
        exit
    fi
    mv "$tarball.part" "$tarball"
    find "$cache" -maxdepth 1 -name "*.tar" ! -name "$(basename "$tarball")" -delete
    say "made the root in $((SECONDS - start)) s"
fi

work=$(mktemp -d)
xvfb=""
cleanup() {
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    # The root's mounts lived in a namespace of their own and are gone with it.
    rm -rf --one-file-system "$work"
}
trap cleanup EXIT
root="$work/root"
mkdir "$root"
tar -C "$root" -xf "$tarball"
cp "$deb" "$root/tmp/pelwick.deb"
cp /etc/resolv.conf "$root/etc/resolv.conf"

# A private X screen on this side; the root reaches it through the bind-mounted socket folder.
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/displayfd" \
    >"$work/xvfb.log" 2>&1 &
xvfb=$!
read -r -t 30 display <"$work/displayfd" || {
    cat "$work/xvfb.log"
    say "Xvfb did not start"
    exit 1
}

# Everything that touches the root runs in a mount and process namespace of its own: the
# mounts and the program cannot outlive it.
export root cache display deb
unshare --mount --pid --fork --kill-child --propagation private bash -euo pipefail -c '
say() { echo "clean-root: $*"; }
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev"
mount --bind "$cache/archives" "$root/var/cache/apt/archives"
mkdir -p "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
log="$root/tmp/apt.log"
run_apt() {
    if ! in_root apt-get -qq "$@" >"$log" 2>&1; then
        cat "$log"
        say "apt-get $* failed in the clean root"
        exit 1
    fi
}
run_apt update
in_root dpkg-query -W -f "\${Package}\n" | sort >"$root/tmp/before"
start=$SECONDS
run_apt install -y --no-install-recommends /tmp/pelwick.deb
added=$(in_root dpkg-query -W -f "\${Package}\n" | sort | comm -13 "$root/tmp/before" - | wc -l)
say "installed $(basename "$deb") with --no-install-recommends: $added packages in $((SECONDS - start)) s"

# As an ordinary user with a home of its own: a first start.
mkdir -p "$root/tmp/home"
chown 1000:1000 "$root/tmp/home"
# chroot, env and setpriv each exec the next, so that $! is the program itself.
chroot "$root" env -i PATH=/usr/bin:/bin setpriv --reuid=1000 --regid=1000 --clear-groups \
    env HOME=/tmp/home DISPLAY=":$display" LANG=C.UTF-8 /usr/bin/pelwick \
    >"$root/tmp/pelwick.log" 2>&1 &
pelwick=$!
window=""
for _ in $(seq 300); do
    kill -0 "$pelwick" 2>/dev/null || break
    window=$(DISPLAY=":$display" xdotool search --onlyvisible --name "^Setup\$" 2>/dev/null | head -n 1) || true
    [ -n "$window" ] && break
    sleep 0.1
done
if [ -z "$window" ]; then
    cat "$root/tmp/pelwick.log"
    if kill -0 "$pelwick" 2>/dev/null; then
        say "the installed /usr/bin/pelwick showed no setup wizard within 30 s"
    else
        say "the installed /usr/bin/pelwick ended before it showed its setup wizard"
    fi
    exit 1
fi
say "the installed /usr/bin/pelwick mapped its setup wizard ($(DISPLAY=":$display" xdotool getwindowgeometry "$window" | tr -s "\n " " "))"
kill -TERM "$pelwick"
rc=0
wait "$pelwick" || rc=$?
if [ "$rc" -ne 0 ]; then
    cat "$root/tmp/pelwick.log"
    say "pelwick ended with $rc on SIGTERM"
    exit 1
fi

run_apt purge -y pelwick
run_apt autoremove -y --purge
left=""
while read -r path; do
    [ -e "$root/$path" ] && left+=" $path"
done < <(dpkg-deb -c "$deb" | awk "substr(\$1, 1, 1) != \"d\" { print \$6 }")
status=$(in_root dpkg-query -W -f "\${db:Status-Abbrev}" pelwick 2>/dev/null || true)
after=$(in_root dpkg-query -W -f "\${Package}\n" | sort | diff "$root/tmp/before" - || true)
case "$status" in "" | un* | pn*) status="" ;; esac
if [ -n "$left" ] || [ -n "$status" ] || [ -n "$after" ]; then
    say "the purge was not clean: files left:${left:- none}; status: ${status:-none}; packages: ${after:-as before}"
    exit 1
fi
say "purged it again: no file left, the same packages as before"
run_apt autoclean
'
