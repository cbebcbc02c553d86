#!/usr/bin/env bash
# Makes docs/screenshot.png: vantel under Xvfb on a logbook of a few contacts, with a
# new call sign checked and the date/time filled in.
# Usage: e2e/screenshot.sh path/to/vantel [output.png]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e/lib.sh
source "$here/lib.sh"
bin=$(realpath "$1")
out=$(realpath -m "${2:-$here/../docs/screenshot.png}")
root=$(mktemp -d)
trap 'stop_x; cat "$root/app.log" >&2 2>/dev/null; rm -rf "$root"' EXIT
work="$root/work"
mkdir "$work"

setting() { # FILE VALUE
    printf "\\x08\\x00\\x$(printf %02x ${#2})\\x00%s" "$2" > "$work/$1"
}
record() { # No Call DateTime Recv Sent Band Mode Name QTH
    printf '%-3.3s%-15.15s%-15.15s%-8.8s%-8.8s%-4.4s%-7.7s%-10.10s%-15.15s' "$@"
}
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

start_x
start_app "$bin" "$work"
id=$(wait_window '^vantel - Contest mode$')
typed 9A2AA
keys Return Tab
sleep 0.5
import -window "$id" "$out"
echo "wrote $out"
