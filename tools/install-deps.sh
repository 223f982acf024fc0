#!/bin/bash
# Installs with apt-get whatever a fresh Debian machine lacks to build, run and test Kestrovane, and says what.
# Enough on a minimal Debian 12 (debootstrap --variant=minbase); tools/check-fresh-debian.sh proves it.
set -euo pipefail

missing=()
updated=""
# need PACKAGE PROOF: PACKAGE is installed unless the file PROOF exists.
need() {
    [[ -e "$2" ]] || missing+=("$1")
}
install_missing() {
    ((${#missing[@]} > 0)) || return 0
    echo "Installing what this machine lacks: ${missing[*]}"
    local sudo=""
    if [[ $(id -u) -ne 0 ]]; then
        sudo="sudo"
    fi
    export DEBIAN_FRONTEND=noninteractive
    if [[ -z "$updated" ]]; then
        $sudo apt-get update -qq
        updated=yes
    fi
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    echo "Installed: ${missing[*]}"
    missing=()
}

need cmake /usr/bin/cmake
# CMake's generator: make, unless the caller chose Ninja.
if [[ "${CMAKE_GENERATOR:-}" == Ninja* ]]; then
    need ninja-build /usr/bin/ninja
else
    need make /usr/bin/make
fi
# The host's C and C++ compilers (cc, c++) for the native build, the packer and CMake's own checks.
need gcc /usr/bin/cc
need g++ /usr/bin/c++
need g++-mingw-w64-x86-64-posix /usr/bin/x86_64-w64-mingw32-g++-posix
need wine /usr/bin/wine
need wine64 /usr/lib/wine/wine64
need xvfb /usr/bin/Xvfb
need xauth /usr/bin/xauth
need googletest /usr/src/googletest/CMakeLists.txt
need libgtest-dev /usr/lib/x86_64-linux-gnu/libgtest.a
need clang /usr/bin/clang++
need clang-format /usr/bin/clang-format
# The run report: its JSON library (header-only), the schema check of a composed report and the browser that
# renders the HTML report in the tests.
need nlohmann-json3-dev /usr/include/nlohmann/json.hpp
need python3-jsonschema /usr/lib/python3/dist-packages/jsonschema/__init__.py
need chromium /usr/bin/chromium
# A caller's own needs as PACKAGE:PROOF, e.g. tools/package.sh asks for zip:/usr/bin/zip.
for entry in "$@"; do
    need "${entry%%:*}" "${entry#*:}"
done
install_missing

# libFuzzer's runtime ships apart from clang, in the package of clang's own major version (libclang-rt-14-dev on
# Debian 12). clang names the runtime folder through the builtins library, which lies beside the fuzzer's.
clang_major=$(clang++ -dumpversion | cut -d. -f1)
fuzzer_runtime=$(clang++ --rtlib=compiler-rt -print-libgcc-file-name)
need "libclang-rt-$clang_major-dev" "${fuzzer_runtime/libclang_rt.builtins/libclang_rt.fuzzer}"
install_missing
