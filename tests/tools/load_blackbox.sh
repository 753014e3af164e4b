#!/bin/sh
# The real program under Wine, worked like a user: Power, Load, the path of a
# test video typed into the file dialog and Return; the video plays inside
# the view, Pause holds it, and a file that is not a video ends in the
# "Error" box, after which the program goes on.
#   load_blackbox.sh VIEWER_EXE VIDEO_DIR OUT_DIR   (on the display of a Wine session)
set -u
viewer="$1"
videos="$2"
out="$3"
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tools/viewer-session.sh"
. "$root/tests/tools/blackbox_common.sh"
mkdir -p "$out"
rm -f "$out"/*.png

windows_path() {
    printf 'Z:%s' "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" | tr / '\\'
}

# Load on the panel, the path typed into the dialog, and Return.
load_file() {
    xdotool mousemove --window "$panel_window" 139 131 click 1
    dialog=$(window_matching "^Load 360 Video$") || fail "no file dialog"
    sleep 1
    # Typed through the keyboard of the display: keys sent to a window
    # directly arrive without Shift here.
    xdotool windowfocus "$dialog"
    sleep 0.3
    xdotool type --delay 20 "$(windows_path "$1")"
    xdotool key Return
}

[ -f "$videos/h264_aac.mp4" ] || fail "no test videos in $videos"
# Plain lower-case names are typed more safely than "_" and capitals.
cp "$videos/h264_aac.mp4" "$out/clip.mp4"
cp "$videos/text.mp4" "$out/notes.mp4"
cp "$videos/Pano.JPG" "$out/pano.jpg"
viewer_start "$viewer" "$out/viewer.log"
viewer_find_panel || fail "no control panel"
sleep 2
viewer_click_power
viewer_wait_for_view || fail "Power did not open the viewer window"
sleep 3

load_file "$out/clip.mp4"
sleep 6
# A click in the view stops the turn; what still changes is the video.
xdotool mousemove --window "$view_window" 300 200 click 1
sleep 1
playing=$(change_over_a_second playing 600x400+20+40)
echo "pixels changed in the view over one second while the video plays: $playing"
[ "${playing:-0}" -gt 2000 ] || fail "the video does not play in the view"

# Pause, on the panel's Play/Pause button.
xdotool mousemove --window "$panel_window" 139 158 click 1
sleep 1.5
paused=$(change_over_a_second paused 600x400+20+40)
echo "pixels changed in the view over one second while paused: $paused"
[ "${paused:-1}" -eq 0 ] || fail "the view still changes after Pause"

# A file that is not a video: the error box, OK, and the program goes on.
load_file "$out/notes.mp4"
box=$(window_matching "^Error$") || fail "no error box for a file that is not a video"
import -window root "$out/error.png"
# A click on the box makes it active; OK has its focus, so the space bar
# presses it. (Clicks on the button itself do not reach a box of a runner
# thread here.)
tries=0
while xdotool search --onlyvisible --name "^Error$" >/dev/null && [ $tries -lt 5 ]; do
    xdotool mousemove --window "$box" 20 20 click 1
    xdotool windowfocus "$box"
    sleep 0.3
    xdotool key space
    sleep 1
    tries=$((tries + 1))
done
xdotool search --onlyvisible --name "^Error$" >/dev/null && fail "the error box stays after OK"
echo "the error box went with OK after $tries tries"
kill -0 "$viewer_pid" 2>/dev/null || fail "the program ended after the error"
load_file "$out/pano.jpg"
sleep 4
import -window root "$out/picture.png"
red=$(convert "$out/picture.png" -crop 600x400+20+40 +repage -fx '(r>0.7&&g<0.3&&b<0.3)||(b>0.7&&r<0.3&&g<0.3)' -format '%[fx:mean]' info:)
echo "share of the view in the picture's red and blue: $red"
awk "BEGIN { exit !($red > 0.5) }" || fail "the program did not go on to show the next file"

exit_with_ok
exit 0
