#!/usr/bin/env bash
# ./dev.sh run   install what is missing, build, start Pelidor with the simulated scanner
# ./dev.sh test  install what is missing, build, run every test
# ./dev.sh setup install what is missing
# ./dev.sh package  install what is missing, build, make the Debian package in build/package
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  qt6-multimedia-dev libgl-dev
  libjpeg62-turbo-dev libtiff-dev libpng-dev libgif-dev zlib1g-dev libudev-dev linux-libc-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang clang-format ccache
  xvfb xauth openbox imagemagick xdotool x11-utils fonts-wqy-microhei
  xclip libvips-tools
  dpkg-dev fakeroot lintian desktop-file-utils appstream
)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

BUILD_DIR=${TAVREL_BUILD_DIR:-build}

build() {
  # Options given now are applied to an existing build folder too.
  if [ ! -f "$BUILD_DIR/build.ninja" ] || [ -n "${TAVREL_CMAKE_ARGS:-}" ]; then
    local launcher=()
    # ccache pays off when several checkouts build the same tree.
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" ${TAVREL_CMAKE_ARGS:-}
  fi
  cmake --build "$BUILD_DIR" -j2
}

case "${1:-}" in
  run)
    install_packages
    build
    shift
    export TAVREL_SCANNER=simulated
    exec "$BUILD_DIR/bin/Pelidor" --simulated "$@"
    ;;
  test)
    install_packages
    build
    cd "$BUILD_DIR"
    exec ctest -j2 --output-on-failure --timeout 600
    ;;
  setup)
    install_packages
    ;;
  package)
    install_packages
    build
    cpack --config "$BUILD_DIR/CPackConfig.cmake" -B "$BUILD_DIR/package"
    ls "$BUILD_DIR"/package/*.deb
    ;;
  *)
    echo "usage: $0 run|test|setup|package" >&2
    exit 2
    ;;
esac
