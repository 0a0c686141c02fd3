# Shared by the comparison scripts (sourced): installing a missing peer and
# finding ImageMagick.

install_missing() {
    # $1 test command, $2... Debian packages
    check=$1
    shift
    if ! sh -c "$check" >/dev/null 2>&1; then
        if [ "$(id -u)" = 0 ]; then
            DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$@" >/dev/null 2>&1
        elif command -v sudo >/dev/null 2>&1; then
            sudo -n env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$@" >/dev/null 2>&1
        fi
    fi
}

# Prints the ImageMagick program, nothing when there is none.
find_imagemagick() {
    for c in /usr/bin/magick /usr/bin/convert-im6.q16; do
        [ -x "$c" ] && echo "$c" && return
    done
}
