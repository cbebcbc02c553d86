#!/usr/bin/env bash
# A short contest with the real vantel: CQ WPX chosen under Setup → Contest rules...
# (kept in vantel.ini), Contest ticked off and on again, three contacts logged with F1,
# and after each one the score and rate row under the status line is seen to change; a
# fourth contact's report without its serial is marked. That last state is the README's picture (docs/contest.png, with a second argument).
# Usage: e2e/contest.sh path/to/vantel [screenshot.png]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e/lib.sh
source "$here/lib.sh"
begin "$1"
shot=${2:+$(realpath -m "$2")}

: > "$work/contest.log"
setting deflog "$work/contest.log"
setting sent 599
setting recv 599
setting band 14
setting mode CW
setting utc_off 0
printf '[station]\ncall=DL1ABC\n' > "$work/vantel.ini"

# The row is the window's last line: its bottom 26 pixels.
row_shot() {
    local x y w h
    read -r x y w h < <(geometry "$main")
    import -window "$main" -crop "${w}x26+0+$((h - 26))" +repage "$1"
}
height() { geometry "$main" | cut -d' ' -f4; }
changed() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 || true)" != 0 ]; }

start_x
TZ=UTC start_vantel
plain=$(height)

# Setup → Contest rules...: the contest by its first letters, the session from now.
keys alt+s t
wait_window '^Contest rules$' >/dev/null
typed CQ-WPX-C
keys Return
wait_gone '^Contest rules$'
grep -q '^name=CQ-WPX-CW$' "$work/vantel.ini" || fail "vantel.ini: $(cat "$work/vantel.ini")"
xdotool windowfocus --sync "$main"
sleep 0.3
[ "$(height)" -gt "$plain" ] || fail "no contest row: the window is $(height) high"
step "Setup, Contest rules: CQ-WPX-CW kept in vantel.ini, the score row shown"

# Contest off hides the row, on shows it again.
keys alt+s Return
wait_window '^vantel - QSO mode$' >/dev/null
sleep 0.3
[ "$(height)" = "$plain" ] || fail "the row stayed in QSO mode"
keys alt+s Return
wait_window '^vantel - Contest mode$' >/dev/null
sleep 0.3
[ "$(height)" -gt "$plain" ] || fail "the row did not come back"
step "Contest ticked off and on: the row goes and comes back"

row_shot "$root/row0.png"
n=0
for contact in "W1AW 17" "JA1XYZ 5" "DL2XX 204"; do
    set -- $contact
    n=$((n + 1))
    typed "$1"
    keys Tab Tab
    typed "$2"
    keys F1
    wait_size "$work/contest.log" $((n * 85))
    sleep 0.3
    row_shot "$root/row$n.png"
    changed "$root/row$((n - 1)).png" "$root/row$n.png" || fail "the score row did not change after contact $n"
done
expect_bytes "$work/contest.log" $((85 + 3)) 'JA1XYZ         '
step "three contacts with F1: the score and rate row changes after each"

# A fourth call with the report alone: the received report is marked before F1.
typed OH2ABC
keys Tab Tab
sleep 0.3
row_shot "$root/mark.png"
changed "$root/row3.png" "$root/mark.png" || fail "no mark for a report without its serial"
step "a report without its serial is marked before F1"

if [ -n "$shot" ]; then
    import -window "$main" "$shot"
    echo "wrote $shot"
fi
