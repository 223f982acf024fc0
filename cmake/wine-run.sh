#!/bin/sh
# Runs one Windows program under Wine for ctest: quiet, no Mono/Gecko prompts, in the test run's own prefix.
: "${WINEPREFIX:?the test script sets WINEPREFIX to the run's fresh prefix}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
exec wine "$@"
