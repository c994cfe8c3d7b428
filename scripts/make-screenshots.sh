#!/usr/bin/env bash
# Makes the screenshots the README shows (docs/screenshots/*.png) by running the program in a virtual
# X server and driving it with the keyboard, as a user would.
#
#   scripts/make-screenshots.sh [PROGRAM]     (default: build/release/src/quorvane)
#
# Needs xvfb, xdotool and imagemagick (apt-get install -y xvfb xdotool imagemagick). Each scene starts
# the program with a fresh home folder, so no settings or session of the user are read or changed.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
program=$(readlink -f "${1:-$here/build/release/src/quorvane}")
out=$here/docs/screenshots
mkdir -p "$out"
for tool in xvfb-run xdotool import; do
    command -v $tool >/dev/null || { echo "missing $tool (apt-get install -y xvfb xdotool imagemagick)"; exit 2; }
done
[ -x "$program" ] || { echo "no program at $program: build it first"; exit 2; }

# scene NAME SCALE FILE STEPS...: one run of the program on FILE (empty: a new document); STEPS are
# "key K", "type T", "sleep S" words separated by ';'. The window is shot at the end.
scene() {
    local name=$1 scale=$2 file=$3 steps=$4
    local home
    home=$(mktemp -d)
    QT_SCALE_FACTOR=$scale xvfb-run -a -s "-screen 0 $((1400 * scale))x$((1000 * scale))x24" bash -c '
        home=$1; program=$2; file=$3; steps=$4; shot=$5; scale=$6
        HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
            "$program" ${file:+"$file"} >"$home/program.log" 2>&1 &
        pid=$!
        win=""
        for _ in $(seq 1 100); do
            win=$(xdotool search --onlyvisible --pid $pid 2>/dev/null | head -1)
            [ -n "$win" ] && break
            sleep 0.1
        done
        [ -n "$win" ] || { echo "no window appeared"; cat "$home/program.log"; kill $pid; exit 1; }
        xdotool windowsize $win $((1100 * scale)) $((720 * scale))
        sleep 1
        xdotool windowfocus --sync $win 2>/dev/null || true
        IFS=";" read -ra list <<<"$steps"
        for step in "${list[@]}"; do
            step=${step# }
            case $step in
                key\ *) xdotool key --window $win --delay 60 ${step#key } ;;
                type\ *) xdotool type --window $win --delay 30 -- "${step#type }" ;;
                sleep\ *) sleep ${step#sleep } ;;
                "") ;;
            esac
            sleep 0.3
        done
        sleep 0.5
        # The whole screen, cut to the window, so that dialogs over it are in the picture too.
        eval "$(xdotool getwindowgeometry --shell $win)"
        import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot"
        kill $pid 2>/dev/null; wait $pid 2>/dev/null || true
    ' _ "$home" "$program" "$file" "$steps" "$out/$name.png" "$scale"
    rm -rf "$home"
    echo "made $out/$name.png"
}

# The first start: the welcome text in a new document, the palette above it.
scene welcome 1 "" "key ctrl+End"
# A sample, checked with F5, at twice the scale.
scene sample-2x 2 "$here/samples/tour.frt" "key F5; sleep 0.5"
# Find: the dialog over the sample with a match selected.
scene find 1 "$here/samples/tour.frt" "key ctrl+f; type frame; key Return; sleep 0.5"
