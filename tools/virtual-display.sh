# Sourced by the scripts that run the program on a virtual display.
# start_virtual_display FIRST COUNT: starts Xvfb on a display number picked at
# random among COUNT from FIRST, sets `xvfb` to its process id, exports DISPLAY
# for Qt's X11 platform and waits until the server answers (5 s at the most).
# The caller kills "$xvfb" on exit.
start_virtual_display() {
    display=:$(( $1 + RANDOM % $2 ))
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    export DISPLAY=$display QT_QPA_PLATFORM=xcb
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}
