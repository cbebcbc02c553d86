#!/usr/bin/env bash
# Fails when a library of ours holds a mutable object at namespace scope: every piece of
# state belongs to an object someone owns (the logbook session, a window, a link).
# Reads the symbol tables of build/<preset>/**/libvantel_*.a. Writable data is what lies
# in .bss, .data, .data.rel(.local) or thread-local sections; .data.rel.ro, where -fPIC puts
# constant tables that hold pointers (nm shows those as "d" too), is read-only once loaded.
# Left out: what moc and the compiler make (static meta-objects, meta-type arrays, guard
# variables, AddressSanitizer's one-definition markers "__odr_asan.X", which stand beside
# an X that is checked itself) and function-local statics (lazily built constant tables).
set -euo pipefail
build=${1:?usage: check-globals.sh BUILD_DIR}
mapfile -t libs < <(find "$build" -name 'libvantel_*.a' | sort)
if [ "${#libs[@]}" -eq 0 ]; then
    echo "check-globals: no libvantel_*.a under $build" >&2
    exit 1
fi
# The one allowed: the test seam through which tests make a system call fail.
allowed='^storage::hooks::beforeCall$'
found=$(for lib in "${libs[@]}"; do
    # objdump -t: address, flags, section, then a tab, the size and the name.
    objdump -t -C "$lib" | awk -v lib="${lib#"$build"/}" -F '\t' '
        {
            split($1, head, /[ ]+/); section = head[length(head)]
            if ($1 !~ / O / || section !~ /^(\.bss|\.data|\.data\.rel|\.data\.rel\.local|\.tbss|\.tdata)(\..+)?$/ \
                || section ~ /^\.data\.rel\.ro/ || section ~ /DW\.ref\./)
                next
            name = $2; sub(/^[0-9a-f]+ +/, "", name); sub(/^\.hidden /, "", name)
            print lib ": " section " " name
        }'
done | grep -v -e 'staticMetaObject' -e 'qt_incomplete_metaTypeArray' -e 'qt_meta_' \
               -e 'guard variable for' -e 'QtPrivate::' -e ' __odr_asan\.' \
     | sed 's/(anonymous namespace)/{anonymous}/g' | grep -v ')::' \
     | grep -v -E ": [^ ]+ ${allowed#^}" || true)
if [ -n "$found" ]; then
    echo "check-globals: mutable objects at namespace scope (give them an owner):" >&2
    echo "$found" >&2
    exit 1
fi
echo "check-globals: ${#libs[@]} libraries, no mutable namespace-scope objects"
