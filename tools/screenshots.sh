#!/usr/bin/env bash
# Screenshots of every screen of the game, taken under Xvfb from the real
# binary, into docs/ (or the folder given).
#   tools/screenshots.sh [GAME] [FOLDER]
SOURCE_DIR=$(cd "$(dirname "$0")/.." && pwd)
GAME=${1:-$SOURCE_DIR/build/tiltmoor}
out=$(cd "${2:-$SOURCE_DIR/docs}" && pwd)
. "$SOURCE_DIR/tests/e2e/lib.sh"
start_xvfb

save() { convert "$(shot "$1")" -strip "$out/$1.png"; echo "$out/$1.png"; }

# Splash, title, a level in play and the editor on the shipped levels.
copy_data "$E2E_WORK/game"
start_game "$E2E_WORK/game"
sleep 1.8
save splash
wait_for_title
move_to 700 300
save title
click_at 700 300
sleep 1.5
move_to 330 520
save play
hold_key Escape
sleep 0.5
hold_key F2
sleep 0.5
move_to 300 560
save editor
hold_key Escape; sleep 0.3; hold_key Escape
wait_exit 5

# The complete and fail screens on two small test levels that end by themselves.
for end in win fail; do
  copy_data "$E2E_WORK/$end"
  cp "$SOURCE_DIR/tests/runner/levels/box-$end.lv" "$E2E_WORK/$end/data/9.lv"
  start_game "$E2E_WORK/$end"
  wait_for_title
  click_at 900 80
  sleep 5
  move_to 620 520
  save "$([ $end = win ] && echo complete || echo fail)"
  hold_key Escape; sleep 0.5; hold_key Escape
  wait_exit 5
done
