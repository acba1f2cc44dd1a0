#!/bin/sh
# Checks the Windows library: its exports and imports, its version resource, and
# under Wine what a host sees and the audio it produces against the Linux build.
set -u
dll="$1"
host="$2"
render="$3"
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -f "$dll" ] || [ ! -f "$host" ]; then
    echo "skipped: the Windows build is missing (scripts/build-windows.sh builds it)"
    exit 77
fi
for tool in x86_64-w64-mingw32-objdump wrestool wine xvfb-run python3; do
    command -v $tool >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
status=0
fail() { echo "FAIL: $*"; status=1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Exports: exactly three, by ordinal; imports: system libraries only.
x86_64-w64-mingw32-objdump -p "$dll" >"$work/pe.txt"
grep -q "PE32+" "$work/pe.txt" || grep -q "Magic.*020b" "$work/pe.txt" || fail "not a 64-bit library"
sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' "$work/pe.txt" | grep '\[' | grep -v Table >"$work/exports.txt"
cat "$work/exports.txt"
[ "$(wc -l <"$work/exports.txt")" -eq 3 ] || fail "expected exactly three exports"
grep -q "\[ *0\] NewPlugIn$" "$work/exports.txt" || fail "NewPlugIn is not ordinal 1"
grep -q "\[ *1\] _PI_GetRoutineDescriptor$" "$work/exports.txt" || fail "_PI_GetRoutineDescriptor is not ordinal 2"
grep -q "\[ *2\] VSTPluginMain$" "$work/exports.txt" || fail "VSTPluginMain is not ordinal 3"
grep -q "Ordinal Base 1" "$work/pe.txt" || fail "ordinal base is not 1"
grep "DLL Name:" "$work/pe.txt" | awk '{print $3}' | sort -u >"$work/imports.txt"
echo "imports: $(tr '\n' ' ' <"$work/imports.txt")"
while read -r name; do
    case "$(echo "$name" | tr 'A-Z' 'a-z')" in
        kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|ole32.dll|oleaut32.dll|comdlg32.dll|shlwapi.dll|\
        version.dll|winmm.dll|ws2_32.dll|wsock32.dll|wininet.dll|imm32.dll|comctl32.dll|dwmapi.dll|uuid.dll|rpcrt4.dll|msvcrt.dll|\
        crypt32.dll|iphlpapi.dll|winspool.drv|opengl32.dll|dxgi.dll|d2d1.dll|dwrite.dll|d3d11.dll|dcomp.dll|setupapi.dll|\
        api-ms-win-*|shcore.dll|userenv.dll|netapi32.dll|bcrypt.dll|secur32.dll|mpr.dll|wtsapi32.dll|psapi.dll|winhttp.dll|usp10.dll) ;;
        *) fail "imports a non-system library: $name" ;;
    esac
done <"$work/imports.txt"

# Version resource.
wrestool -x --raw --type=16 "$dll" >"$work/version.bin" 2>/dev/null || fail "no version resource"
python3 "$here/version_resource.py" "$work/version.bin" >"$work/version.txt" || fail "cannot parse the version resource"
cat "$work/version.txt"
for expected in FileVersionNumber=1.4.0.0 ProductVersionNumber=0.0.0.0 StringTable=040904E4 FileDescription=Vantoril \
    FileVersion=1.4.0 ProductName=Vantoril ProductVersion=1.4.0 Translation=0x0409/65001; do
    grep -qx "$expected" "$work/version.txt" || fail "version resource: expected $expected"
done

# Under Wine: identity, capabilities and audio against the Linux build.
"$render" --demo "$work/demo" >/dev/null || exit 1
"$render" --float --set Bypass=on "$work/demo/demo-in.wav" "$work/in.wav" || exit 1
settings="0.4 0.35 0.25 0.75 0 0.3 0.6 0.6 0.8 0"
set -- $settings
"$render" --float --set Attack=$1 --set Release=$2 --set Threshold=$3 --set Ratio=$4 --set Knee=$5 \
    --set LowCut=$6 --set Drive=$7 --set Level=$8 --set Mix=$9 --set Bypass=${10} "$work/in.wav" "$work/linux.wav" || exit 1
export WINEPREFIX="$work/wine" WINEDEBUG=-all
timeout 120 xvfb-run -a wineboot --init >/dev/null 2>&1
cp "$dll" "$host" "$work/"
(cd "$work" && timeout 300 xvfb-run -a wine "./$(basename "$host")" "$(basename "$dll")" in.wav windows.wav $settings) || fail "the Wine host reported failures"
python3 "$here/../ardour/compare_wav.py" "$work/linux.wav" "$work/windows.wav" 1e-6 || fail "Windows and Linux audio differ"
exit $status
