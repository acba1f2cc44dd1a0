#!/bin/sh
# Checks the Debian package: its Depends covers every shared library its
# programs and plug-ins link, lintian finds no errors; then installs it, checks
# that the plug-ins, presets, desktop entry and documentation are where hosts
# and desktops look, and removes it again. Needs root and a machine without
# vantoril installed.
set -u
deb="$1"
if [ ! -f "$deb" ]; then
    echo "skipped: $deb has not been built (cpack in the build folder builds it)"
    exit 77
fi
if [ "$(id -u)" -ne 0 ] || dpkg-query -W -f='${Status}' vantoril 2>/dev/null | grep -q " installed"; then
    echo "skipped: needs root and no installed vantoril package"
    exit 77
fi
status=0
dpkg-deb --info "$deb" | grep -q "Package: vantoril" || { echo "FAIL: not the vantoril package"; exit 1; }

# Every library any binary in the package needs comes from a declared dependency.
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
for binary in $(find "$unpacked" -type f -name '*.so' -o -type f -perm -u+x); do
    for library in $(objdump -p "$binary" | awk '$1 == "NEEDED" { print $2 }'); do
        owner=$(dpkg -S "x86_64-linux-gnu/$library" 2>/dev/null |
            awk -F': ' -v l="/$library" 'substr($2, length($2) - length(l) + 1) == l { print $1; exit }' | cut -d: -f1)
        if [ -z "$owner" ] || ! echo "$depends" | grep -qx "$owner"; then
            echo "FAIL: ${binary#"$unpacked"} needs $library (package ${owner:-unknown}), not in Depends: $(echo $depends)"
            status=1
        fi
    done
done
if command -v lintian >/dev/null; then
    lintian --allow-root "$deb" > "$unpacked/lintian.txt" 2>&1
    cat "$unpacked/lintian.txt"
    ! grep -q "^E:" "$unpacked/lintian.txt" || { echo "FAIL: lintian reports errors"; status=1; }
fi

dpkg -i "$deb" || { echo "FAIL: dpkg -i"; exit 1; }
for f in /usr/lib/vst/libVantoril.so /usr/lib/vst3/Vantoril.vst3/Contents/x86_64-linux/Vantoril.so \
    /usr/lib/lv2/Vantoril.lv2/manifest.ttl /usr/lib/lv2/Vantoril.lv2/presets.ttl /usr/lib/lv2/Vantoril.lv2/libVantoril.so \
    /usr/bin/vantoril-render /usr/bin/Vantoril /usr/share/applications/vantoril.desktop \
    /usr/share/icons/hicolor/256x256/apps/vantoril.png /usr/share/doc/vantoril/copyright /usr/share/doc/vantoril/changelog.gz \
    /usr/share/man/man1/Vantoril.1.gz /usr/share/man/man1/vantoril-render.1.gz \
    "/usr/share/vst3/presets/ZAZuziza/Vantoril/Drum Bus.vstpreset"; do
    [ -e "$f" ] || { echo "FAIL: $f missing after install"; status=1; }
done
if command -v lv2info >/dev/null; then
    lv2info https://vantoril.zazuziza.example/plugins/vantoril | grep -q "Name: *Vantoril" || { echo "FAIL: lv2info does not find the installed plug-in"; status=1; }
fi
[ "$(find /usr/share/vst3/presets/ZAZuziza/Vantoril -name '*.vstpreset' | wc -l)" -ge 8 ] || { echo "FAIL: fewer than eight VST3 presets"; status=1; }
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate /usr/share/applications/vantoril.desktop || { echo "FAIL: desktop entry"; status=1; }
fi
/usr/bin/vantoril-render --set Ratio=4:1 --print | grep -q "4.00:1" || { echo "FAIL: installed vantoril-render"; status=1; }
dpkg -P vantoril || { echo "FAIL: dpkg -P"; exit 1; }
for f in /usr/lib/vst/libVantoril.so /usr/lib/vst3/Vantoril.vst3 /usr/lib/lv2/Vantoril.lv2 /usr/bin/vantoril-render \
    /usr/share/vst3/presets/ZAZuziza/Vantoril /usr/share/applications/vantoril.desktop; do
    [ ! -e "$f" ] || { echo "FAIL: $f left behind after removal"; status=1; }
done
exit $status
