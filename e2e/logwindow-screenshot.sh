#!/usr/bin/env bash
# Makes docs/logwindow.png: the log window under Xvfb on an evening's logbook, shown
# with F2 from the entry window, the newest contact selected.
# Usage: e2e/logwindow-screenshot.sh path/to/vantel [output.png]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e/lib.sh
source "$here/lib.sh"
begin "$1"
out=$(realpath -m "${2:-$here/../docs/logwindow.png}")

{
    record 1 DL1ABC "07.12.26 18:02" 599 5991 14 PSK31 Hans Berlin
    record 2 G4XYZ "07.12.26 18:09" 579 5992 14 PSK31 Bob Leeds
    record 3 OK1ZZ "07.12.26 18:15" 599 5993 14 PSK31 Jan Praha
    record 4 EA7HZ "07.12.26 18:21" 589 5994 14 PSK31 Paco Sevilla
    record 5 IK2WXY "07.12.26 18:30" 599 5995 14 RTTY Marco Milano
    record 6 SM5KLM "07.12.26 18:44" 579 5996 7 PSK31 Lars Uppsala
    record 7 F5ABC "07.12.26 18:51" 599 5997 7 PSK31 Luc Lyon
    record 8 W1AW "07.12.26 19:05" 559 5998 7 CW "" Newington
    record 9 VK3XYZ "07.12.26 19:20" 449 5999 14 PSK31 Bruce Melbourne
    record 10 JA1ABC "07.12.26 19:32" 579 59910 21 PSK31 Taro Tokyo
    record 11 G4ABC "07.12.26 19:40" 599 59911 21 PSK31 Ann Bristol
    record 12 DK9QRS "07.12.26 19:48" 599 59912 21 SSTV Uwe Hamburg
} > "$work/evening.log"
setting deflog "$work/evening.log"
setting sent 599
setting recv 599
setting band 14
setting mode PSK31

start_x
start_vantel
keys F2
id=$(wait_window '^Log - evening\.log$')
sleep 0.5
import -window "$id" "$out"
echo "wrote $out"
