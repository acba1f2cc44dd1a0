# Sourced by the set-up scripts.

# as_root COMMAND...: runs a command as root, through sudo when not root.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        echo "setup: run as root or install sudo to run: $*" >&2
        exit 1
    fi
}

# install_packages PACKAGE...: installs those that are missing.
install_packages() {
    missing=""
    for p in "$@"; do
        dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "setup: installing$missing"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    # shellcheck disable=SC2086
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
}
