#!/usr/bin/env bash
# A paste while another program owns the clipboard and never sends it: the paste
# asks at most once for the list of formats and once for one picture format,
# and ends with "Invalid Clipboard data!".
# Usage: stuck_clipboard.sh MODE OWNER-HELPER PASTE-PROBE   (MODE: silent or targets)
set -uo pipefail
MODE=${1:?mode}
OWNER=${2:?owner helper}
PROBE=${3:?paste probe}
SKIP=77
XVFB_PID="" APP_PID="" BACKGROUND_PIDS=()
. "$(dirname "$0")/lib.sh"
need_tools Xvfb xdpyinfo timeout
make_root
SHOTS=$ROOT/shots
trap cleanup EXIT
start_x

"$OWNER" "$MODE" >"$ROOT/owner.log" 2>&1 &
BACKGROUND_PIDS+=($!)
owner_ready() { grep -q '^owner$' "$ROOT/owner.log"; }
wait_until 10 "the clipboard owner" owner_ready

HOME=$ROOT/home XDG_RUNTIME_DIR=$ROOT/runtime QT_QPA_PLATFORM=xcb \
    timeout 120 "$PROBE" >"$ROOT/probe.log" 2>"$ROOT/program.log" || fail "the probe failed"
cat "$ROOT/probe.log"
requests=$(grep -c '^request' "$ROOT/owner.log")
log "$requests request(s) to the owner: $(grep '^request' "$ROOT/owner.log" | cut -d' ' -f2 | tr '\n' ' ')"
grep -qx 'message Invalid Clipboard data!' "$ROOT/probe.log" || fail "no \"Invalid Clipboard data!\""
[ "$(grep -c '^message' "$ROOT/probe.log")" = 1 ] || fail "more than one message"
((requests <= 2)) || fail "$requests requests to an owner that does not answer"
log "PASS"
