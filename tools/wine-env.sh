# Sourced by run.sh and test.sh: a Wine prefix of the build's own and, where no display exists, a virtual one.

export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# English as the user's language, so the program's default language is the same everywhere.
export LC_ALL=C.UTF-8

started_xvfb=""

# make_wine_prefix FOLDER [fresh]: points WINEPREFIX at FOLDER and boots it; "fresh" removes an earlier one.
make_wine_prefix() {
    local folder="$1"
    if [[ "${2:-}" == fresh ]]; then
        wineserver -k 2>/dev/null || true
        rm -rf "$folder"
    fi
    export WINEPREFIX="$folder"
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

# start_display: starts Xvfb on a free display number when DISPLAY is not set.
start_display() {
    if [[ -n "${DISPLAY:-}" ]]; then
        return
    fi
    local number
    for number in $(seq 90 130); do
        if [[ ! -e /tmp/.X11-unix/X$number && ! -e /tmp/.X$number-lock ]]; then
            Xvfb ":$number" -screen 0 "${KV_SCREEN:-1280x1024}x24" -nolisten tcp >/dev/null 2>&1 &
            started_xvfb=$!
            export DISPLAY=":$number"
            for _ in $(seq 50); do
                [[ -e /tmp/.X11-unix/X$number ]] && return
                sleep 0.1
            done
            echo "Xvfb did not start on :$number" >&2
            return 1
        fi
    done
    echo "no free display number" >&2
    return 1
}

# stop_wine_and_display: ends this prefix's Wine processes and the Xvfb that start_display started.
stop_wine_and_display() {
    if [[ -n "${WINEPREFIX:-}" ]]; then
        wineserver -k 2>/dev/null || true
    fi
    if [[ -n "$started_xvfb" ]]; then
        kill "$started_xvfb" 2>/dev/null || true
        wait "$started_xvfb" 2>/dev/null || true
        started_xvfb=""
    fi
}
