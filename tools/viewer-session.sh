#!/bin/sh
# Sourced by the run script and the black-box test: starts the viewer under
# Wine on the current display and works its control panel with xdotool.
#   viewer_start EXE LOG          starts the viewer; sets viewer_pid
#   viewer_find_panel             waits for the panel; sets panel_window
#   viewer_click_power            clicks Power (later Exit) on the panel
#   viewer_wait_for_view          waits for the viewer window; sets view_window
#   window_matching PATTERN [EXCLUDED_ID]
#                                 prints the first window with a matching title

viewer_title="Lumivex 360 Video Viewer"

viewer_start() {
    "${LX_WINE:-wine}" "$1" >"$2" 2>&1 &
    viewer_pid=$!
}

# Waits up to 30 s for the window.
window_matching() {
    tries=0
    while [ $tries -lt 60 ]; do
        match=$(xdotool search --name "$1" 2>/dev/null | grep -vx "${2:-none}" | head -n 1)
        if [ -n "$match" ]; then
            echo "$match"
            return 0
        fi
        sleep 0.5
        tries=$((tries + 1))
    done
    return 1
}

viewer_find_panel() {
    panel_window=$(window_matching "$viewer_title")
}

viewer_wait_for_view() {
    view_window=$(window_matching "$viewer_title" "$panel_window")
}

# The Power button's centre in the panel window at 96 DPI: one pixel of
# border, then the button at (101, 172), 75 x 24 pixels.
viewer_click_power() {
    xdotool mousemove --window "$panel_window" 139 185 click 1
}
