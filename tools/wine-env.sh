# Sourced by run.sh and test.sh: a Wine prefix of the build's own and a virtual display of its own. The rig stops
# only what it started itself: the prefix it made (never ~/.wine or the caller's WINEPREFIX) and its own Xvfb.

export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# English as the user's language, so the program's default language is the same everywhere.
export LC_ALL=C.UTF-8

started_xvfb=""
made_prefix=""

# make_wine_prefix FOLDER [fresh]: points WINEPREFIX at FOLDER and boots it; "fresh" removes an earlier one.
make_wine_prefix() {
    local folder="$1"
    if [[ "${2:-}" == fresh && -e "$folder" ]]; then
        # The server of an earlier run in this same folder, and no other: WINEPREFIX names it explicitly.
        WINEPREFIX="$folder" wineserver -k 2>/dev/null || true
        rm -rf "$folder"
    fi
    export WINEPREFIX="$folder"
    made_prefix="$folder"
    if [[ ! -f "$folder/system.reg" ]]; then
        mkdir -p "$folder"
        wineboot -i >/dev/null 2>&1
        # A virtual desktop of the screen's size gives a maximised window the whole work area without a
        # window manager.
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "${KV_SCREEN:-1280x1024}" /f >/dev/null 2>&1
        wineserver -w
    fi
}

# start_display: starts an Xvfb of this run's own, whatever DISPLAY says, and points DISPLAY at it. Xvfb picks a
# free number itself and reports it (-displayfd), so two runs started together never share a display, and the
# tests' key presses and clicks never reach a real desktop.
start_display() {
    local report
    report=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${KV_SCREEN:-1280x1024}x24" -nolisten tcp 3>"$report" >/dev/null 2>&1 &
    started_xvfb=$!
    local number=""
    for _ in $(seq 100); do
        # The number and a line end are written once the server accepts connections.
        if [[ $(wc -l <"$report") -ge 1 ]]; then
            number=$(head -n 1 "$report")
            break
        fi
        kill -0 "$started_xvfb" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$report"
    if [[ ! "$number" =~ ^[0-9]+$ ]] || ! kill -0 "$started_xvfb" 2>/dev/null; then
        echo "Xvfb did not start (or ended at once)" >&2
        stop_display
        return 1
    fi
    export DISPLAY=":$number"
    # cmake/wine-run.sh lets the Windows tests run only on a display it can tell is an Xvfb.
    export KV_XVFB_DISPLAY="$DISPLAY" KV_XVFB_PID="$started_xvfb"
}

stop_display() {
    if [[ -n "$started_xvfb" ]]; then
        kill "$started_xvfb" 2>/dev/null || true
        wait "$started_xvfb" 2>/dev/null || true
        started_xvfb=""
    fi
}

# stop_wine_and_display: ends the Wine processes of the prefix this script made, if it made one, and the Xvfb
# that start_display started. Run from an EXIT trap, so it must be harmless when the script stopped early.
stop_wine_and_display() {
    if [[ -n "$made_prefix" ]]; then
        WINEPREFIX="$made_prefix" wineserver -k 2>/dev/null || true
    fi
    stop_display
}
