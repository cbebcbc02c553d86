#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running vantel need,
# only when some are missing. Works as root or through sudo.
set -euo pipefail
packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev                      # Core, Gui, Widgets, Test, moc and the offscreen platform
    libbenchmark-dev                  # bench/
    xvfb xauth xdotool imagemagick x11-apps x11-utils  # the real window under a bare X server
    fonts-dejavu-core                 # readable captions on a machine without a desktop
    clang libclang-rt-14-dev          # libFuzzer targets
    clang-tidy                        # static checks
    fldigi libhamlib-utils curl       # the real peers of the links, in tests and e2e
    hamradio-files                    # cty.dat, cty.csv, MASTER.SCP: countries and known calls
    trustedqsl                        # LoTW's mode and band list (config.xml), checked against ours
    tlf tmux                          # a contest logger that reads our Cabrillo back, in a terminal
    xlog                              # a logger whose ADIF export the e2e import reads
    nodejs npm                        # an npm ADIF reader reads our ADIF back (scripts/npm-deps.sh)
)
# A package that an installed one provides counts (NodeSource's nodejs brings npm along).
provided() {
    dpkg-query -W -f='${db:Status-Abbrev}|${Provides}\n' 2>/dev/null \
        | grep -E "^ii *\|(.*[ ,])?$1( |,|\$)" >/dev/null  # all read: no SIGPIPE under pipefail
}
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
        || provided "$package" || missing+=("$package")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
