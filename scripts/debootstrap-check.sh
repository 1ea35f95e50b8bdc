#!/usr/bin/env bash
# Tries the README's two commands the way a newcomer meets them: on a bare
# Debian 12 made with `debootstrap --variant=minbase`, with nothing added.
#
#   sudo scripts/debootstrap-check.sh [WORK-FOLDER]     (default /var/tmp/orvane-bare)
#
# Needs root and the Debian package archive (the mirror this machine's apt uses,
# or MIRROR=...). Not part of CI: it downloads a few hundred megabytes and takes
# a while. What it does, each on a fresh copy of the bare system:
#   run:  as root, `./setup run`; once the window shows, a screenshot of it goes
#         to docs/bare-debian-run.png. The X server stands for the user's desktop:
#         it runs outside the bare system and only its socket is shared with it.
#   test: as a user who may use sudo (sudo is installed for that user and nothing
#         else), `./setup test`.
# The sources are those of the last commit (git archive HEAD), as a clone has them.
# The bare system is kept in WORK-FOLDER/base and reused, with the packages that
# the commands download in WORK-FOLDER/apt-archives; delete them to start over.
# Exit status 0 when both commands passed.
set -euo pipefail

REPO=$(cd "$(dirname "$0")/.." && pwd)
WORK=${1:-/var/tmp/orvane-bare}
SUITE=${SUITE:-bookworm}
RUN_TIMEOUT=${RUN_TIMEOUT:-3600}
SHOT=$REPO/docs/bare-debian-run.png
TITLE="Harrow & Finch Orvane"

[ "$(id -u)" -eq 0 ] || { echo "debootstrap-check: run me as root (debootstrap and chroot need it)" >&2; exit 2; }

