#!/bin/bash
# Page Down and resize side by side with another reader, on one Xvfb display:
#   bench/compare_side_by_side.sh BOOK.txt [KEYS] [RESIZES]
# Each reader opens the book, is clicked into and paged 30 screens on, then gets KEYS Page Down
# keys (50 ms apart) and RESIZES resizes (760 and 1000 px wide in turn, 100 ms apart). Reported:
# the CPU time (user + system, from /proc/PID/stat, 10 ms ticks) the reader and the X server
# spent per key and per resize. Screenshots before and after the keys go to $OUT (default
# /tmp/side-by-side) to check that both readers really turned their pages. The other reader
# (OTHER, default FBReader) is installed by hand on the measuring machine only.
set -u
BOOK=$1; KEYS=${2:-100}; RESIZES=${3:-40}
OTHER=${OTHER:-FBReader}
OUT=${OUT:-/tmp/side-by-side}
READER=${READER:-$(dirname "$0")/../build/app/quillmere}
mkdir -p "$OUT"
ticks() { awk '{print $14+$15}' /proc/$1/stat; }
measure() { # name pid wid
  local name=$1 pid=$2 wid=$3
  xdotool windowfocus $wid 2>/dev/null; sleep 1
  eval $(xdotool getwindowgeometry --shell $wid)
  xdotool mousemove $((X+600)) $((Y+400)) click 1; sleep 1
  # Into the middle of the book first.
  for i in $(seq 1 30); do xdotool key --window $wid Next; done; sleep 2
  import -window root $OUT/$name-before.png
  local a0=$(ticks $pid) x0=$(ticks $XPID) t0=$(date +%s.%N)
  for i in $(seq 1 $KEYS); do xdotool key --window $wid Next; sleep 0.05; done
  sleep 2
  import -window root $OUT/$name-after.png
  local a1=$(ticks $pid) x1=$(ticks $XPID)
  echo "$name pagedown_cpu_ms_per_key app=$(echo "($a1-$a0)*10/$KEYS" | bc -l | cut -c1-5) xserver=$(echo "($x1-$x0)*10/$KEYS" | bc -l | cut -c1-5)"
  a0=$(ticks $pid); x0=$(ticks $XPID)
  for i in $(seq 1 $RESIZES); do
    if [ $((i%2)) = 0 ]; then xdotool windowsize $wid 1000 700; else xdotool windowsize $wid 760 700; fi; sleep 0.1
  done
  sleep 2
  a1=$(ticks $pid); x1=$(ticks $XPID)
  echo "$name resize_cpu_ms_per_resize app=$(echo "($a1-$a0)*10/$RESIZES" | bc -l | cut -c1-5) xserver=$(echo "($x1-$x0)*10/$RESIZES" | bc -l | cut -c1-5)"
}
Xvfb :77 -screen 0 1280x900x24 >/dev/null 2>&1 & XPID=$!
export DISPLAY=:77; sleep 2
# Both readers start from settings and data of their own, away from the user's.
export XDG_DATA_HOME=$OUT/data XDG_CONFIG_HOME=$OUT/config HOME=$OUT/home
mkdir -p "$HOME"
$OTHER "$BOOK" >/dev/null 2>&1 & FPID=$!
sleep 8
FWID=$(xdotool search --pid $FPID --onlyvisible 2>/dev/null | head -1)
xdotool windowsize $FWID 1000 700; sleep 1
measure other $FPID $FWID
kill $FPID; sleep 1
"$READER" "$BOOK" >/dev/null 2>&1 & QPID=$!
sleep 8
QWID=$(xdotool search --pid $QPID --onlyvisible 2>/dev/null | tail -1)
xdotool windowsize $QWID 1000 700; sleep 1
measure quillmere $QPID $QWID
kill $QPID; sleep 1
kill $XPID
