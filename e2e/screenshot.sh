#!/usr/bin/env bash
# Makes the pictures in docs/: the entry window (a new call sign checked, the date filled
# in) and the conversion window, at 96 dpi and at twice the size (QT_SCALE_FACTOR=2, as on
# a high-density screen).
# Usage: e2e/screenshot.sh path/to/vantel [folder]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e/lib.sh
source "$here/lib.sh"
begin "$1"
pictures_to "${2:-}"

{
    record 1 DL1ABC "07.12.26 18:02" 599 5991 14 PSK31 Hans Berlin
    record 2 G4XYZ "07.12.26 18:09" 579 5992 14 PSK31 Bob Leeds
    record 3 OK1ZZ "07.12.26 18:15" 599 5993 14 PSK31 Jan Praha
} > "$work/evening.log"
setting deflog "$work/evening.log"
setting sent 599
setting recv 599
setting band 14
setting mode PSK31

E2E_SCREEN=2048x1024x24 start_x
for scale in 1 2; do
    name=$([ "$scale" = 1 ] && echo 96dpi || echo 2x)
    QT_SCALE_FACTOR=$scale start_vantel
    typed 9A2AA
    keys Return Tab
    sleep 0.5
    import -window "$main" "$out/main-$name.png"
    keys alt+c
    conv=$(wait_window '^Logfile Convertion$')
    typed "$work/evening.log"
    keys Tab Tab
    typed "$work/evening.txt"
    keys Tab Tab Tab Tab space
    sleep 0.5
    import -window "$conv" "$out/conversion-$name.png"
    stop_app
done
cp "$out/main-96dpi.png" "$out/screenshot.png"
echo "wrote $out/main-96dpi.png, main-2x.png, conversion-96dpi.png, conversion-2x.png"
