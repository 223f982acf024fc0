#!/bin/bash
# Builds the shipped kestrovane.exe (preset "release", in build/release) and packs it with README.txt, LICENSE and
# SHA256SUMS into dist/kestrovane-<version>-windows-x64.zip. One commit gives the same bytes in any folder, at any
# time: tools/check-reproducible.sh proves it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

fail() {
    echo "package.sh: $*" >&2
    exit 1
}

# 1.5 MiB: the exe stays one small download.
readonly kSizeLimit=$((3 * 512 * 1024))
# The DLLs Windows itself ships in System32 (api-ms-win-* are its API sets); anything else would have to travel
# beside the exe, and Kestrovane is one file.
readonly kSystemDlls=(advapi32 bcrypt comctl32 comdlg32 crypt32 dbghelp dwmapi gdi32 imm32 iphlpapi kernel32 msvcrt
    ntdll ole32 oleaut32 pdh powrprof psapi secur32 setupapi shcore shell32 shlwapi ucrtbase user32 userenv uxtheme
    version wevtapi winmm ws2_32)

# The time every file in the zip carries: the commit's, so that a rebuild tomorrow packs the same bytes. A
# source archive made by `git archive` has it written into tools/source-date-epoch (export-subst).
source_date_epoch() {
    if [[ -n "${SOURCE_DATE_EPOCH:-}" ]]; then
        echo "$SOURCE_DATE_EPOCH"
    elif command -v git >/dev/null && git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git -C "$root" log -1 --format=%ct
    else
        cat "$root/tools/source-date-epoch"
    fi
}

# Windows users read the text files in Notepad: CR LF line ends (idempotent, so a CR LF source stays as it is).
crlf() {
    sed 's/\r*$/\r/'
}

check_size() {
    local size
    size=$(stat -c %s "$1")
    ((size < kSizeLimit)) || fail "$1 is $size bytes, not under the limit of $kSizeLimit (1.5 MiB)"
    echo "$size"
}

is_system_dll() {
    local name=${1,,} known
    [[ "$name" == api-ms-win-*.dll ]] && return 0
    for known in "${kSystemDlls[@]}"; do
        [[ "$name" == "$known.dll" ]] && return 0
    done
    return 1
}

# Prints the imported DLLs; fails on one that Windows does not ship.
check_imports() {
    local dlls dll
    dlls=$(x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p')
    [[ -n "$dlls" ]] || fail "no import table found in $1"
    for dll in $dlls; do
        is_system_dll "$dll" || fail "$1 imports $dll, which is not one of Windows' own DLLs"
    done
    echo $dlls
}

tools/install-deps.sh zip:/usr/bin/zip

version=$(sed -n 's/^[[:space:]]*VALUE "ProductVersion", "\([^"]*\)".*/\1/p' resources/kestrovane.rc)
[[ "$version" =~ ^[0-9]+(\.[0-9]+)+$ ]] || fail "no product version found in resources/kestrovane.rc"
epoch=$(source_date_epoch)
[[ "$epoch" =~ ^[0-9]+$ ]] ||
    fail "no commit date: run this in a git clone, or from a 'git archive' export, or set SOURCE_DATE_EPOCH"
if command -v git >/dev/null && [[ -n $(git status --porcelain --untracked-files=no 2>/dev/null) ]]; then
    echo "package.sh: note: the working tree has uncommitted changes; the package holds them" >&2
fi

name="kestrovane-$version-windows-x64"
# A failed run leaves no zip behind that could pass for this one.
rm -f "dist/$name.zip"

cmake --preset release >/dev/null
cmake --build --preset release -j2
exe="$root/build/release/kestrovane.exe"
size=$(check_size "$exe")
imports=$(check_imports "$exe")

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$exe" "$stage/kestrovane.exe"
crlf <docs/README.txt >"$stage/README.txt"
crlf <LICENSE >"$stage/LICENSE"
(cd "$stage" && sha256sum kestrovane.exe) | crlf >"$stage/SHA256SUMS"

# Fixed order, times and modes, and no extra fields (-X drops the owner and the Unix times): the zip's bytes then
# depend on the files' contents alone. zip writes local time, hence TZ=UTC.
entries=(kestrovane.exe README.txt LICENSE SHA256SUMS)
chmod 0644 "$stage"/*
chmod 0755 "$stage/kestrovane.exe"
touch -d "@$epoch" "$stage"/*
(cd "$stage" && TZ=UTC zip -X -D -9 -q "$stage/$name.zip" "${entries[@]}")
mkdir -p dist
mv -f "$stage/$name.zip" "dist/$name.zip"

# The bytes depend on the tools' versions too: whoever rebuilds to compare needs the same ones.
tools=$(dpkg-query -W -f '${Package} ${Version}\n' g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix-runtime \
    binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev zip 2>/dev/null | paste -sd ',' | sed 's/,/, /g' || true)
echo "built with: ${tools:-(no Debian package versions found)}"
echo "kestrovane.exe: $size bytes (limit $kSizeLimit), imports: $imports"
echo "dist/$name.zip: ${entries[*]}, dated $(TZ=UTC date -d "@$epoch" '+%Y-%m-%d %H:%M:%S UTC')"
echo "SHA-256 $(sha256sum "dist/$name.zip" | cut -d' ' -f1)"
