#!/bin/sh
# Sourced by the black-box runs of the real program; they set $out (their
# folder of screenshots) and $viewer_pid (see tools/viewer-session.sh).

fail() {
    echo "FAILED: $*" >&2
    [ -n "${viewer_pid:-}" ] && kill "$viewer_pid" 2>/dev/null
    exit 1
}

# Pixels that differ between two screenshots inside a rectangle WxH+X+Y.
changed_pixels() {
    convert "$1" -crop "$3" +repage "$out/a.png"
    convert "$2" -crop "$3" +repage "$out/b.png"
    compare -metric AE "$out/a.png" "$out/b.png" null: 2>&1 | cut -d' ' -f1
}

# Two screenshots a second apart, NAME1.png and NAME2.png; prints the pixels
# that changed between them inside the rectangle.
change_over_a_second() {
    import -window root "$out/${1}1.png"
    sleep 1
    import -window root "$out/${1}2.png"
    changed_pixels "$out/${1}1.png" "$out/${1}2.png" "$2"
}

# Exit on the panel, OK in its confirmation, and the program must end.
exit_with_ok() {
    viewer_click_power
    box=$(window_matching "^Exit$") || fail "no exit confirmation"
    import -window root "$out/exit.png"
    xdotool key --window "$box" Return
    i=0
    while kill -0 "$viewer_pid" 2>/dev/null && [ $i -lt 30 ]; do
        sleep 0.5
        i=$((i + 1))
    done
    kill -0 "$viewer_pid" 2>/dev/null && fail "the program did not end after OK"
    echo "the program ended after the exit confirmation"
}
