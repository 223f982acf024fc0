#!/bin/sh
# Runs one Windows program under Wine for ctest: quiet, no Mono/Gecko prompts, in the test run's own prefix, and
# only on a virtual display, since the Windows tests press keys and click.
: "${WINEPREFIX:?the test script sets WINEPREFIX to the run's fresh prefix}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"

# The X server of DISPLAY is an Xvfb: the one tools/wine-env.sh started (it reports no lock file), or one started
# by hand as "Xvfb :N", whose lock file names its process.
display_is_xvfb() {
    if [ -n "${KV_XVFB_PID:-}" ] && [ "$DISPLAY" = "${KV_XVFB_DISPLAY:-}" ]; then
        server="$KV_XVFB_PID"
    else
        case "$DISPLAY" in
            :*) ;;
            *) return 1 ;;
        esac
        number="${DISPLAY#:}"
        server=$(tr -d ' \n' <"/tmp/.X${number%%.*}-lock" 2>/dev/null) || return 1
    fi
    [ "$(cat "/proc/$server/comm" 2>/dev/null)" = Xvfb ]
}

if [ -n "${DISPLAY:-}" ] && ! display_is_xvfb; then
    echo "wine-run.sh: DISPLAY=$DISPLAY is not a virtual display (Xvfb). The Windows tests send key presses and" \
        "clicks, so they never run on a desktop in use: run tools/test.sh, or start Xvfb :N and set DISPLAY=:N." >&2
    exit 1
fi
exec wine "$@"
