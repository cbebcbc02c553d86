# Helpers for driving the real vantel under a bare X server with xdotool.
# Every wait is bounded; a failed step prints what it waited for and ends the run.

E2E_TIMEOUT=${E2E_TIMEOUT:-15}

# step TEXT: counts a passed step (the caller sets passed=0) and prints it as TAP.
step() { passed=$((passed + 1)); echo "ok $passed - $*"; }

# The six settings files, in the order vantel reads them at start-up.
SETTING_FILES="utc_off band sent recv deflog mode"

# setting FILE VALUE: one of the program's settings files in $work, as it writes them.
setting() {
    printf "\\x08\\x00\\x$(printf %02x ${#2})\\x00%s" "$2" > "$work/$1"
}

# record No Call DateTime Recv Sent Band Mode Name QTH: one 85-byte logbook record.
record() {
    printf '%-3.3s%-15.15s%-15.15s%-8.8s%-8.8s%-4.4s%-7.7s%-10.10s%-15.15s' "$@"
}

fail() {
    echo "FAIL: $*" >&2
    # (No picture before the X server is up.)
    [ -n "${E2E_SHOT_DIR:-}" ] && [ -n "${DISPLAY:-}" ] && import -display "$DISPLAY" -window root "$E2E_SHOT_DIR/failure.png" 2>/dev/null
    exit 1
}

start_x() {
    # Xvfb picks a free display itself and writes its number: no race with other servers.
    # -noreset: a server that resets after its last client (xdpyinfo below) refuses the
    # next one for a moment.
    local fifo number
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -noreset -screen 0 "${E2E_SCREEN:-1024x768x24}" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    XVFB_PID=$!
    read -r -t "$E2E_TIMEOUT" number <"$fifo" || true
    rm -f "$fifo"
    [ -n "$number" ] || fail "no X server could be started"
    export DISPLAY=":$number"
    for _ in $(seq 50); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    fail "the X server on $DISPLAY does not answer"
}

stop_x() {
    if [ -n "${APP_PID:-}" ]; then kill "$APP_PID" 2>/dev/null || true; fi
    if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
    wait 2>/dev/null || true
    return 0
}

# begin BINARY: the start every scenario shares. Sets $bin, a temporary $root holding an
# empty working folder $work (a failure's picture goes to $root) and passed=0. On exit
# at_exit runs, then the program and the X server stop; a passed run removes $root, a
# failed one shows the program's output and keeps $root for a look.
begin() {
    bin=$(realpath "$1")
    root=$(mktemp -d)
    work="$root/work"
    mkdir "$work"
    E2E_SHOT_DIR=$root
    passed=0
    trap 'finish $?' EXIT
}

# at_exit: a scenario's own clean-up (the peers it started); a scenario redefines it.
at_exit() { :; }

finish() {
    at_exit
    stop_x
    if [ "$1" = 0 ]; then
        rm -rf "$root"
    else
        cat "$root/app.log" >&2 2>/dev/null || true
        echo "kept $root" >&2
    fi
}

# pictures_to [FOLDER]: $out, the folder for pictures (default docs/), made if missing.
pictures_to() {
    out=$(realpath -m "${1:-$here/../docs}")
    mkdir -p "$out"
}

# start_vantel: vantel started in $work; $main is its entry window, focused.
start_vantel() {
    start_app "$bin" "$work"
    main=$(wait_window '^vantel - Contest mode$')
}

# stop_app: ends the program started last and waits for it.
stop_app() {
    kill "$APP_PID"
    wait "$APP_PID" 2>/dev/null || true
}

# start_app BINARY FOLDER: starts vantel with FOLDER as its working folder.
start_app() {
    (cd "$2" && exec "$1" >>"$2/../app.log" 2>&1) &
    APP_PID=$!
}

# wait_window REGEX: the id of a visible window whose title matches, focused.
wait_window() {
    local id deadline=$((SECONDS + E2E_TIMEOUT))
    while [ $SECONDS -lt $deadline ]; do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1) || true
        if [ -n "$id" ]; then
            xdotool windowfocus --sync "$id" 2>/dev/null || true
            sleep 0.2
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    fail "no window titled /$1/"
}

# wait_gone REGEX: until no visible window matches.
wait_gone() {
    local deadline=$((SECONDS + E2E_TIMEOUT))
    while [ $SECONDS -lt $deadline ]; do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    fail "window /$1/ did not close"
}

keys() { xdotool key --delay 60 "$@"; sleep 0.15; }

# geometry WINDOW: "x y width height" of a window on the screen.
geometry() {
    local x y w h
    eval "$(xdotool getwindowgeometry --shell "$1" | sed -n 's/^\(X\|Y\|WIDTH\|HEIGHT\)=/\1=/p')"
    x=$X y=$Y w=$WIDTH h=$HEIGHT
    echo "$x $y $w $h"
}
typed() { xdotool type --delay 40 "$1"; sleep 0.15; }

# wait_size FILE BYTES
wait_size() {
    local deadline=$((SECONDS + E2E_TIMEOUT))
    while [ $SECONDS -lt $deadline ]; do
        [ -f "$1" ] && [ "$(stat -c %s "$1")" = "$2" ] && return 0
        sleep 0.1
    done
    fail "$1 is $(stat -c %s "$1" 2>/dev/null || echo missing) bytes, not $2"
}

# expect_bytes FILE OFFSET PRINTF-FORMAT: the bytes at OFFSET are exactly these.
expect_bytes() {
    local want got
    want=$(printf "$3" | od -An -c)
    got=$(tail -c +"$(($2 + 1))" "$1" | head -c "$(printf "$3" | wc -c)" | od -An -c)
    [ "$want" = "$got" ] || fail "$1 at $2: got [$got], want [$want]"
}

# wait_exit SECONDS: the app's exit status.
wait_exit() {
    local deadline=$((SECONDS + $1))
    while [ $SECONDS -lt $deadline ]; do
        if ! kill -0 "$APP_PID" 2>/dev/null; then
            wait "$APP_PID"
            return $?
        fi
        sleep 0.1
    done
    fail "the program did not end"
}
