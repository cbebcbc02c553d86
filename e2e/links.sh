#!/usr/bin/env bash
# vantel beside its three peers, all real: fldigi (headless) for F3, rigctld's dummy
# rig for the band and mode fills, and WSJT-X's own datagrams for a logged contact.
# Every record is checked byte for byte on disk.
# Usage: e2e/links.sh path/to/vantel
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e/lib.sh
source "$here/lib.sh"
begin "$1"
mkdir "$root/fldigi"
at_exit() {
    for pid in ${FLDIGI_PID:-} ${RIGCTLD_PID:-}; do kill "$pid" 2>/dev/null || true; done
}

# A TCP port nobody listens on (good enough for a UDP port too).
free_port() {
    local port
    while :; do
        port=$((20000 + RANDOM % 30000))
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
    done
}
rpc() { # METHOD [PARAM-XML]: the first value fldigi answers
    curl -s -m 3 -H 'Content-Type: text/xml' --data \
        "<?xml version=\"1.0\"?><methodCall><methodName>$1</methodName><params>${2:-}</params></methodCall>" \
        "http://127.0.0.1:$fldigi_port/RPC2" | sed -n 's:.*<value>\(<[a-z]*>\)\{0,1\}\([^<]*\).*:\2:p'
}
str() { echo "<param><value><string>$1</string></value></param>"; }
golden() { # TYPE: a datagram a real WSJT-X 2.6.1 sent, as bytes
    local hex
    hex=$(grep "\"type\": $1," "$here/../tests/data/wsjtx-2.6.1-datagrams.jsonl" \
        | sed -E 's/.*"hex": "([0-9a-f]+)".*/\1/')
    printf "$(sed 's/../\\x&/g' <<<"$hex")"
}

start_x

fldigi_port=$(free_port)
printf '<FLDIGI_DEFS>\n</FLDIGI_DEFS>\n' > "$root/fldigi/fldigi_def.xml"
fldigi --config-dir "$root/fldigi" --home-dir "$root/fldigi" --xmlrpc-server-port "$fldigi_port" \
    --arq-server-port "$(free_port)" >/dev/null 2>&1 &
FLDIGI_PID=$!
rig_port=$(free_port)
rigctld -m 1 -T 127.0.0.1 -t "$rig_port" >/dev/null 2>&1 &
RIGCTLD_PID=$!
for _ in $(seq 150); do [ -n "$(rpc fldigi.version)" ] && break; sleep 0.2; done
[ -n "$(rpc fldigi.version)" ] || fail "fldigi does not answer on $fldigi_port"
rigctl -m 2 -r "127.0.0.1:$rig_port" F 7040000 M USB 0 || fail "rigctld does not answer on $rig_port"
# The modem first: a change of modem puts fldigi's reports back to 599.
rpc modem.set_by_name "$(str BPSK31)" >/dev/null
rpc main.set_frequency "<param><value><double>14070000</double></value></param>" >/dev/null
rpc log.set_call "$(str g4xyz)" >/dev/null
rpc log.set_name "$(str Bob)" >/dev/null
rpc log.set_qth "$(str Leeds)" >/dev/null
rpc log.set_rst_in "$(str 579)" >/dev/null
rpc log.set_rst_out "$(str 559)" >/dev/null
[ "$(rpc log.get_rst_out)" = 559 ] || fail "fldigi did not take the reports"
step "fldigi and rigctld answer on ports of their own"

wsjtx_port=$(free_port)
log="$work/evening.log"
: > "$log"
setting deflog "$log"
setting sent 599
setting recv 599
setting band 14
setting mode PSK31
cat > "$work/vantel.ini" <<INI
[fldigi]
enabled=true
port=$fldigi_port
[rig]
enabled=true
port=$rig_port
[wsjtx]
enabled=true
port=$wsjtx_port
INI
start_vantel
keys alt+s Return
main=$(wait_window '^vantel - QSO mode$')
sleep 0.5
step "vantel starts with the three links on, contest mode turned off"

# Arriving in date/time takes band and mode from the rig: 7 MHz, USB as SSB.
typed DL1AAA
keys Tab Tab Tab F1
wait_size "$log" 85
expect_bytes "$log" 0 '1  DL1AAA         '
expect_bytes "$log" 33 '599     599     7   SSB    '
step "the band and mode fill comes from the rig"

# F3 takes the contact from fldigi into the fields, as if typed; F1 saves it.
keys Tab F3
sleep 1
keys F1
wait_size "$log" 170
expect_bytes "$log" 85 '2  G4XYZ          '
expect_bytes "$log" 118 '579     559     14  PSK31  Bob       Leeds          '
step "F3 takes call, reports, band, mode, name and QTH from fldigi"

# A burst of decodes all at once (they pile up while the window is busy) must not leave
# the link deaf to the contact that follows. One "Decode" (type 2) built to the
# published format: CQ K1AB0 FN42 at -10 dB.
decode='adbccbda00000002000000020000000657534a542d580101c9c380fffffff63fb999999999999a'
decode+='000004d2000000017e0000000d4351204b3141423020464e34320000'
decode=$(sed 's/../\\x&/g' <<<"$decode")
golden 0 > "/dev/udp/127.0.0.1/$wsjtx_port"
golden 1 > "/dev/udp/127.0.0.1/$wsjtx_port"
sleep 0.3
exec 3>"/dev/udp/127.0.0.1/$wsjtx_port"
for _ in $(seq 150); do printf "$decode" >&3; done
exec 3>&-
sleep 1

# WSJT-X logs a contact: QSO Logged, then Logged ADIF, saved once as the next record.
golden 5 > "/dev/udp/127.0.0.1/$wsjtx_port"
golden 12 > "/dev/udp/127.0.0.1/$wsjtx_port"
wait_size "$log" 255
expect_bytes "$log" 170 '3  DL1ABC         07.12.26 08:08                 14  FT8              JO62           '
sleep 1.5
[ "$(stat -c %s "$log")" = 255 ] || fail "the contact from WSJT-X was saved twice"
step "after a burst of 150 datagrams, a contact from WSJT-X is saved once, byte for byte"

# The window goes on: the next contact is number 4.
xdotool windowfocus --sync "$main"
typed OK1CCC
keys F1
wait_size "$log" 340
expect_bytes "$log" 255 '4  OK1CCC         '
step "the next typed contact follows as number 4"
echo "links: $passed passed"
