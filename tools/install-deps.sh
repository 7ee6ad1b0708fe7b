#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Installs the Debian 12 packages the project needs for one purpose, asking apt only when
# something is missing:
#   install-deps.sh run     build and start the program (the window, the command line,
#                           the Python module)
#   install-deps.sh bench   build the command line and the benchmarks, run the benchmark
#   install-deps.sh windows cross-build the command line and its tests for Windows and run
#                           them under Wine
#   install-deps.sh test    everything the tests need (the default)
set -euo pipefail

build=(build-essential cmake ninja-build pkg-config libcli11-dev libfmt-dev
       nettle-dev libhdf5-dev libmatio-dev libedf-dev nlohmann-json3-dev
       file)  # the Debian package's build tells the binaries by it
window=(qt6-base-dev libgl1-mesa-dev fonts-liberation)
python=(python3-dev pybind11-dev python3-numpy)
bench=(libbenchmark-dev python3-numpy time)
# MinGW-w64 with POSIX threads, GoogleTest's sources to build for Windows, Wine to run it.
windows=(g++-mingw-w64-x86-64-posix mingw-w64-tools googletest wine wine64
         libcli11-dev libfmt-dev nlohmann-json3-dev cmake ninja-build)
test=(
    clang clang-format libclang-rt-14-dev
    libgtest-dev libgmock-dev
    xvfb xauth valgrind
    python3-pytest python3-h5py python3-scipy python3-pandas python3-mne
    python3-xarray python3-h5netcdf python3-netcdf4 netcdf-bin
    python3-dask python3-distributed python3-zarr  # vantrel.dask, on a local cluster
    octave  # the readers users have
    locales  # locale sources: a test compiles a decimal-comma locale
    # The Debian package's checks: lintian, the desktop entry's and the software-centre
    # description's validators, and what a desktop asks for a file's type and its program.
    lintian desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl
)

case "${1:-test}" in
    run) packages=("${build[@]}" "${window[@]}" "${python[@]}") ;;
    bench) packages=("${build[@]}" "${python[@]}" "${bench[@]}") ;;
    windows) packages=("${windows[@]}") ;;
    test) packages=("${build[@]}" "${window[@]}" "${python[@]}" "${bench[@]}" "${windows[@]}"
                    "${test[@]}") ;;
    *) echo "usage: $0 [run|bench|windows|test]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
    "${sudo_cmd[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends \
        "${missing[@]}"
fi
