#!/usr/bin/env bash
# The station line with the real vantel and Debian's country file: a typed call grows the
# window by the station line and the check-partial list, Down, Right and Enter take the
# second known call into the call field and F1 saves it. Pictures of the line and the list
# at 96 dpi and at twice the size go to docs/ (or the folder given).
# Usage: e2e/station.sh path/to/vantel [folder]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e/lib.sh
source "$here/lib.sh"
begin "$1"
pictures_to "${2:-}"
# vantel's own data folder is empty: Debian's hamradio-files are the ones in use.
export XDG_DATA_HOME="$root/data"
mkdir -p "$XDG_DATA_HOME"

[ -f /usr/share/hamradio-files/MASTER.SCP ] || fail "scripts/deps.sh installs hamradio-files"
# The second known call holding DL1A, as check partial lists them (alphabetically).
second=$(grep -v '^#' /usr/share/hamradio-files/MASTER.SCP | grep 'DL1A' | LC_ALL=C sort | sed -n 2p)

log="$work/evening.log"
printf '[station]\ncall=DL0XX\ngrid=JO62QM\n' > "$work/vantel.ini"
setting sent 599
setting recv 599
setting band 21
setting mode PSK31

E2E_SCREEN=2048x1024x24 start_x
for scale in 1 2; do
    name=$([ "$scale" = 1 ] && echo 96dpi || echo 2x)
    {
        record 1 DL1AB "07.12.26 18:02" 599 5991 14 PSK31
        record 2 G4XYZ "07.12.26 18:09" 579 5992 7 CW
    } > "$log"
    setting deflog "$log"
    QT_SCALE_FACTOR=$scale start_vantel
    read -r _ _ _ before < <(geometry "$main")
    typed DL1AB
    deadline=$((SECONDS + E2E_TIMEOUT))
    while read -r _ _ _ now < <(geometry "$main") && [ "$now" -le "$before" ]; do
        [ $SECONDS -lt $deadline ] || fail "the window did not grow by the station line ($before px)"
        sleep 0.1
    done
    sleep 0.5
    import -window "$main" "$out/station-$name.png"
    step "a typed call shows the station line and the check-partial list below the fields ($name)"

    keys BackSpace
    keys Down Right Return F1
    wait_size "$log" 255
    got=$(tail -c +$((2 * 85 + 4)) "$log" | head -c 15 | sed 's/ *$//')
    [ "$got" = "$second" ] || fail "record 3 holds the call [$got], not the list's second [$second]"
    deadline=$((SECONDS + E2E_TIMEOUT))
    while read -r _ _ _ now < <(geometry "$main") && [ "$now" -ne "$before" ]; do
        [ $SECONDS -lt $deadline ] || fail "the window kept the station rows after the save ($now px, not $before)"
        sleep 0.1
    done
    step "Down, Right, Enter take the second known call ($second) into the call field; F1 saves it ($name)"
    stop_app
done
echo "wrote $out/station-96dpi.png, station-2x.png"
