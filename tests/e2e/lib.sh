# Shared by the end-to-end scripts (sourced, not run): a private X server, the
# program under it, bounded waits, real input through XTEST, screenshots and
# pixel comparisons. Every helper either succeeds or ends the script through
# fail, which leaves a screenshot of the moment behind.

SKIP=77
STEP=0
XVFB_PID=""
APP_PID=""
APP_STATUS=""
BACKGROUND_PIDS=()

log() { echo "[$(date +%H:%M:%S)] $*"; }

skip() {
    echo "SKIP: $*"
    exit "$SKIP"
}

fail() {
    echo "FAIL: $*" >&2
    if [ -n "${DISPLAY:-}" ] && [ -n "$XVFB_PID" ]; then
        shot failure || true
    fi
    if [ -n "${ROOT:-}" ] && [ -s "$ROOT/program.log" ]; then
        echo "--- program output ---" >&2
        tail -n 40 "$ROOT/program.log" >&2
    fi
    exit 1
}

need_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 ||
            skip "$tool is not installed (scripts/install-deps.sh test installs it)"
    done
}

# wait_until SECONDS WHAT COMMAND...: polls COMMAND until it succeeds.
wait_until() {
    local limit=$1 what=$2
    shift 2
    local deadline=$((SECONDS + limit))
    until "$@"; do
        ((SECONDS < deadline)) || fail "timed out after ${limit}s waiting for $what"
        sleep 0.1
    done
}

# The scenario's own folders under one fresh temporary root.
make_root() {
    ROOT=$(mktemp -d "${TMPDIR:-/tmp}/orvane-e2e.XXXXXX")
    OUT=$ROOT/out
    INPUT=$ROOT/input
    mkdir -p "$OUT" "$INPUT" "$ROOT/home" "$ROOT/runtime"
    chmod 700 "$ROOT/runtime"
}

cleanup() {
    local pid
    if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then
        kill "$APP_PID" 2>/dev/null
        wait "$APP_PID" 2>/dev/null
    fi
    for pid in "${BACKGROUND_PIDS[@]}"; do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    fi
    [ -n "${ROOT:-}" ] && rm -rf "$ROOT"
    return 0
}

# Starts Xvfb on a display number it picks itself, so that parallel runs and a
# desktop's own server never collide.
start_x() {
    local fdfile=$ROOT/displayfd
    : >"$fdfile"
    Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 1280x1024x24 -dpi 96 -wr \
        3>"$fdfile" >"$ROOT/xvfb.log" 2>&1 &
    XVFB_PID=$!
    local deadline=$((SECONDS + 30))
    until grep -q '^[0-9]' "$fdfile" 2>/dev/null; do
        kill -0 "$XVFB_PID" 2>/dev/null || {
            cat "$ROOT/xvfb.log" >&2
            XVFB_PID=""
            fail "Xvfb did not start"
        }
        ((SECONDS < deadline)) || fail "timed out waiting for Xvfb"
        sleep 0.1
    done
    export DISPLAY=:$(head -n 1 "$fdfile")
    wait_until 20 "the X server to answer" xdpyinfo_ok
    log "Xvfb $XVFB_PID on $DISPLAY"
}

xdpyinfo_ok() { timeout 5 xdpyinfo >/dev/null 2>&1; }

# The environment of every Qt program a scenario starts: on the X server, whatever
# the caller's QT_QPA_PLATFORM, at one scale and without a desktop's theme, so
# that its pixels compare with the program's.
QT_ENV=(env -u QT_QPA_PLATFORMTHEME -u QT_STYLE_OVERRIDE -u SESSION_MANAGER
    QT_QPA_PLATFORM=xcb QT_ENABLE_HIGHDPI_SCALING=0 QT_SCALE_FACTOR=1)

# start_app PROGRAM: runs it in the output folder and waits for both windows.
# start_app PROGRAM [ARGUMENT...]
start_app() {
    local program=$1
    shift
    (
        cd "$OUT" &&
            exec "${QT_ENV[@]}" \
                HOME="$ROOT/home" XDG_CONFIG_HOME="$ROOT/home/.config" \
                XDG_DATA_HOME="$ROOT/home/.local/share" XDG_CACHE_HOME="$ROOT/home/.cache" \
                XDG_RUNTIME_DIR="$ROOT/runtime" "$program" "$@"
    ) >"$ROOT/program.log" 2>&1 &
    APP_PID=$!
    wait_until 30 "the main window" main_window_or_end
    app_running || fail "the program ended at start-up"
    MAIN=$(window_id '^Harrow & Finch Orvane$')
    wait_until 15 "the Selection view" window_shown '^Selection view$'
    SELVIEW=$(window_id '^Selection view$')
    log "program $APP_PID: main window $MAIN, Selection view $SELVIEW"
}

