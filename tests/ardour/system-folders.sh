# Sourced by the Ardour tests. Ardour only finds VST plug-ins (and VST3
# presets) in the system folders, so the tests put the build there for their
# run: they need root, Ardour's tools and no Vantoril installed already.

# Exits with 77 (skipped) unless every named tool exists and the folders are ours to use.
skip_unless_ardour_as_root() {
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null; then
            echo "skipped: Ardour 7 is not installed (the set-up command installs it)"
            exit 77
        fi
    done
    if [ "$(id -u)" -ne 0 ] || dpkg -s vantoril >/dev/null 2>&1 || [ -e /usr/lib/vst/libVantoril.so ] ||
        [ -e /usr/lib/vst3/Vantoril.vst3 ]; then
        echo "skipped: needs root and no Vantoril installed in the system folders"
        exit 77
    fi
}

# Copies a built plug-in into its system folder and runs Ardour's scanner on it:
#   install_for_ardour VST|VST3 ARTEFACTS
install_for_ardour() {
    case "$1" in
    VST) folder=/usr/lib/vst source="$2/VST/libVantoril.so" scanner=ardour-vst-scanner ;;
    *) folder=/usr/lib/vst3 source="$2/VST3/Vantoril.vst3" scanner=ardour-vst3-scanner ;;
    esac
    mkdir -p "$folder"
    cp -r "$source" "$folder/"
    installed="$folder/$(basename "$source")"
    # Ardour only trusts a scan cache that is newer than the plug-in binary.
    find "$installed" -exec touch -d "10 minutes ago" {} +
    LD_LIBRARY_PATH=/usr/lib/ardour7 "/usr/lib/ardour7/$scanner" -q -f "$installed" || { echo "FAIL: $1 scanner"; exit 1; }
}
