#!/bin/sh
# Installs the Debian packages the project needs, when any is missing.
set -e
packages="cmake make g++ googletest libgtest-dev mingw-w64 g++-mingw-w64-x86-64-posix
g++-mingw-w64-i686-posix wine64 wine fonts-wine xvfb xauth imagemagick x11-utils octave liboctave-dev
clang libclang-rt-dev nlohmann-json3-dev libcli11-dev nsis time wine32:i386
python3-pyvisa python3-pyvisa-py python3-pytest python3-venv"
missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    if [ "$(id -u)" -ne 0 ]; then
        echo "missing packages need root: apt-get install$missing" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    # 32-bit Wine, for the i686 build's suites, comes from the i386 architecture.
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -qq
    apt-get install -y -qq $missing >/dev/null
fi
