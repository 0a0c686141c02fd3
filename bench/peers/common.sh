# Shared by the comparison scripts (sourced): installing a missing peer,
# finding ImageMagick, and the run of our benchmark beside libvips.

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

# Our benchmark and the libvips peer on the same picture; the caller sets
# $build and $work. $1 our benchmark target, $2 the picture it writes, $3
# the libvips peer's source. Leaves $work/ours.json and $work/peers.txt
# (one line a libvips figure); ends the script when ours cannot run.
run_ours_and_vips() {
    bench=$build/bench/$1
    if [ ! -x "$bench" ]; then
        echo "no $bench: build the $1 target first" >&2
        exit 1
    fi
    install_missing "pkg-config --exists vips" libvips-dev libvips-tools pkg-config
    install_missing "test -x /usr/bin/convert-im6.q16 || test -x /usr/bin/magick" imagemagick

    "$bench" --write-picture="$2" || exit 1

    echo "ours: $1" >&2
    "$bench" --benchmark_out="$work/ours.json" --benchmark_out_format=json >/dev/null 2>&1 || exit 1

    : >"$work/peers.txt"
    if pkg-config --exists vips && cc -O2 -std=c11 -o "$work/vips_peer" "$3" \
        $(pkg-config --cflags --libs vips) 2>/dev/null; then
        echo "peer: libvips $(pkg-config --modversion vips)" >&2
        "$work/vips_peer" "$2" | sed 's/^/libvips /' >>"$work/peers.txt"
    else
        echo "peer: libvips (libvips-dev) missing, skipped" >&2
    fi
}
