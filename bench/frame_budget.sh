#!/usr/bin/env bash
# The frame budget and the start-up time of the real game under Xvfb (Mesa's
# software renderer).
#   bench/frame_budget.sh [GAME] [SECONDS]
# 1. Start-up: five launches; the time from launch to the first splash frame
#    and to the first title frame; the median of each.
# 2. The shipped level with the most geometry, played through xdotool:
#    stamping and cutting for SECONDS (default 20); the game's own
#    --frame-stats report: passes per second and the CPU time of a pass
#    without the pacing delay (mean, median, 99th percentile, maximum).
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
GAME=${1:-$here/build/tiltmoor}
SECONDS_OF_PLAY=${2:-20}
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export SDL_AUDIODRIVER=dummy GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1

for n in $(seq 150 190); do
  [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
  Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 & xvfb=$!
  for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
  [ -e /tmp/.X11-unix/X$n ] && { export DISPLAY=:$n; sleep 0.3; break; }
done
[ -n "${DISPLAY:-}" ] || { echo "no Xvfb display" >&2; exit 1; }
mkdir -p "$work/game" && cp -r "$here/data" "$work/game/" && rm -f "$work/game/data/temp"
cd "$work/game" || exit 1

window_of() { local w; for _ in $(seq 100); do w=$(xdotool search --all --pid "$1" --name '^Tiltmoor$' 2>/dev/null | head -1); [ -n "$w" ] && { echo "$w"; return; }; sleep 0.05; done; }
hold() { xdotool keydown "$1"; sleep 0.15; xdotool keyup "$1"; sleep 0.1; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

echo "== Start-up (five launches)"
: > splash.txt; : > title.txt
for i in 1 2 3 4 5; do
  launch=$(date +%s%3N)
  "$GAME" --windowed --frame-stats > run.log 2>/dev/null & pid=$!
  win=$(window_of $pid)
  sleep 4.2
  xdotool windowfocus "$win" 2>/dev/null; hold Escape
  wait $pid
  line=$(grep 'first splash frame at' run.log)
  s=$(echo "$line" | sed -E 's/.*splash frame at ([0-9]+).*/\1/'); t=$(echo "$line" | sed -E 's/.*title frame at ([0-9]+).*/\1/')
  echo $((s - launch)) >> splash.txt; echo $((t - launch)) >> title.txt
  echo "  launch $i: first splash frame after $((s - launch)) ms, first title frame after $((t - launch)) ms"
done
echo "  median: first splash frame $(median < splash.txt) ms, first title frame $(median < title.txt) ms"

# The shipped level with the most vertices, and its place in the play order.
order=(9 6 8 4 3 7 5 2 10 1 11 12 13 14 15 16 17 18)
best=0; bestn=0; bestindex=0
for i in "${!order[@]}"; do
  f="data/${order[$i]}.lv"; [ -f "$f" ] || continue
  v=$(awk 'BEGIN{RS="[ \t\r\n]+"} NF{t[++m]=$0} END{i=2; s=0; for(k=0;k<t[1];k++){s+=t[i]; i+=2+2*t[i]} print s}' "$f")
  [ "$v" -gt "$best" ] && { best=$v; bestn=${order[$i]}; bestindex=$i; }
done
echo "== Frame budget: data/$bestn.lv ($best vertices, level $((bestindex + 1))), ${SECONDS_OF_PLAY} s of stamping and cutting"
"$GAME" --windowed --frame-stats > run.log 2>/dev/null & pid=$!
win=$(window_of $pid)
sleep 4.2
xdotool windowfocus "$win" 2>/dev/null
for _ in $(seq "$bestindex"); do hold Right; done
xdotool mousemove --window "$win" 512 700; xdotool mousedown 1; sleep 0.15; xdotool mouseup 1; sleep 0.3
end=$(( $(date +%s) + SECONDS_OF_PLAY ))
RANDOM=42
while [ "$(date +%s)" -lt "$end" ]; do
  xdotool mousemove --window "$win" $((200 + RANDOM % 624)) $((200 + RANDOM % 400))
  b=$(( RANDOM % 2 == 0 ? 1 : 3 ))
  xdotool mousedown $b; sleep 0.05; xdotool mouseup $b; sleep 0.1
  if [ $((RANDOM % 15)) -eq 0 ]; then hold Escape; sleep 0.2; xdotool mousedown 1; sleep 0.05; xdotool mouseup 1; sleep 0.2; fi
done
hold Escape; sleep 0.3; hold Escape
wait $pid
grep '^frame-stats: passes' run.log | sed 's/^frame-stats: /  /'
