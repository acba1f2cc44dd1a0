#!/bin/sh
# Renders the same input with the same settings through the VST 2.4, VST3 and
# LV2 builds in Ardour 7 and through the processor directly, and checks that
# all four agree. Needs Ardour 7 (ardour7-lua, ardour7-export) and root: Ardour
# only finds VST plug-ins in the system folders, where this test puts the build
# for its run and removes it afterwards.
set -u
artefacts="$1"
render="$2"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/system-folders.sh"
skip_unless_ardour_as_root ardour7-lua ardour7-export

work=$(mktemp -d)
[ -n "${KEEP:-}" ] && echo "work folder: $work"
cleanup() {
    [ -n "${KEEP:-}" ] || rm -rf "$work"
    rm -rf /usr/lib/vst/libVantoril.so /usr/lib/vst3/Vantoril.vst3
    rmdir /usr/lib/vst /usr/lib/vst3 2>/dev/null
}
trap cleanup EXIT
export HOME="$work/home"
mkdir -p "$HOME/.lv2"
install_for_ardour VST "$artefacts"
install_for_ardour VST3 "$artefacts"
cp -r "$artefacts/LV2/Vantoril.lv2" "$HOME/.lv2/"
export LV2_PATH="$HOME/.lv2"

# Input: the demo material as 32-bit float. Settings: compression clearly active,
# hard knee, low cut on, drive, level and mix away from their defaults.
"$render" --demo "$work/demo" >/dev/null || exit 1
"$render" --float --set Bypass=on "$work/demo/demo-in.wav" "$work/in.wav" || exit 1
# LV2 hosts set the parameters in their units; the renderer gives the
# normalised values the other formats take for the same settings.
export LV2_SETTINGS="10 200 -30 4 0 158 60 3 80 0"
set -- $LV2_SETTINGS
sets="--set Attack=${1}ms --set Release=${2}ms --set Threshold=${3}dB --set Ratio=${4}:1 --set Knee=$5
      --set LowCut=${6}Hz --set Drive=${7}% --set Level=${8}dB --set Mix=${9}% --set Bypass=${10}"
# shellcheck disable=SC2086
SETTINGS=$("$render" $sets --print | awk '{ printf "%s ", $2 }') || exit 1
export SETTINGS
echo "settings: $SETTINGS"
# Ardour runs the plug-in on silence from the moment it is inserted until the
# export starts, so the direct rendering gets ten seconds of silence first; by
# then every detector and filter has settled where Ardour leaves them.
python3 -c "
import sys; sys.path.insert(0, '$here')
from compare_wav import read, write_float
channels, values = read('$work/in.wav')
write_float('$work/padded.wav', channels, 48000, [0.0] * (channels * 480000) + list(values))
" || exit 1
# shellcheck disable=SC2086
"$render" --float $sets "$work/padded.wav" "$work/direct.wav" || exit 1

status=0
for kind in ${FORMATS:-LXVST VST3 LV2}; do
    out="$work/$kind.wav"
    # Ardour 7.3 crashes now and then even without plug-ins: up to three tries,
    # judged by the exported file.
    for attempt in 1 2 3; do
        rm -rf "$work/s-$kind" "$out"
        SESSION_DIR="$work/s-$kind" SESSION_NAME="s" PLUGIN_TYPE="$kind" \
            timeout 120 ardour7-lua "$here/make_session.lua" >"$work/lua-$kind.log" 2>&1
        grep -q "session ready" "$work/lua-$kind.log" || continue
        python3 "$here/add_region.py" "$work/s-$kind" s "$work/in.wav" || continue
        timeout 90 ardour7-export -s 48000 -b float -o "$out" "$work/s-$kind" s >"$work/export-$kind.log" 2>&1
        # A hung export can leave a header without samples: only a complete file counts.
        [ -f "$out" ] && [ "$(stat -c %s "$out")" -ge "$(stat -c %s "$work/in.wav")" ] && break
    done
    if [ ! -f "$out" ] || [ "$(stat -c %s "$out")" -lt "$(stat -c %s "$work/in.wav")" ]; then
        echo "FAIL: $kind: no export after three tries"
        tail -n 5 "$work/lua-$kind.log" "$work/export-$kind.log" 2>/dev/null
        status=1
        continue
    fi
    printf '%s: ' "$kind"
    python3 "$here/compare_wav.py" "$work/direct.wav" "$out" "${TOLERANCE:-0}" 480000 || status=1
done
exit $status
