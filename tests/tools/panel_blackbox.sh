#!/bin/sh
# The real program under Wine, worked like a user: the panel appears with its
# clock, Power opens the turning panorama, the panel drags by its skin, and
# Exit with OK ends the program.
#   panel_blackbox.sh VIEWER_EXE OUT_DIR   (on the display of a Wine session)
set -u
viewer="$1"
out="$2"
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tools/viewer-session.sh"
. "$root/tests/tools/blackbox_common.sh"
mkdir -p "$out"
rm -f "$out"/*.png

viewer_start "$viewer" "$out/viewer.log"
viewer_find_panel || fail "no control panel"
sleep 2.5
import -window root "$out/off.png"
[ -z "$(xdotool search --name "$viewer_title" | grep -v "^$panel_window\$")" ] ||
    fail "a second window before power-on"

viewer_click_power
viewer_wait_for_view || fail "Power did not open the viewer window"
sleep 4
turned=$(change_over_a_second on 800x400+20+20)
echo "pixels changed in the view over one second: $turned"
[ "${turned:-0}" -gt 10000 ] || fail "the view does not turn"

# Drag the panel by its title strip.
eval "$(xdotool getwindowgeometry --shell "$panel_window")"
before_x=$X
before_y=$Y
xdotool mousemove --window "$panel_window" 160 10 mousedown 1
xdotool mousemove_relative --sync 40 30 2>/dev/null || xdotool mousemove_relative 40 30
xdotool mouseup 1
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$panel_window")"
echo "panel moved from $before_x,$before_y to $X,$Y"
[ "$X" -ne "$before_x" ] && [ "$Y" -ne "$before_y" ] || fail "the panel did not move"

# Exit asks; OK ends the program.
exit_with_ok
exit 0
