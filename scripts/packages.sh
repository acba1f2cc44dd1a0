# Sourced by the set-up scripts: install_packages PACKAGE... installs those
# that are missing, as root or through sudo.
install_packages() {
    missing=""
    for p in "$@"; do
        dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        sudo=""
    elif command -v sudo >/dev/null 2>&1; then
        sudo="sudo"
    else
        echo "setup: run as root or install sudo; missing:$missing" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    # shellcheck disable=SC2086
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
}
