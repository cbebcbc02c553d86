#!/usr/bin/env bash
# One operator's evening with the real vantel: first start, a new logbook through the
# real file dialog, defaults through the real input boxes, three contacts and a
# duplicate, a restart, a listing through the conversion window, and Exit.
# Usage: e2e/operator.sh path/to/vantel
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e/lib.sh
source "$here/lib.sh"
begin "$1"

le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8)); }

start_x

# First start in an empty folder.
start_vantel
for f in $SETTING_FILES; do
    [ -f "$work/$f" ] && [ ! -s "$work/$f" ] || fail "settings file $f should exist, empty"
done
step "first start: six empty settings files, contest caption"

# A new logbook through the real save dialog; the extension is added.
keys alt+f
keys c
wait_window '^Create a new logbook$' >/dev/null
typed "$work/contest"
keys Return
wait_gone '^Create a new logbook$'
log="$work/contest.log"
wait_size "$log" 0
expect_bytes "$work/deflog" 0 "\\x08\\x00$(le16 ${#log})$log"
step "create a logbook through the file dialog"

# Defaults through the real input boxes (the Default menu opens on its first item).
xdotool windowfocus --sync "$main"
keys alt+d Down Down Return
wait_window '^Sent$' >/dev/null
typed 599
keys Return
wait_gone '^Sent$'
xdotool windowfocus --sync "$main"
keys alt+d Down Down Down Return
wait_window '^Recv$' >/dev/null
typed 599
keys Return
wait_gone '^Recv$'
wait_size "$work/sent" 7
expect_bytes "$work/sent" 0 '\x08\x00\x03\x00599'
expect_bytes "$work/recv" 0 '\x08\x00\x03\x00599'
step "set Sent and Recv through input boxes"

# Three contacts the way an operator logs them.
xdotool windowfocus --sync "$main"
n=0
for call in DL1AAA G4BBB OK1CCC; do
    n=$((n + 1))
    typed "$call"
    keys Return Tab Tab Tab F1
    wait_size "$log" $((n * 85))
    off=$(((n - 1) * 85))
    expect_bytes "$log" $off "$(printf '%-3s%-15s' $n $call)"
    expect_bytes "$log" $((off + 33)) "$(printf '%-8s%-8s' 599 599$n)"
    stamp=$(tail -c +$((off + 19)) "$log" | head -c 15)
    [[ "$stamp" =~ ^[0-3][0-9]\.[01][0-9]\.[0-9]{2}\ [0-2][0-9]:[0-5][0-9]\ $ ]] \
        || fail "date/time field '$stamp'"
done
step "three contacts logged with call, Enter, Tab x3, F1"

typed g4bbb
keys Return
box=$(wait_window '^vantel$')
# The box leaves the window in sight: the earlier contact's band and mode stay readable.
read -r mx my mw mh < <(geometry "$main")
read -r bx by bw bh < <(geometry "$box")
if [ $((bx < mx + mw && mx < bx + bw && by < my + mh && my < by + bh)) = 1 ]; then
    fail "the Duplicate box ($bx,$by ${bw}x$bh) covers the window ($mx,$my ${mw}x$mh)"
fi
keys Return
wait_gone '^vantel$'
wait_size "$log" 255
step "a duplicate typed in small letters shows the Duplicate box beside the window; Enter closes it"

# Exit with Yes, start again: the same logbook, the next number.
xdotool windowfocus --sync "$main"
keys alt+f x
wait_window '^Exit$' >/dev/null
keys Return
wait_exit 10 || fail "exit status $?"
start_vantel
typed DL4DDD
keys Return Tab Tab Tab F1
wait_size "$log" 340
expect_bytes "$log" 255 "4  DL4DDD         "
step "restart reopens the logbook and saves record 4"

# The conversion window with its real dialogs and the title ticked.
keys alt+c
wait_window '^Logfile Convertion$' >/dev/null
keys Tab space
wait_window '^Source Logfile$' >/dev/null
typed "$log"
keys Return
wait_gone '^Source Logfile$'
conv=$(wait_window '^Logfile Convertion$')
keys Tab Tab space
wait_window '^Destination Logfile$' >/dev/null
typed "$work/listing"
keys Return
wait_gone '^Destination Logfile$'
xdotool windowfocus --sync "$conv"
keys Tab Tab Tab space shift+Tab shift+Tab space
listing="$work/listing.txt"
wait_size "$listing" $((76 + 87 + 4 * 88))
# The conversion ends without a box: the window stays as it was.
sleep 0.5
if xdotool search --onlyvisible --name '^vantel$' >/dev/null 2>&1; then fail "a box came up after the conversion"; fi
xdotool windowfocus --sync "$conv"
expect_bytes "$listing" 0 'Nr CallSign       Date/Time(UTC) Band Mode  Sent    Recv    Name      QTH\r\r\n'
expect_bytes "$listing" 76 "$(printf '=%.0s' $(seq 85))\\r\\n"
expect_bytes "$listing" 163 "$(printf '%-3s%-15s' 1 DL1AAA)"
expect_bytes "$listing" $((163 + 44)) '5991    599     '
expect_bytes "$listing" $((163 + 85)) '\r\r\n'
keys Tab space
wait_gone '^Logfile Convertion$'
step "conversion window appends the listing"

# Exit: No keeps the program, Yes ends it with status 0.
xdotool windowfocus --sync "$main"
keys alt+f x
wait_window '^Exit$' >/dev/null
keys Escape
wait_gone '^Exit$'
kill -0 "$APP_PID" 2>/dev/null || fail "No ended the program"
xdotool windowfocus --sync "$main"
keys alt+f x
wait_window '^Exit$' >/dev/null
keys Return
status=0
wait_exit 10 || status=$?
[ "$status" = 0 ] || fail "exit status $status"
step "Exit answered No, then Yes: status 0"

echo "operator: $passed passed, 0 failed"
rm -rf "$root"
