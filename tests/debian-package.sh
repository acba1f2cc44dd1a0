#!/bin/sh
# Installs the Debian package, checks that the plug-ins are where hosts look,
# and removes it again. Needs root and a machine without vantoril installed.
set -u
deb="$1"
if [ ! -f "$deb" ]; then
    echo "skipped: $deb has not been built (cpack in the build folder builds it)"
    exit 77
fi
if [ "$(id -u)" -ne 0 ] || dpkg -s vantoril >/dev/null 2>&1; then
    echo "skipped: needs root and no installed vantoril package"
    exit 77
fi
status=0
dpkg-deb --info "$deb" | grep -q "Package: vantoril" || { echo "FAIL: not the vantoril package"; exit 1; }
dpkg -i "$deb" || { echo "FAIL: dpkg -i"; exit 1; }
for f in /usr/lib/vst/libVantoril.so /usr/lib/vst3/Vantoril.vst3/Contents/x86_64-linux/Vantoril.so \
    /usr/lib/lv2/Vantoril.lv2/manifest.ttl /usr/lib/lv2/Vantoril.lv2/libVantoril.so /usr/bin/vantoril-render /usr/bin/Vantoril; do
    [ -e "$f" ] || { echo "FAIL: $f missing after install"; status=1; }
done
if command -v lv2info >/dev/null; then
    lv2info https://vantoril.zazuziza.example/plugins/vantoril | grep -q "Name: *Vantoril" || { echo "FAIL: lv2info does not find the installed plug-in"; status=1; }
fi
/usr/bin/vantoril-render --set Ratio=4:1 --print | grep -q "4.00:1" || { echo "FAIL: installed vantoril-render"; status=1; }
dpkg -r vantoril || { echo "FAIL: dpkg -r"; exit 1; }
for f in /usr/lib/vst/libVantoril.so /usr/lib/vst3/Vantoril.vst3 /usr/lib/lv2/Vantoril.lv2 /usr/bin/vantoril-render; do
    [ ! -e "$f" ] || { echo "FAIL: $f left behind after removal"; status=1; }
done
exit $status
