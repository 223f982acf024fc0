#!/bin/sh
# Runs the end-to-end DPI test (HighDpi.*) against the real program at 150 % and 200 %. The system DPI belongs to
# a whole Wine prefix and takes effect when the prefix's server starts again, so the test gets a prefix of its own
# and stops only that prefix's server. Usage: high-dpi.sh E2E_TESTS_EXE PREFIX_FOLDER
set -eu
tests_program="$1"
export WINEPREFIX="$2"
: "${DISPLAY:?the test rig runs this on its own display}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"

stop_own_prefix() { wineserver -k 2>/dev/null || true; }
trap stop_own_prefix EXIT

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    # A virtual desktop gives the maximised window the whole screen without a window manager, as in the rig's
    # own prefix.
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
fi
for dpi in 144 192; do
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    stop_own_prefix
    wineserver -w
    echo "== at $dpi DPI"
    # Results of each pass under this test's own name, never over the file the end-to-end program's own run wrote.
    case "${GTEST_OUTPUT:-}" in
        xml:*/) output="${GTEST_OUTPUT}e2e_high_dpi-$dpi.xml" ;;
        *) output="${GTEST_OUTPUT:-}" ;;
    esac
    GTEST_OUTPUT="$output" KV_EXPECTED_DPI="$dpi" wine "$tests_program" --gtest_filter='HighDpi.*'
done
