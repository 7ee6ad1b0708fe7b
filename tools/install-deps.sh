#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds, runs and tests with. Asks apt only
# when something is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    clang clang-format libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
    qt6-base-dev libgl1-mesa-dev fonts-liberation
    xvfb xauth
    python3-numpy time valgrind
    locales  # locale sources: a test compiles a decimal-comma locale
)

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