# The mirror this machine's apt uses, so the bare system gets the same archive.
if [ -z "${MIRROR:-}" ]; then
    MIRROR=$({ cat /etc/apt/sources.list /etc/apt/sources.list.d/*.sources 2>/dev/null || true; } |
        awk '/^URIs:/ && $2 !~ /security/ {print $2; exit}
             /^deb / && $0 !~ /security/ {for (i = 2; i <= NF; i++) if ($i ~ /^https?:/) {print $i; exit}}')
    MIRROR=${MIRROR:-http://deb.debian.org/debian}
fi

host_tools=()
command -v debootstrap >/dev/null || host_tools+=(debootstrap)
command -v Xvfb >/dev/null || host_tools+=(xvfb)
command -v xwininfo >/dev/null || host_tools+=(x11-utils)
command -v import-im6.q16 >/dev/null || host_tools+=(imagemagick)
if [ ${#host_tools[@]} -gt 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${host_tools[@]}"
fi

mkdir -p "$WORK"
mounts=()
XVFB_PID=""
RUN_PID=""
cleanup() {
    [ -n "$RUN_PID" ] && kill -- -"$RUN_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    local i
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        umount -l "${mounts[i]}" 2>/dev/null || true
    done
}
trap cleanup EXIT

log() { echo "== $(date +%T) $*"; }

# --- The bare system -------------------------------------------------------------
if [ ! -e "$WORK/base/.orvane-complete" ]; then
    log "debootstrap --variant=minbase $SUITE from $MIRROR"
    rm -rf "$WORK/base"
    debootstrap --variant=minbase "$SUITE" "$WORK/base" "$MIRROR" >"$WORK/debootstrap.log" 2>&1 ||
        { tail -20 "$WORK/debootstrap.log"; exit 1; }
    touch "$WORK/base/.orvane-complete"
fi
git -C "$REPO" archive --format=tar --prefix=orvane/ HEAD >"$WORK/orvane.tar"
log "sources: $(git -C "$REPO" log -1 --format='%h %s')"

# fresh_copy NAME: a copy of the bare system with the mounts a running system has.
fresh_copy() {
    local root=$WORK/$1
    rm -rf "$root"
    cp -a "$WORK/base" "$root"
    rm -f "$root/.orvane-complete"
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    mount -t proc proc "$root/proc" && mounts+=("$root/proc")
    mount -t sysfs sys "$root/sys" && mounts+=("$root/sys")
    mount --bind /dev "$root/dev" && mounts+=("$root/dev")
    mount --bind /dev/pts "$root/dev/pts" && mounts+=("$root/dev/pts")
    # Downloaded packages are kept for the next copy and the next check; the
    # system itself still starts with nothing installed.
    mkdir -p "$WORK/apt-archives/partial"
    mount --bind "$WORK/apt-archives" "$root/var/cache/apt/archives" &&
        mounts+=("$root/var/cache/apt/archives")
}

in_root() {
    local root=$1
    shift
    chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        TERM=dumb LANG=C.UTF-8 "$@"
}

# --- run, as root ------------------------------------------------------------------
run_ok=0
fresh_copy run
RUN_ROOT=$WORK/run
tar -xf "$WORK/orvane.tar" -C "$RUN_ROOT/root"
display=97
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
mkdir -p "$RUN_ROOT/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$RUN_ROOT/tmp/.X11-unix" && mounts+=("$RUN_ROOT/tmp/.X11-unix")
log "run: ./setup run as root (log: $WORK/run.log)"
run_start=$SECONDS
setsid chroot "$RUN_ROOT" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    TERM=dumb LANG=C.UTF-8 HOME=/root DISPLAY=":$display" \
    /bin/bash -c 'cd /root/orvane && ./setup run' >"$WORK/run.log" 2>&1 &
RUN_PID=$!

window_shown() {
    DISPLAY=":$display" xwininfo -root -tree 2>/dev/null | grep -F "\"$TITLE\"" |
        awk '{print $1}' | while read -r id; do
        if DISPLAY=":$display" xwininfo -id "$id" 2>/dev/null | grep -q "Map State: IsViewable"; then
            echo "$id"
        fi
    done | head -1 || true
}
deadline=$((SECONDS + RUN_TIMEOUT))
window=""
while [ $SECONDS -lt $deadline ] && kill -0 "$RUN_PID" 2>/dev/null; do
    window=$(window_shown || true)
    [ -n "$window" ] && break
    sleep 5
done
if [ -n "$window" ]; then
    # Two equal grabs a moment apart: the window has painted itself.
    previous=""
    for _ in $(seq 1 30); do
        DISPLAY=":$display" import-im6.q16 -window root "$WORK/shot.png" 2>/dev/null || true
        now=$(md5sum <"$WORK/shot.png" 2>/dev/null | cut -d' ' -f1 || true)
        [ "$now" = "$previous" ] && break
        previous=$now
        sleep 1
    done
    cp "$WORK/shot.png" "$SHOT"
    log "run: the window showed after $((run_start_to_window = SECONDS - run_start)) s; screenshot in $SHOT"
    run_ok=1
else
    log "run: FAILED, no window (last lines of $WORK/run.log follow)"
    tail -30 "$WORK/run.log"
fi
kill -- -"$RUN_PID" 2>/dev/null || true
wait "$RUN_PID" 2>/dev/null || true
RUN_PID=""

# --- test, as a user with sudo ---------------------------------------------------------
fresh_copy test
TEST_ROOT=$WORK/test
log "test: installing sudo and adding the user newcomer"
in_root "$TEST_ROOT" apt-get update -qq >"$WORK/test.log" 2>&1
in_root "$TEST_ROOT" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq sudo >>"$WORK/test.log" 2>&1
in_root "$TEST_ROOT" useradd -m -s /bin/bash newcomer
echo "newcomer ALL=(ALL) NOPASSWD: ALL" >"$TEST_ROOT/etc/sudoers.d/newcomer"
chmod 0440 "$TEST_ROOT/etc/sudoers.d/newcomer"
tar -xf "$WORK/orvane.tar" -C "$TEST_ROOT/home/newcomer"
in_root "$TEST_ROOT" chown -R newcomer:newcomer /home/newcomer/orvane
log "test: ./setup test as newcomer (log: $WORK/test.log)"
test_start=$SECONDS
test_ok=0
if chroot --userspec=newcomer:newcomer "$TEST_ROOT" /usr/bin/env -i \
    PATH=/usr/local/bin:/usr/bin:/bin TERM=dumb LANG=C.UTF-8 HOME=/home/newcomer USER=newcomer \
    /bin/bash -c 'cd ~/orvane && ./setup test' >>"$WORK/test.log" 2>&1; then
    test_ok=1
    log "test: passed in $((SECONDS - test_start)) s"
else
    log "test: FAILED (last lines of $WORK/test.log follow)"
fi
grep -E "tests passed|tests failed|\(Failed\)|\(Not Run\)|Skipped|\*\*\*" "$WORK/test.log" | tail -30 || true

echo "run: $([ $run_ok = 1 ] && echo passed || echo FAILED)   test: $([ $test_ok = 1 ] && echo passed || echo FAILED)"
[ $run_ok = 1 ] && [ $test_ok = 1 ]
