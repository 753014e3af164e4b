#!/bin/sh
# Sourced by the test and run scripts: a virtual display and a Wine prefix of
# the project's own, both ended by wine_session_end.
#   wine_session_begin BUILD_DIR DISPLAY_NUMBER
#   wine_session_end
# LX_WINE is the Wine loader to run programs with (see wine_loader). The
# callers set root to the source tree (or run from it).

# Some kernels run no 32-bit Linux programs, and so not Wine's 32-bit loader
# either; Wine's 64-bit loader then runs the 64-bit build of the programs.
wine_runs_32bit() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

# The build tree the Windows tests run in on this machine.
wine_build_arch() {
    if wine_runs_32bit; then echo win32; else echo win64; fi
}

wine_loader() {
    if wine_runs_32bit; then echo wine; else echo /usr/lib/wine/wine64; fi
}

wine_session_begin() {
    session_build_dir="$1"
    session_tools_dir="${root:-$(pwd)}/tools"
    session_display="$2"
    export WINEPREFIX="$session_build_dir/wineprefix"
    LX_WINE=$(wine_loader)
    export LX_WINE
    [ "$LX_WINE" = wine ] || export WINELOADER="$LX_WINE"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
    # No sound card here: a null ALSA device keeps ALSA quiet.
    export HOME="$session_build_dir/home"
    mkdir -p "$HOME"
    [ -f "$HOME/.asoundrc" ] || echo 'pcm.!default { type null }' > "$HOME/.asoundrc"

    session_xvfb_pid=""
    session_states_pid=""
    if [ -z "${LX_KEEP_DISPLAY:-}" ]; then
        rm -f "/tmp/.X${session_display}-lock" "/tmp/.X11-unix/X${session_display}"
        Xvfb ":$session_display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        session_xvfb_pid=$!
        export DISPLAY=":$session_display"
        i=0
        while [ ! -e "/tmp/.X11-unix/X${session_display}" ] && [ $i -lt 50 ]; do
            sleep 0.1; i=$((i + 1))
        done
        # The virtual display has no window manager; this stands in for the
        # one thing Wine waits for from it.
        /usr/bin/python3 "$session_tools_dir/window-states.py" >/dev/null 2>&1 &
        session_states_pid=$!
    fi

    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Preparing the Wine prefix (first time only, about half a minute)"
        timeout 300 "$LX_WINE" wineboot -i >/dev/null 2>&1 || true
        timeout 60 wineserver -w || true
        # A crash must end the program, not wait in the debugger.
        timeout 60 "$LX_WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
            /v Auto /t REG_SZ /d 1 /f >/dev/null 2>&1 || true
        timeout 60 "$LX_WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
            /v Debugger /t REG_SZ /d '' /f >/dev/null 2>&1 || true
        timeout 60 wineserver -w || true
    fi
    wine_install_fonts
    if [ -n "$session_xvfb_pid" ]; then wine_draw_own_frames Y; else wine_draw_own_frames N; fi
    wineserver -p >/dev/null 2>&1 || true
    # Start Wine's own services now, detached from any pipe: a service started
    # by the first test would inherit that test's output pipe and keep CTest
    # waiting for it to close.
    timeout 120 "$LX_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# Wine's replacements of the classic Windows faces (MS Sans Serif, Tahoma,
# Marlett for the caption buttons, ...) come in Debian's fonts-wine, but this
# Wine looks for them only in the prefix's Fonts folder and otherwise draws
# every dialog in a wide substitute face and the caption buttons as letters.
wine_install_fonts() {
    [ -d /usr/share/wine/fonts ] || return 0
    fonts_dir="$WINEPREFIX/drive_c/windows/Fonts"
    mkdir -p "$fonts_dir"
    for font in /usr/share/wine/fonts/*; do
        [ -e "$fonts_dir/${font##*/}" ] || cp "$font" "$fonts_dir/"
    done
}

# Whether Wine draws the title bars and borders of its windows itself (Y) or
# leaves them to a window manager (N, Wine's default, for a desktop's own
# display). On the virtual display nothing else would draw them once the
# windows' states are kept (window-states.py).
wine_draw_own_frames() {
    drawing=N
    grep -q '^"Decorated"="N"' "$WINEPREFIX/user.reg" 2>/dev/null && drawing=Y
    [ "$drawing" = "$1" ] && return 0
    decorated=Y
    [ "$1" = Y ] && decorated=N
    timeout 60 "$LX_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ \
        /d "$decorated" /f >/dev/null 2>&1 || true
}

wine_session_end() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$session_states_pid" ]; then
        kill "$session_states_pid" 2>/dev/null || true
        wait "$session_states_pid" 2>/dev/null || true
    fi
    if [ -n "$session_xvfb_pid" ]; then
        kill "$session_xvfb_pid" 2>/dev/null || true
        wait "$session_xvfb_pid" 2>/dev/null || true
    fi
}
