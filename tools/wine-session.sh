# Shell functions the scripts share for Xvfb and Wine sessions; source this file. The Wine ones act
# on the prefix in WINEPREFIX.

# wine_start_xvfb [SCREEN]: an Xvfb of our own on a free display (default screen 1280x1024x24);
# sets xvfb_pid and exports DISPLAY. False when it did not start.
wine_start_xvfb() {
    local fd_file display
    fd_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${1:-1280x1024x24}" -nolisten tcp 3>"$fd_file" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$fd_file" ] && break
        sleep 0.1
    done
    display=$(head -n1 "$fd_file")
    rm -f "$fd_file"
    [ -n "$display" ] || return 1
    export DISPLAY=":$display"
}

# wine_end_session: ends the session's programs and its wineserver, and waits for them.
wine_end_session() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
}

# wine_make_prefix AUDIO [MANAGED]: makes the prefix (booted once, then ended). AUDIO: the audio
# driver, "alsa" or "" for none. MANAGED: N (the default) lets Wine manage no window: without a
# window manager (Xvfb), hiding or destroying a managed window stalls.
wine_make_prefix() {
    wineboot -i >/dev/null 2>&1 || return 1
    if [ "${2:-N}" = N ]; then
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    fi
    wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "$1" /f >/dev/null 2>&1
    wine_end_session
}

# wine_keep_prefix AUDIO: the prefix made once and kept between runs (a marker file says it is
# complete).
wine_keep_prefix() {
    [ -f "$WINEPREFIX/.dormex-ready" ] && return 0
    rm -rf "$WINEPREFIX"
    wine_make_prefix "$1" && touch "$WINEPREFIX/.dormex-ready"
}

# wine_boot_session: a persistent session of the prefix. The first program of the session boots it.
# An explicit `wineboot -i` here would boot it a second time: two services.exe, and services
# started through the service control manager then fail with 1053 (they connect to the other one's
# pipe).
wine_boot_session() {
    wineserver -p
    wine cmd /c exit </dev/null >/dev/null 2>&1
}
