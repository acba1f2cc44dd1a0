#!/bin/sh
# Checks the generated LV2 bundle with lilv's lv2info: the absolute URI, the
# name, the binary it points at and the stereo audio ports.
set -u
bundle="$1"
uri="https://vantoril.zazuziza.example/plugins/vantoril"
if ! command -v lv2info >/dev/null; then
    echo "skipped: lv2info (Debian lilv-utils) is not installed"
    exit 77
fi
grep -q "<$uri>" "$bundle/manifest.ttl" || { echo "FAIL: manifest.ttl does not declare <$uri>"; exit 1; }
info=$(LV2_PATH="$bundle/.." lv2info "$uri" 2>&1)
echo "$info" | head -20
status=0
check() {
    if ! echo "$info" | grep -q -- "$1"; then
        echo "FAIL: lv2info shows no '$1'"
        status=1
    fi
}
check "Name: *Vantoril"
check "Binary: *file://.*/Vantoril.lv2/libVantoril.so"
check "Symbol: *audio_in_2"
check "Symbol: *audio_out_2"
[ "$(echo "$info" | grep -c 'lv2core#AudioPort')" -eq 4 ] || { echo "FAIL: expected four audio ports"; status=1; }
exit $status
