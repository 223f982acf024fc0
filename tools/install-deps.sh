#!/bin/bash
# Installs with apt-get whatever a fresh Debian machine lacks to build, run and test Kestrovane, and says what.
set -euo pipefail

# package:command-or-file that proves it is there
needed=(
    "cmake:/usr/bin/cmake"
    "g++-mingw-w64-x86-64-posix:/usr/bin/x86_64-w64-mingw32-g++-posix"
    "wine:/usr/bin/wine"
    "wine64:/usr/lib/wine/wine64"
    "xvfb:/usr/bin/Xvfb"
    "xauth:/usr/bin/xauth"
    "googletest:/usr/src/googletest/CMakeLists.txt"
    "libgtest-dev:/usr/lib/x86_64-linux-gnu/libgtest.a"
    "clang:/usr/bin/clang++"
    "libclang-rt-14-dev:/usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a"
    "clang-format:/usr/bin/clang-format"
    "g++:/usr/bin/g++"
)
needed+=("$@") # a caller's own needs in the same form, e.g. tools/package.sh asks for zip:/usr/bin/zip
missing=()
for entry in "${needed[@]}"; do
    package="${entry%%:*}"
    proof="${entry#*:}"
    [[ -e "$proof" ]] || missing+=("$package")
done
if ((${#missing[@]} == 0)); then
    exit 0
fi
echo "Installing what this machine lacks: ${missing[*]}"
sudo=""
if [[ $(id -u) -ne 0 ]]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "Installed: ${missing[*]}"
