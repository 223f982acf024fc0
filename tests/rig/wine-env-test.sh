#!/bin/bash
# Checks that the test rig touches only what it made: tools/wine-env.sh stops no Wine prefix but the one it
# made, every run gets an Xvfb of its own even with DISPLAY set, and cmake/wine-run.sh runs the Windows tests on
# no display but an Xvfb. Wine itself is replaced by stand-ins that write down how they were called.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
scratch=$(mktemp -d)
trap 'touch "$scratch/done"; wait; rm -rf "$scratch"' EXIT

mkdir "$scratch/bin"
for tool in wineserver wine wineboot; do
    printf '#!/bin/sh\necho "%s $* WINEPREFIX=${WINEPREFIX-unset}" >>"%s/calls"\n' "$tool" "$scratch" \
        >"$scratch/bin/$tool"
    chmod +x "$scratch/bin/$tool"
done
echo 'touch "$WINEPREFIX/system.reg"' >>"$scratch/bin/wineboot"
export PATH="$scratch/bin:$PATH"
user_prefix="$scratch/user-prefix"
own_prefix="$scratch/own-prefix"

passed=0
failed=0
check() {
    local what="$1"
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        echo "FAILED: $what" >&2
        failed=$((failed + 1))
    fi
}
calls() { cat "$scratch/calls" 2>/dev/null || true; }
no_wineserver_call() { ! calls | grep -q '^wineserver'; }
servers_only_of() { ! calls | grep '^wineserver' | grep -vq "WINEPREFIX=$1\$"; }
stopped() { calls | grep -q "^wineserver -k WINEPREFIX=$1\$"; }

# A script that fails before it makes its prefix stops no Wine server, neither the user's WINEPREFIX nor ~/.wine.
for user in "$user_prefix" ""; do
    WINEPREFIX="$user" bash -c 'source tools/wine-env.sh; trap stop_wine_and_display EXIT; false' || true
done
check "a failed start stops no Wine prefix" no_wineserver_call

# A fresh prefix over an earlier one stops the earlier one's server and, at the end, its own: never the user's.
mkdir "$own_prefix"
WINEPREFIX="$user_prefix" bash -c "source tools/wine-env.sh; trap stop_wine_and_display EXIT
    make_wine_prefix '$own_prefix' fresh"
check "the rig stops only the prefix it made" servers_only_of "$own_prefix"
check "the rig stops the prefix it made" stopped "$own_prefix"

# Three runs started together, each with DISPLAY set to a desktop in use, get three live Xvfb of their own.
for run in 1 2 3; do
    DISPLAY=desktop:0 bash -c "source tools/wine-env.sh
        start_display || exit 1
        echo \"\$DISPLAY \$started_xvfb\" >'$scratch/display$run'
        WINEPREFIX='$own_prefix' cmake/wine-run.sh accepted-$run.exe || true
        while [[ ! -e '$scratch/done' ]]; do sleep 0.1; done
        stop_display" &
done
for _ in $(seq 100); do
    [[ -s "$scratch/display1" && -s "$scratch/display2" && -s "$scratch/display3" ]] && break
    sleep 0.1
done
displays=$(cat "$scratch"/display? 2>/dev/null | cut -d' ' -f1)
xvfbs=$(cat "$scratch"/display? 2>/dev/null | cut -d' ' -f2)
all_xvfb() { [[ $(wc -w <<<"$1") == 3 ]] && for pid in $1; do [[ $(cat "/proc/$pid/comm") == Xvfb ]] || return 1; done; }
check "three runs started together get three live Xvfb" all_xvfb "$xvfbs"
check "the three displays are virtual and differ" \
    test "$(grep -c '^:[0-9]*$' <<<"$displays")" == 3 -a "$(sort -u <<<"$displays" | wc -l)" == 3
check "the Windows tests run on the rig's display" test "$(calls | grep -c '^wine accepted-')" == 3

# Nor does cmake/wine-run.sh start a test on a display that is no Xvfb.
for display in desktop:0 ":$((RANDOM + 40000))"; do
    DISPLAY="$display" WINEPREFIX="$own_prefix" cmake/wine-run.sh refused.exe 2>/dev/null || true
done
check "no test runs on a display that is no Xvfb" test "$(calls | grep -c '^wine refused')" == 0

touch "$scratch/done"
wait
gone() { for pid in $1; do ! kill -0 "$pid" 2>/dev/null || return 1; done; }
check "stop_display ends its own Xvfb" gone "$xvfbs"

echo "rig checks: $passed passed, $failed failed"
((failed == 0))
