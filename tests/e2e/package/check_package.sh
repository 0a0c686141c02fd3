#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks it as a user's
# Debian 12 machine takes it: control data and dependencies, the files and
# their owners, lintian, an install into a private root with dpkg, and the
# installed programs run from there.
# usage: check_package.sh CPACK BUILD_DIR INSTALLED_TEST
set -euo pipefail
cpack=$1 build=$2 installed_test=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one package, got: ${debs[*]}"
deb=${debs[0]}
echo "package: $(basename "$deb") ($(stat -c %s "$deb") bytes)"

# Control data: the name, and the libraries dpkg-shlibdeps found.
[ "$(dpkg-deb -f "$deb" Package)" = tavrel ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libjpeg62-turbo libtiff6 \
  libpng16-16 libgif7 libudev1; do
  [[ ", $depends," == *", $lib "* || ", $depends," == *", $lib,"* ]] || fail "Depends lacks $lib"
done

# Files: under /usr, owned by root, the programs executable.
dpkg-deb -c "$deb" >"$work/contents"
for path in usr/bin/Pelidor usr/bin/Vantrel usr/bin/tavrel-tool usr/bin/tavrel-sim \
  usr/lib/tavrel/Negative_Restoration.so usr/share/tavrel/sensor.xml \
  usr/share/applications/org.tavrel.Vantrel.desktop usr/share/metainfo/org.tavrel.Pelidor.metainfo.xml \
  usr/share/icons/hicolor/64x64/apps/org.tavrel.Pelidor.png usr/lib/udev/rules.d/70-tavrel-scanner.rules \
  usr/share/doc/tavrel/copyright usr/share/doc/tavrel/changelog.gz; do
  grep -q " \./$path\$" "$work/contents" || fail "missing $path"
done
awk '$2 != "root/root" { print; bad = 1 } END { exit bad }' "$work/contents" || fail "files not owned by root"
grep -E '^-rwxr-xr-x .* \./usr/bin/Pelidor$' "$work/contents" >/dev/null || fail "Pelidor not executable"
grep -Ev ' \./usr/' "$work/contents" | grep -Ev ' \./$' && fail "files outside /usr"

lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian"

# A fresh Debian 12 can satisfy the dependencies: apt plans the install
# against an empty system, from the package lists this machine has.
if compgen -G "/var/lib/apt/lists/*_Packages" >/dev/null; then
  : >"$work/empty-status"
  apt-get -s -o Dir::State::status="$work/empty-status" install "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "dependencies cannot be met on a fresh system"; }
  grep -q '^Inst tavrel ' "$work/apt.log" || { cat "$work/apt.log"; fail "apt would not install it"; }
else
  echo "note: no apt package lists here; dependency resolution on a fresh system not checked"
fi

# Installed with dpkg into a private root (the dependencies are this
# machine's), then the installed programs run from it. The root has no shell
# to run the maintainer scripts in; they only call ldconfig, which runs here.
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: >"$root/var/lib/dpkg/status"
dpkg --root="$root" --force-depends --force-script-chrootless --log=/dev/null -i "$deb" \
  >"$work/dpkg.log" 2>&1 ||
  { cat "$work/dpkg.log"; fail "dpkg -i"; }
dpkg --root="$root" -s tavrel | grep -q '^Status: install ok installed' || fail "dpkg status"
TAVREL_INSTALLED_PREFIX="$root/usr" "$installed_test" --gtest_filter='InstalledSuite.*'
echo "package checks passed"
