#!/usr/bin/env bash
# The display goes away under the running game: one line, status 1 within a
# second, no CPU burnt after the loss, the progress file untouched.
#   display.sh GAME SOURCE_DIR
GAME=$1 SOURCE_DIR=$2
. "$(dirname "$0")/lib.sh"
start_xvfb

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null; }

copy_data "$E2E_WORK/run"
mkdir -p "$XDG_STATE_HOME/tiltmoor"
printf '# tiltmoor progress\ntitle data/6.lv\nsolved data/9.lv 12345\n' > "$XDG_STATE_HOME/tiltmoor/progress"
cp "$XDG_STATE_HOME/tiltmoor/progress" "$E2E_WORK/progress.before"
start_game "$E2E_WORK/run"
wait_for_title

note "the X server ends under the game"
pid=$GAME_PID
before=$(cpu_ticks "$pid")
last=$before
start=$(date +%s%N)
kill "$XVFB_PID"; XVFB_PID=""
while kill -0 "$pid" 2>/dev/null; do
  now=$(cpu_ticks "$pid"); [ -n "$now" ] && last=$now
  [ $(( ($(date +%s%N) - start) / 1000000 )) -lt 3000 ] || break
  sleep 0.05
done
wait_exit 1
took=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$GAME_STATUS" -eq 1 ] || fail "exit status $GAME_STATUS, not 1"
# Within a second on an idle machine (about 100 ms here); a loaded one adds its delays.
[ "$took" -lt 2000 ] || fail "the game took $took ms to end"
hz=$(getconf CLK_TCK)
after_ms=$(( (last - before) * 1000 / hz ))
[ "$after_ms" -lt 300 ] || fail "$after_ms ms of CPU after the display went"
[ "$(grep -c 'Lost the connection to the display' "$GAME_LOG")" -eq 1 ] || fail "not one line about the display"
cmp -s "$XDG_STATE_HOME/tiltmoor/progress" "$E2E_WORK/progress.before" || fail "the progress file changed"
echo "ended in $took ms with status 1, $after_ms ms of CPU after the loss"
echo "ok"
