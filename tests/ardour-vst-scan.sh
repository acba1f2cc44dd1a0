#!/bin/sh
# Runs Ardour's VST 2.4 scanner on the plug-in and checks what it reports:
# name, vendor, unique ID, 2 in / 2 out and the effect category.
set -u
plugin="$1"
scanner=/usr/lib/ardour7/ardour-vst-scanner
if [ ! -x "$scanner" ]; then
    echo "skipped: Ardour 7 is not installed ($scanner missing; the set-up command installs it)"
    exit 77
fi

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
HOME="$home" XDG_CACHE_HOME="$home/cache" LD_LIBRARY_PATH=/usr/lib/ardour7 "$scanner" -f "$plugin" || {
    echo "FAIL: scanner exited with $?"
    exit 1
}

cache=$(find "$home" -name '*.v2i' | head -n 1)
if [ -z "$cache" ]; then
    echo "FAIL: the scanner wrote no cache entry"
    exit 1
fi
cat "$cache"

status=0
for expected in 'id="1481330753"' 'name="Vantoril"' 'creator="ZAZuziza"' 'category="Effect"' \
    'n_inputs="2"' 'n_outputs="2"' 'n_midi_inputs="0"' 'is_instrument="0"' 'can_process_replace="1"'; do
    if ! grep -q "$expected" "$cache"; then
        echo "FAIL: expected $expected"
        status=1
    fi
done
exit $status
