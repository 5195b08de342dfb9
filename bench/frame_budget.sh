#!/usr/bin/env bash
# The frame budget and the start-up time of the real game under Xvfb (Mesa's
# software renderer), measured by the game's own --frame-stats.
#   bench/frame_budget.sh [GAME] [SECONDS] [ROUNDS]
# 1. Start-up: five launches; the time from launch to the first splash frame
#    and to the first title frame, the median of each, and where the time of
#    each launch went (the game's own split, in ms).
# 2. The shipped level with the most geometry, played through xdotool:
#    stamping and cutting for SECONDS (default 20) with multisampling forced
#    (--multisample) and then as the game starts by default, ROUNDS times
#    (default 1) side by side; passes per second and the CPU time of a pass
#    without the pacing delay (mean, median, 99th percentile, maximum) of each,
#    and the ratio of the default's passes per second to the forced ones.
# The machine's load average is printed with every section: figures from a
# loaded machine are only comparable side by side.
SOURCE_DIR=$(cd "$(dirname "$0")/.." && pwd)
GAME=$(realpath "${1:-$SOURCE_DIR/build/tiltmoor}")
SECONDS_OF_PLAY=${2:-20}
ROUNDS=${3:-1}
. "$SOURCE_DIR/tests/e2e/lib.sh"
start_xvfb
copy_data "$E2E_WORK/game"
cd "$E2E_WORK/game" || exit 1
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
load() { echo "  load average: $(cut -d' ' -f1-3 /proc/loadavg)"; }

echo "== Start-up (five launches, default settings)"
load
for i in 1 2 3 4 5; do
  launch=$(date +%s%3N)
  start_game "$E2E_WORK/game" --frame-stats
  wait_for_title
  hold_key Escape
  wait_exit 10
  line=$(grep 'first splash frame at' "$GAME_LOG")
  s=$(sed -E 's/.*splash frame at ([0-9]+).*/\1/' <<<"$line"); t=$(sed -E 's/.*title frame at ([0-9]+).*/\1/' <<<"$line")
  m=$(sed -E 's/.*main entered at ([0-9]+).*/\1/' <<<"$line")
  echo $((s - launch)) >> "$E2E_WORK/splash.txt"; echo $((t - launch)) >> "$E2E_WORK/title.txt"
  echo "  launch $i: first splash frame after $((s - launch)) ms, first title frame after $((t - launch)) ms"
  echo "    split: launch to main $((m - launch)), $(grep -oP 'start-up ms: \K.*' "$GAME_LOG")"
done
echo "  median of five: first splash frame $(median < "$E2E_WORK/splash.txt") ms, first title frame $(median < "$E2E_WORK/title.txt") ms"
grep -h '^Software renderer' "$GAME_LOG" | sed 's/^/  /'
load

# The shipped level with the most vertices, and its place in the play order.
order=(9 6 8 4 3 7 5 2 10 1 11 12 13 14 15 16 17 18)
best=-1; bestn=9; bestindex=0
for i in "${!order[@]}"; do
  f="data/${order[$i]}.lv"; [ -f "$f" ] || continue
  v=$(awk 'BEGIN{RS="[ \t\r\n]+"} NF{t[++m]=$0} END{i=2; s=0; for(k=0;k<t[1];k++){s+=t[i]; i+=2+2*t[i]} print s}' "$f")
  [ "$v" -gt "$best" ] && { best=$v; bestn=${order[$i]}; bestindex=$i; }
done

# play_level NAME [ARGS]: SECONDS_OF_PLAY of stamping and cutting on that
# level; appends "passes milliseconds p99" to $E2E_WORK/NAME.txt.
play_level() {
  local name=$1; shift
  start_game "$E2E_WORK/game" --frame-stats "$@"
  wait_for_title
  for _ in $(seq "$bestindex"); do hold_key Right; done
  click_at 512 740
  local end=$(( $(date +%s) + SECONDS_OF_PLAY ))
  RANDOM=42
  while [ "$(date +%s)" -lt "$end" ]; do
    click_at $((200 + RANDOM % 624)) $((200 + RANDOM % 400)) $(( RANDOM % 2 ? 1 : 3 ))
    if [ $((RANDOM % 20)) -eq 0 ]; then hold_key Escape; click_at 512 740; fi
  done
  hold_key Escape; sleep 0.3; hold_key Escape
  wait_exit 10
  local stats mode
  stats=$(grep '^frame-stats: passes' "$GAME_LOG")
  mode=$(grep -oP '^frame-stats: renderer .*, \Ksample buffers.*' "$GAME_LOG")
  [ -n "$stats" ] || fail "no frame statistics from the $name run"
  echo "  $name ($mode): ${stats#frame-stats: }"
  # passes N, passes per second R, ... p99 P: passes and the run's length.
  awk -v line="$stats" 'BEGIN {
    match(line, /passes [0-9]+/); n = substr(line, RSTART + 7, RLENGTH - 7)
    match(line, /per second [0-9.]+/); r = substr(line, RSTART + 11, RLENGTH - 11)
    match(line, /p99 [0-9.]+/); p = substr(line, RSTART + 4, RLENGTH - 4)
    printf "%d %.1f %s\n", n, (r > 0 ? 1000 * n / r : 0), p }' >> "$E2E_WORK/$name.txt"
}

echo "== Frame budget: data/$bestn.lv ($best vertices, level $((bestindex + 1))), $SECONDS_OF_PLAY s of stamping and cutting per run, $ROUNDS round(s)"
load
for _ in $(seq "$ROUNDS"); do
  play_level forced --multisample
  play_level default
  load
done
summary() { awk '{n += $1; ms += $2; if ($3 > p) p = $3} END {printf "%.1f %.1f", (ms > 0 ? 1000 * n / ms : 0), p}' "$E2E_WORK/$1.txt"; }
read -r forced forced_p99 <<<"$(summary forced)"
read -r default default_p99 <<<"$(summary default)"
echo "  passes per second: forced multisampling $forced, default $default;" \
  "ratio $(awk -v a="$default" -v b="$forced" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}')"
echo "  highest p99 of a pass's CPU time: forced $forced_p99 ms, default $default_p99 ms"
