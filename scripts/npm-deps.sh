#!/usr/bin/env bash
# Installs the npm packages the tests read our files back with into PREFIX (a folder of
# the build tree), only when the pinned version is not there yet. Fails when it cannot.
set -euo pipefail
prefix=${1:?usage: npm-deps.sh PREFIX}
packages=(adif-parser-ts@0.7.7)   # an ADIF reader that web loggers use
mkdir -p "$prefix"
exec 9>"$prefix/.lock"            # two test runs on one build tree install once
flock 9
for package in "${packages[@]}"; do
    name=${package%@*} version=${package##*@}
    manifest="$prefix/node_modules/$name/package.json"
    grep -q "\"version\": \"$version\"" "$manifest" 2>/dev/null && continue
    npm install --prefix "$prefix" --prefer-offline --no-audit --no-fund --no-save \
        --loglevel=error "$package" >&2
    grep -q "\"version\": \"$version\"" "$manifest"
done
