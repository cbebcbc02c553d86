#!/usr/bin/env bash
# The log window with the real vantel: F2 shows it, Enter opens the newest contact,
# a typed call and Enter correct it on disk, Escape gives the keys back to the entry
# window's call field.
# Usage: e2e/logview.sh path/to/vantel
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e/lib.sh
source "$here/lib.sh"
begin "$1"

log="$work/evening.log"
{
    record 1 DL1ABC "07.12.26 18:02" 599 5991 14 PSK31
    record 2 G4XYZ "07.12.26 18:09" 579 5992 14 PSK31
    record 3 OK1ZZ "07.12.26 18:15" 599 5993 14 PSK31
} > "$log"
cp "$log" "$root/before.log"
setting deflog "$log"
setting sent 599
setting recv 599

# wait_record FILE N BYTES: record N of FILE is exactly BYTES, within the time allowed.
wait_record() {
    local deadline=$((SECONDS + E2E_TIMEOUT)) got
    while [ $SECONDS -lt $deadline ]; do
        got=$(tail -c +$((($2 - 1) * 85 + 1)) "$1" | head -c 85)
        [ "$got" = "$3" ] && return 0
        sleep 0.1
    done
    fail "record $2 of $1 is [$got], not [$3]"
}

start_x
start_vantel
keys F2
wait_window '^Log - evening\.log$' >/dev/null
step "F2 in the call field shows the log window"

keys Return
wait_window '^Correct contact 3$' >/dev/null
typed OK1ZY
keys Return
wait_gone '^Correct contact'
wait_record "$log" 3 "$(record 3 OK1ZY "07.12.26 18:15" 599 5993 14 PSK31)"
[ "$(head -c 170 "$log" | od -An -c)" = "$(head -c 170 "$root/before.log" | od -An -c)" ] \
    || fail "records 1 and 2 changed"
[ "$(stat -c %s "$log")" = 255 ] || fail "the logbook changed its length"
[ ! -e "$log.journal" ] || fail "the journal was left behind"
[ "$(xdotool getwindowfocus getwindowname)" = "Log - evening.log" ] \
    || fail "the log window does not have the keys after the correction"
step "F2, Enter, a typed call, Enter: the newest contact corrected on disk, nothing else"

keys Escape
typed DL4DDD
keys Return Tab Tab Tab F1
wait_size "$log" 340
expect_bytes "$log" 255 "4  DL4DDD         "
step "Escape gives the keys back to the call field"

echo "logview: $passed passed, 0 failed"
rm -rf "$root"
