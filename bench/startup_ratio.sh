#!/usr/bin/env bash
# Start-up against its floor: N paired runs (default 21) of the program and of two bare Qt windows,
# each timed from its start until its top-level window is mapped, on a private Xvfb display
# without a window manager.  The order inside a run rotates.  Prints the medians and the ratios
# against both floors: the empty window, and the window with one line of text in a layout (which,
# like the program, loads the font database before its window is shown).
#
#     bench/startup_ratio.sh BUILD_DIR [N]
#
# Pin it to cores with taskset to keep other work off: taskset -c 4-6 bench/startup_ratio.sh build
set -euo pipefail
build=$(cd "${1:?usage: $0 BUILD_DIR [N]}" && pwd)
runs=${2:-21}
maptime=$build/bench/MapTime
program=$build/Zorvandel
bare=$build/bench/BareWindow
for f in "$maptime" "$program" "$bare"; do
  [ -x "$f" ] || { echo "missing $f (build the targets Zorvandel, MapTime and BareWindow)" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own; Xvfb writes its number once it is ready.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
# Xvfb writes its display number, then a newline, once it takes connections.
for _ in $(seq 200); do grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null && break; sleep 0.05; done
grep -q '^[0-9][0-9]*$' "$work/display" || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$work/display")
# Both programs see the same private settings folders, so no run touches the user's own.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
export XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

time_program() { "$maptime" Zorvandel "$program"; }
time_bare() { "$maptime" Bare "$bare"; }
time_label() { "$maptime" Bare "$bare" --label; }

# One run of each first, so that caches are warm for both.
time_program >/dev/null
time_bare >/dev/null
time_label >/dev/null
: >"$work/program"; : >"$work/bare"; : >"$work/label"
for i in $(seq "$runs"); do
  case $((i % 3)) in
    1) time_program >>"$work/program"; time_bare >>"$work/bare"; time_label >>"$work/label" ;;
    2) time_bare >>"$work/bare"; time_label >>"$work/label"; time_program >>"$work/program" ;;
    0) time_label >>"$work/label"; time_program >>"$work/program"; time_bare >>"$work/bare" ;;
  esac
done

median() { sort -g "$1" | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
p=$(median "$work/program")
printf 'runs %d\nprogram median %.1f ms\n' "$runs" "$p"
for floor in bare label; do
  b=$(median "$work/$floor")
  paste "$work/program" "$work/$floor" | awk '{print $1/$2}' >"$work/ratios"
  [ "$floor" = bare ] && name='bare window' || name='bare window with text'
  printf '%s median %.1f ms, ratio of medians %.2f, median of paired ratios %.2f\n' \
    "$name" "$b" "$(awk -v p="$p" -v b="$b" 'BEGIN {print p/b}')" "$(median "$work/ratios")"
done
