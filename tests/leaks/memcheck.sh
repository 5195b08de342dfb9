#!/usr/bin/env bash
# The real game under Valgrind's Memcheck for 10 s of scripted play under
# Xvfb: no invalid access and no leak in our own code.
#   memcheck.sh GAME SOURCE_DIR
GAME=$1 SOURCE_DIR=$2
. "$SOURCE_DIR/tests/e2e/lib.sh"
command -v valgrind >/dev/null || fail "valgrind is not installed"
start_xvfb
copy_data "$E2E_WORK/game"
cp "$SOURCE_DIR/tests/runner/levels/box-idle.lv" "$E2E_WORK/game/data/9.lv"
REAL_GAME=$GAME
GAME="$E2E_WORK/under-valgrind.sh"
cat > "$GAME" <<SH
#!/bin/sh
exec valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite --errors-for-leak-kinds=definite \\
  --suppressions=$SOURCE_DIR/tests/leaks/tiltmoor.supp --num-callers=30 --keep-debuginfo=yes --log-file=$E2E_WORK/memcheck.log \\
  "$REAL_GAME" "\$@"
SH
chmod +x "$GAME"
WINDOW_WAIT_SECONDS=120 start_game "$E2E_WORK/game"
# Under Memcheck everything is many times slower: give the splash its time.
for _ in $(seq 240); do
  import -window "$GAME_WIN" "$E2E_WORK/w.png" 2>/dev/null
  [ "$(count_pixels "$E2E_WORK/w.png" 400 362 224 28 white 20 2>/dev/null || echo 0)" -gt 80 ] && break
  sleep 1
done
# A pass takes seconds under Memcheck: every key and button is held across
# several passes, as the game reads its input once per pass.
export HOLD_SECONDS=4
note "ten seconds of play: stamps, cuts, Escape, the editor"
click_at 900 80
end=$(( $(date +%s) + 10 ))
while [ "$(date +%s)" -lt "$end" ]; do
  click_at $((250 + RANDOM % 500)) $((450 + RANDOM % 250)) $(( RANDOM % 2 ? 1 : 3 ))
done
hold_key Escape; sleep 4
hold_key F2; sleep 4
click_at 300 600 1; sleep 4
hold_key c; sleep 4
hold_key Escape; sleep 4
# SDL turns SIGTERM into the same quit event as closing the window: the game
# leaves through Exiting and shuts down as it always does.
kill -TERM "$GAME_PID"
wait_exit 900
grep -E 'ERROR SUMMARY|definitely lost' "$E2E_WORK/memcheck.log" | sed 's/^==[0-9]*== /  /'
# Every process's summary (the game may start helpers) must be clean.
! grep 'ERROR SUMMARY' "$E2E_WORK/memcheck.log" | grep -vq 'ERROR SUMMARY: 0 errors' || { sed 's/^/  /' "$E2E_WORK/memcheck.log" | tail -80; fail "Memcheck found errors"; }
echo "ok"
