#!/bin/sh
# The committed pictures are exactly what the generator draws: runs it into a
# fresh folder and compares every PNG byte for byte.
set -u
generator="$1"
resources="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$generator" "$work" >/dev/null || { echo "FAIL: the generator failed"; exit 1; }
status=0
for drawn in "$work"/*.png; do
    name=$(basename "$drawn")
    if ! cmp -s "$drawn" "$resources/$name"; then
        echo "FAIL: $name differs from what the generator draws (cmake --build build --target artwork)"
        status=1
    fi
done
[ "$(ls "$work"/*.png | wc -l)" -eq 18 ] || { echo "FAIL: expected 18 pictures"; status=1; }
exit $status
