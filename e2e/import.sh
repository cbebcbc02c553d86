#!/usr/bin/env bash
# File → Import ADIF... with the real binary under Xvfb, on what a real program wrote: xlog
# (Debian's, started here on a fresh home) imports an ADIF of three awkward contacts
# (portable calls, 6 m and 2 m, FT8 as MFSK/FT8 and PSK31 as PSK/PSK31, contest serials,
# accents, a grid) and exports them again; vantel imports xlog's export through the window,
# the summary confirmed with Enter, and the logbook's bytes are checked; the next contact
# saved with F1 gets the next number and exchange, and the same file again adds nothing.
# Usage: e2e/import.sh path/to/vantel [summary.png]   (with a PNG: a picture of the summary)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e/lib.sh
source "$here/lib.sh"
begin "$1"
shot=${2:+$(realpath -m "$2")}
export LC_ALL=C
log="$work/evening.log"

{
    record 1 DL1ABC "07.12.26 18:02" 599 5991 14 PSK31 Hans Berlin
    record 2 G4XYZ "07.12.26 18:09" 579 5992 14 PSK31 Bob Leeds
    record 3 OK1ZZ "07.12.26 18:15" 599 5993 14 PSK31 Jan Praha
} > "$log"
setting deflog "$log"
setting sent 599
setting recv 599
setting band 14
setting mode PSK31
cat > "$root/peer.adi" <<'ADIF'
<ADIF_VER:5>3.1.1
<EOH>
<CALL:8>DL1ABC/P <QSO_DATE:8>20240309 <TIME_ON:6>184259 <BAND:2>6m <FREQ:6>50.313 <MODE:4>MFSK <SUBMODE:3>FT8 <RST_SENT:3>-05 <RST_RCVD:3>-12 <NAME:8>Jérôme <QTH:7>Zürich <GRIDSQUARE:6>JN47pi <EOR>
<CALL:5>G4XYZ <QSO_DATE:8>20240310 <TIME_ON:4>0915 <BAND:2>2m <FREQ:7>144.300 <MODE:2>CW <RST_SENT:3>599 <STX:3>007 <RST_RCVD:3>579 <SRX:2>12 <NAME:4>Anne <EOR>
<CALL:9>OH2/K1ABC <QSO_DATE:8>20240311 <TIME_ON:4>2001 <BAND:3>40m <FREQ:5>7.040 <MODE:3>PSK <SUBMODE:5>PSK31 <NAME:7>Jürgen <GRIDSQUARE:4>KP20 <EOR>
ADIF

start_x

# xlog: Log → Import (its assistant: Forward, Open, the file, Forward to Apply), then
# Log → Export (Ctrl+E, "adif v3") into $work/xlog.adi. The assistant's buttons take no
# keys without a window manager: they are clicked where they stand in its window.
mkdir "$root/home"
(cd "$root" && HOME="$root/home" LC_ALL=C.UTF-8 exec xlog >>"$root/xlog.log" 2>&1) &
XLOG_PID=$!
at_exit() { kill "$XLOG_PID" 2>/dev/null || true; }
keys_to() { xdotool windowfocus --sync "$1" key --delay 60 "${@:2}"; sleep 0.3; }
keys_to "$(wait_window '^xlog - setup$')" Return
xlog=$(wait_window '^xlog$')
keys_to "$xlog" ctrl+i
assistant=$(wait_window '^xlog - import$')
press() { xdotool mousemove --window "$assistant" "$1" "$2" click 1; sleep 0.5; }
press 412 149 # Forward
press 312 90  # Open
chooser=$(wait_window '^xlog - select a log for import$')
keys_to "$chooser" ctrl+l
typed "$root/peer.adi"
keys Return
wait_gone '^xlog - select a log for import$'
for _ in 1 2 3 4; do press 412 149; done # Forward, Forward, Forward, Apply
wait_gone '^xlog - import$'
keys_to "$xlog" ctrl+e
wait_window '^xlog - export$' >/dev/null
typed "$work/xlog.adi"
keys Return
wait_gone '^xlog - export$'
[ -s "$work/xlog.adi" ] || fail "xlog exported nothing"
head -n 1 "$work/xlog.adi" | grep -q '^ADIF Export from xlog' || fail "not xlog's export: $(head -c 200 "$work/xlog.adi")"
kill "$XLOG_PID"
step "xlog imported the awkward ADIF and exported it again"

start_vantel
keys alt+f i
wait_window '^Choose an ADIF file to import$' >/dev/null
typed "$work/xlog.adi"
keys Return
summary=$(wait_window '^Import ADIF - xlog\.adi$')
step "File → Import ADIF... asks for the file, then shows the summary"
sleep 0.5
[ -n "$shot" ] && import -window "$summary" "$shot"
keys Return
wait_window '^Import ADIF$' >/dev/null
keys Return
wait_size "$log" $((6 * 85))
# xlog keeps FREQ (50.313 → 50.3), not BAND; it drops the serials (STX, SRX) and writes
# FT8 as a MODE of its own.
expect_bytes "$log" $((3 * 85)) '4  DL1ABC/P       09.03.24 18:42 -12     -05     50.3FT8    J\xe9r\xf4me    Z\xfcrich         '
expect_bytes "$log" $((4 * 85)) '5  G4XYZ          10.03.24 09:15 579     599     144 CW     Anne                     '
expect_bytes "$log" $((5 * 85)) '6  OH2/K1ABC      11.03.24 20:01                 7   PSK31  J\xfcrgen    KP20           '
step "Enter imports xlog's three contacts as records 4 to 6, byte for byte"

wait_gone '^Import ADIF'
xdotool windowfocus --sync "$main"
typed OH1AA
keys Return Tab Tab Tab F1
wait_size "$log" $((7 * 85))
expect_bytes "$log" $((6 * 85)) '7  OH1AA          '
expect_bytes "$log" $((6 * 85 + 33)) '599     5997    '
step "the next contact is number 7 and sends 5997"

xdotool windowfocus --sync "$main"
keys alt+f i
wait_window '^Choose an ADIF file to import$' >/dev/null
typed "$work/xlog.adi"
keys Return
wait_window '^Import ADIF$' >/dev/null
keys Return
wait_gone '^Import ADIF'
[ "$(stat -c %s "$log")" = $((7 * 85)) ] || fail "the second import wrote to the logbook"
step "the same file again adds nothing"
echo "1..$passed"
