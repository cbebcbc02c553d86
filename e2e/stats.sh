#!/usr/bin/env bash
# The statistics window on the real program: Tools → Statistics on a contest day of a few
# hundred generated contacts, a range typed into its fields, the charts saved through the
# real file dialog; then pictures of it at 96 dpi and at twice the size for the README.
# Usage: e2e/stats.sh path/to/vantel [folder for the pictures, default docs/]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e/lib.sh
source "$here/lib.sh"
begin "$1"
pictures_to "${2:-}"

# 297 contacts from 06:00 to 23:59 UTC, the rate rising towards the evening.
calls=(DL1ABC G4XYZ OK1ZZ EA7HZ IK2WXY SM5KLM F5ABC W1AW VE3XY JA1ABC VK3XYZ ZS6AB LU2CD PY2EF
       UA9XX 4X1AB K5ZZ ZL2AB 9A2AA HB9XY OH2AB SP5AB YO3AB LZ1AB CT1AB EI5AB ON4AB PA3AB)
bands=(3.5 7 7 14 14 14 21 21 28)
modes=(CW CW SSB SSB RTTY FT8)
{
    n=0
    for hour in $(seq 6 23); do
        for i in $(seq 1 $((8 + hour - 6))); do
            n=$((n + 1))
            minute=$(((i * 7) % 60))
            call=${calls[$(((n * 7 + hour) % ${#calls[@]}))]}$((n % 10))
            record "$((n % 1000))" "$call" "$(printf '05.12.26 %02d:%02d' "$hour" "$minute")" \
                "599$n" "599$n" "${bands[$(((n + hour) % ${#bands[@]}))]}" "${modes[$((n % ${#modes[@]}))]}" "" ""
        done
    done
} > "$work/contest.log"
records=$(($(stat -c %s "$work/contest.log") / 85))
setting deflog "$work/contest.log"
setting sent 599
setting recv 599
setting band 14
setting mode CW

E2E_SCREEN=2600x1800x24 start_x
start_vantel
keys alt+t s
win=$(wait_window '^Statistics - contest\.log$')
step "Tools, Statistics opens the window on the logbook in use ($records contacts)"

# A range by keyboard: only the afternoon.
keys alt+f
typed "2026-12-05 12:00"
keys Tab
keys alt+t
typed "2026-12-05 17:59"
keys Return
sleep 0.3
keys alt+s
wait_window '^Save the statistics as PNG$' >/dev/null
keys ctrl+a
typed "$work/afternoon.png"
keys Return
wait_gone '^Save the statistics as PNG$'
for _ in $(seq 50); do [ -s "$work/afternoon.png" ] && break; sleep 0.1; done
expect_bytes "$work/afternoon.png" 0 '\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR'
step "a typed range, and the charts saved as PNG through the file dialog"
stop_app

# The pictures: the whole day, at both sizes.
for scale in 1 2; do
    name=$([ "$scale" = 1 ] && echo 96dpi || echo 2x)
    QT_SCALE_FACTOR=$scale start_vantel
    keys alt+t s
    win=$(wait_window '^Statistics - contest\.log$')
    sleep 1 # the country file, read after the window shows
    import -window "$win" "$out/stats-$name.png"
    stop_app
    step "picture at $name: $out/stats-$name.png"
done
