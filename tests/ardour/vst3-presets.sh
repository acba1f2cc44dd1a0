#!/bin/sh
# Chooses every factory preset of the VST3 build in Ardour 7 the way its preset
# menu does and checks that Ardour then shows the preset's values (within
# 1e-6) and does not hang. Needs Ardour 7 (ardour7-lua) and root: Ardour only
# finds VST3 plug-ins and presets in the system folders, where this test puts
# them for its run and removes them afterwards.
set -u
artefacts="$1"
render="$2"
presets="$3"
company="$4"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/system-folders.sh"
skip_unless_ardour_as_root ardour7-lua

work=$(mktemp -d)
preset_folder="/usr/share/vst3/presets/$company/Vantoril"
cleanup() {
    rm -rf "$work" /usr/lib/vst3/Vantoril.vst3 "$preset_folder"
    rmdir "/usr/share/vst3/presets/$company" /usr/share/vst3/presets /usr/share/vst3 /usr/lib/vst3 2>/dev/null
}
trap cleanup EXIT
export HOME="$work/home"
mkdir -p "$HOME" "$preset_folder"
cp "$presets"/*.vstpreset "$preset_folder/"
install_for_ardour VST3 "$artefacts"

names=$("$render" --list-presets | awk '{ sub(/  +.*/, ""); print }')
PRESETS=$(printf '%s\n' "$names" | paste -sd ';')
export PRESETS
# Ardour 7.3 crashes now and then even without plug-ins: up to three tries;
# a hang (the whole run takes seconds) fails at once.
for attempt in 1 2 3; do
    rm -rf "$work/s"
    SESSION_DIR="$work/s" timeout 90 ardour7-lua "$here/load_presets.lua" >"$work/lua.log" 2>&1
    result=$?
    grep -q "presets done" "$work/lua.log" && break
    if [ "$result" -eq 124 ]; then
        echo "FAIL: Ardour hung while loading presets; the last it printed:"
        tail -n 3 "$work/lua.log"
        exit 1
    fi
done
if ! grep -q "presets done" "$work/lua.log"; then
    echo "FAIL: Ardour did not load every preset:"
    tail -n 5 "$work/lua.log"
    exit 1
fi

status=0
printf '%s\n' "$names" >"$work/names"
while IFS= read -r name; do
    shown=$(grep "^preset $name|" "$work/lua.log" | cut -d'|' -f2)
    expected=$("$render" --preset "$name" --print | awk '{ printf "%s ", $2 }')
    if python3 -c "
import sys
shown, expected = [float(v) for v in sys.argv[1].split()], [float(v) for v in sys.argv[2].split()]
sys.exit(0 if len(shown) == 10 and all(abs(a - b) <= 1e-6 for a, b in zip(shown, expected)) else 1)
" "$shown" "$expected"; then
        echo "$name: Ardour shows the preset's values"
    else
        echo "FAIL: $name: Ardour shows [$shown], the preset is [$expected]"
        status=1
    fi
done <"$work/names"
exit $status