main_window_or_end() { window_shown '^Harrow & Finch Orvane$' || ! app_running; }

app_running() { kill -0 "$APP_PID" 2>/dev/null; }
app_ended() { ! app_running; }

# wait_app_end SECONDS: waits for the program to end; its exit status goes to APP_STATUS.
wait_app_end() {
    wait_until "$1" "the program to end" app_ended
    APP_STATUS=0
    wait "$APP_PID" || APP_STATUS=$?
    APP_PID=""
}

window_id() { timeout 10 xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
window_shown() { [ -n "$(window_id "$1")" ]; }
window_gone() { [ -z "$(window_id "$1")" ]; }

# window_geometry WID: sets WX WY (on the screen) and WW WH (client area).
window_geometry() {
    local line
    WX="" WY="" WW="" WH=""
    while read -r line; do
        case $line in
        *"Absolute upper-left X:"*) WX=${line##* } ;;
        *"Absolute upper-left Y:"*) WY=${line##* } ;;
        Width:*) WW=${line##* } ;;
        Height:*) WH=${line##* } ;;
        esac
    done < <(timeout 10 xwininfo -id "$1" 2>/dev/null)
    [ -n "$WX" ] && [ -n "$WW" ] || fail "no geometry for window $1"
}

client_size_is() {
    window_geometry "$1"
    [ "${WW}x${WH}" = "$2" ]
}

xdo() { timeout 20 xdotool "$@" || fail "xdotool $*"; }

# click X Y: a left click at a point of the main window's client area.
click() { xdo mousemove --window "$MAIN" "$1" "$2" click 1; }

# press_keys WID KEY...: gives WID the input focus, then types the keys.
press_keys() {
    local wid=$1
    shift
    focus "$wid"
    xdo key --clearmodifiers "$@"
}

type_text() {
    focus "$1"
    xdo type --clearmodifiers --delay 20 "$2"
}

# Without a window manager nobody moves the focus on a click, so the scripts
# give it the way a window manager would before typing.
focus() {
    xdo windowfocus "$1"
    wait_until 10 "the focus on window $1" has_focus "$1"
}

has_focus() { [ "$(timeout 5 xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

# shot NAME: keeps a screenshot of the whole screen for this step.
shot() {
    STEP=$((STEP + 1))
    local file
    file=$SHOTS/$(printf '%02d' "$STEP")-$1.png
    timeout 20 import-im6.q16 -window root "$file" 2>/dev/null || echo "no screenshot $file" >&2
}

# grab_main X Y W H FILE: what the screen shows in a rectangle of the main window.
grab_main() {
    window_geometry "$MAIN"
    grab_screen $((WX + $1)) $((WY + $2)) "$3" "$4" "$5"
}

grab_screen() {
    timeout 20 import-im6.q16 -window root -crop "$3x$4+$1+$2" +repage "$5" 2>/dev/null
}

# grab_window WID FILE: the window's client area.
grab_window() {
    window_geometry "$1"
    grab_screen "$WX" "$WY" "$WW" "$WH" "$2"
}

image_size() { convert-im6.q16 "$1" -format '%wx%h' info: 2>/dev/null; }

# same_pixels A B: the two pictures have the same size and every pixel equal.
same_pixels() {
    [ -s "$1" ] && [ -s "$2" ] || return 1
    [ "$(image_size "$1")" = "$(image_size "$2")" ] || return 1
    local differing
    differing=$(compare-im6.q16 -metric AE "$1" "$2" null: 2>&1) || return 1
    [ "$differing" = 0 ]
}

# expect_same WHAT A B: fails with both sizes and the count of differing pixels.
expect_same() {
    same_pixels "$2" "$3" && return 0
    fail "$1: $2 ($(image_size "$2")) differs from $3 ($(image_size "$3")):" \
        "$(compare-im6.q16 -metric AE "$2" "$3" null: 2>&1)"
}

# crop SOURCE W H X Y OUT
crop() { convert-im6.q16 "$1" -crop "$2x$3+$4+$5" +repage "$6"; }

# background COMMAND...: runs a program in the background, without its chatter;
# cleanup ends it by its PID.
background() {
    "$@" >/dev/null 2>&1 &
    BACKGROUND_PIDS+=($!)
    LAST_PID=$!
}

# wait_quietly SECONDS COMMAND...: as wait_until, but only reports whether it happened.
wait_quietly() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}
