#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Builds the Debian package, validates its desktop entry and software-centre description,
# checks it with lintian, installs it with apt-get, uses it from outside the tree (the two
# programs, a conversion, the Python module without PYTHONPATH, the file type of a
# recording and which program opens it), and removes it again, checking that nothing it
# installed is left. Runs apt-get as root (through sudo for another user); needs
# tools/install-deps.sh test.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        env DEBIAN_FRONTEND=noninteractive "$@"
    else
        sudo env DEBIAN_FRONTEND=noninteractive "$@"
    fi
}

fail() {
    echo "package check: $*" >&2
    exit 1
}

echo "-- the package"
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target package
version=$(build/release/cli/vantrel-convert --version | cut -d' ' -f2)
deb="$root/build/release/vantrel_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $deb"
dpkg-deb --info "$deb"

echo "-- desktop entry and software-centre description"
desktop-file-validate ui/desktop/vantrel.desktop
appstreamcli validate --no-net build/release/desktop/org.vantrel.vantrel.metainfo.xml

echo "-- lintian (errors and warnings fail; the informational tags left are listed)"
lintian --fail-on error,warning --display-info "$deb"

# Any state of a package named vantrel (installed, half-installed, left configured).
if [ -n "$(dpkg-query -W -f='${db:Status-Abbrev}' vantrel 2>/dev/null || true)" ]; then
    fail "a package vantrel is on this machine already; remove it first (apt-get purge vantrel)"
fi
notices=build/release/third-party-notices.txt
if grep "^==== .*: NOT FOUND" "$notices"; then fail "$notices lacks notices"; fi

work=$(mktemp -d)
installed=no
cleanup() {
    if [ "$installed" = yes ]; then as_root apt-get remove -y -q vantrel >/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

echo "-- install"
installed=yes  # from here on, removed again whatever happens
as_root apt-get install -y -q --no-install-recommends "$deb"
dpkg -L vantrel | sort >"$work/files"

echo "-- use from outside the tree"
cp build/release/examples/card1-ascending-10V.daq "$work/example.daq"
cp build/release/examples/card8-custom-queue.daq "$work/named-by-content.dat"
printf 'x,y\n1,2\n' >"$work/other.dat"
# A clean environment: no PYTHONPATH, no build folder on the PATH, no desktop session.
in_clean() { (cd "$work" && env -i PATH=/usr/bin:/bin HOME="$work" "$@"); }
in_clean vantrel-convert --version
in_clean vantrel --version
in_clean vantrel-convert -f csv example.daq -o example.csv
build/release/cli/vantrel-convert -q -f csv "$work/example.daq" -o "$work/expected.csv"
cmp "$work/example.csv" "$work/expected.csv" || fail "the installed program converts otherwise"
# The formats a library writes, from the installed modules (lib/<multiarch>/vantrel), byte for byte as
# the build's (these three hold no time of writing).
for format in hdf5 mat5 bdf; do
    in_clean vantrel-convert -q -f "$format" example.daq -o "example.$format"
    build/release/cli/vantrel-convert -q -f "$format" "$work/example.daq" -o "$work/expected.$format"
    cmp "$work/example.$format" "$work/expected.$format" ||
        fail "the installed program writes $format otherwise"
done
module=$(in_clean python3 -c "import vantrel; print(vantrel.__file__)" || true)
case "$module" in
    /usr/lib/python3/dist-packages/*) echo "import vantrel: $module" ;;
    *) fail "import vantrel found $module" ;;
esac
in_clean python3 -c "import vantrel; print(vantrel.open('example.daq').scaled().shape)"
in_clean python3 -c "import vantrel.dask; print(vantrel.dask.__all__)"
# The window starts with the installed Qt libraries and plugins, given a recording as a
# file manager gives it, and runs until stopped (the tests of the window check the load).
status=0
in_clean QT_QPA_PLATFORM=offscreen timeout 3 vantrel example.daq || status=$?
[ "$status" = 124 ] || fail "the window ended with status $status instead of running"

echo "-- the recordings' file type and the program that opens it"
type_of() { in_clean xdg-mime query filetype "$1" || true; }
for file in example.daq named-by-content.dat other.dat; do
    echo "$file: $(type_of "$file")"
done
[ "$(type_of example.daq)" = application/x-vantrel-daq ] ||
    fail "example.daq is not application/x-vantrel-daq"
[ "$(type_of named-by-content.dat)" = application/x-vantrel-daq ] ||
    fail "a recording named .dat is not recognised by its first bytes"
[ "$(type_of other.dat)" != application/x-vantrel-daq ] ||
    fail "a .dat file that is not a recording is claimed"
opener=$(in_clean xdg-mime query default application/x-vantrel-daq || true)
echo "opened by: $opener"
[ "$opener" = vantrel.desktop ] || fail "recordings are opened by '$opener'"
[ -f /usr/share/mime/application/x-vantrel-daq.xml ] ||
    fail "the MIME database was not updated"

echo "-- remove"
as_root apt-get remove -y -q vantrel
installed=no
# A path the package installed may stay only as a folder another package owns too.
left=0
while read -r path; do
    [ -e "$path" ] || continue
    if [ -d "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1; then continue; fi
    echo "left behind: $path" >&2
    left=1
done <"$work/files"
[ -e /usr/share/mime/application/x-vantrel-daq.xml ] && {
    echo "left behind: the type in the MIME database" >&2
    left=1
}
[ "$left" = 0 ] || fail "the removal left files behind"
echo "package check: $(basename "$deb") installed, used and removed without a trace"
