#!/usr/bin/env bash
# The frame budget and the start-up time of the real game under Xvfb (Mesa's
# software renderer), measured by the game's own --frame-stats.
#   bench/frame_budget.sh [GAME] [SECONDS]
# 1. Start-up: five launches; the time from launch to the first splash frame
#    and to the first title frame; the median of each.
# 2. The shipped level with the most geometry, played through xdotool:
#    stamping and cutting for SECONDS (default 20); passes per second and the
#    CPU time of a pass without the pacing delay (mean, median, 99th
#    percentile, maximum).
SOURCE_DIR=$(cd "$(dirname "$0")/.." && pwd)
GAME=${1:-$SOURCE_DIR/build/tiltmoor}
SECONDS_OF_PLAY=${2:-20}
. "$SOURCE_DIR/tests/e2e/lib.sh"
start_xvfb
copy_data "$E2E_WORK/game"
cd "$E2E_WORK/game" || exit 1
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

echo "== Start-up (five launches)"
for i in 1 2 3 4 5; do
  launch=$(date +%s%3N)
  start_game "$E2E_WORK/game" --frame-stats
  wait_for_title
  hold_key Escape
  wait_exit 10
  line=$(grep 'first splash frame at' "$GAME_LOG")
  s=$(sed -E 's/.*splash frame at ([0-9]+).*/\1/' <<<"$line"); t=$(sed -E 's/.*title frame at ([0-9]+).*/\1/' <<<"$line")
  echo $((s - launch)) >> "$E2E_WORK/splash.txt"; echo $((t - launch)) >> "$E2E_WORK/title.txt"
  echo "  launch $i: first splash frame after $((s - launch)) ms, first title frame after $((t - launch)) ms"
done
echo "  median of five: first splash frame $(median < "$E2E_WORK/splash.txt") ms, first title frame $(median < "$E2E_WORK/title.txt") ms"

# The shipped level with the most vertices, and its place in the play order.
order=(9 6 8 4 3 7 5 2 10 1 11 12 13 14 15 16 17 18)
best=-1; bestn=9; bestindex=0
for i in "${!order[@]}"; do
  f="data/${order[$i]}.lv"; [ -f "$f" ] || continue
  v=$(awk 'BEGIN{RS="[ \t\r\n]+"} NF{t[++m]=$0} END{i=2; s=0; for(k=0;k<t[1];k++){s+=t[i]; i+=2+2*t[i]} print s}' "$f")
  [ "$v" -gt "$best" ] && { best=$v; bestn=${order[$i]}; bestindex=$i; }
done
echo "== Frame budget: data/$bestn.lv ($best vertices, level $((bestindex + 1))), $SECONDS_OF_PLAY s of stamping and cutting"
start_game "$E2E_WORK/game" --frame-stats
wait_for_title
for _ in $(seq "$bestindex"); do hold_key Right; done
click_at 512 740
end=$(( $(date +%s) + SECONDS_OF_PLAY ))
RANDOM=42
while [ "$(date +%s)" -lt "$end" ]; do
  click_at $((200 + RANDOM % 624)) $((200 + RANDOM % 400)) $(( RANDOM % 2 ? 1 : 3 ))
  if [ $((RANDOM % 20)) -eq 0 ]; then hold_key Escape; click_at 512 740; fi
done
hold_key Escape; sleep 0.3; hold_key Escape
wait_exit 10
grep '^frame-stats: passes' "$GAME_LOG" | sed 's/^frame-stats: /  /'
