#!/usr/bin/env bash
# Replays: a win played in the real game, with the pointer moved and clicked
# at uneven moments, replays to the same bit in the runner and in the game;
# so does a play on a level edited in the editor. R on the title watches the
# kept best play until a click; after three abandoned plays H shows the
# solution up to the complete screen.
#   replay.sh GAME SOURCE_DIR SIM
GAME=$1 SOURCE_DIR=$2 SIM=$3
# Keys and buttons held longer than a pass of a loaded machine takes.
export HOLD_SECONDS=${HOLD_SECONDS:-0.3}
. "$(dirname "$0")/lib.sh"
start_xvfb
copy_data "$E2E_WORK/game"
cd "$E2E_WORK/game" || exit 1
replays=$XDG_STATE_HOME/tiltmoor/replays

# The first level's solution, played by hand: its moves and clicks at about
# its waits, with stray pointer moves at uneven moments in between.
play_solution() {  # SCRIPT
  local word a b
  while read -r word a b; do
    case $word in
      move) xdotool mousemove --window "$GAME_WIN" "$a" "$b" ;;
      click) [ "$a" = right ] && b=3 || b=1
             xdotool mousedown $b; sleep "${HOLD_SECONDS:-0.15}"; xdotool mouseup $b ;;
      wait) local left=$a
            while [ "$left" -gt 0 ]; do
              step=$(( 90 + RANDOM % 170 )); [ $step -gt "$left" ] && step=$left
              sleep "0.$(printf %03d $step)"; left=$(( left - step ))
              xdotool mousemove_relative -- $(( RANDOM % 7 - 3 )) $(( RANDOM % 7 - 3 ))
            done ;;
    esac
  done < <(grep -E '^(move|click|wait) ' "$1")
}

# replays_exactly FILE: the runner and the game both end where FILE recorded.
replays_exactly() {
  local recorded
  recorded=$(sed -n 's/^end //p' "$1" | jq -c .)
  [ -n "$recorded" ] || fail "no final state in $1"
  "$SIM" --replay "$1" > sim.txt 2> sim-err.txt || fail "the runner's replay of $1 differs: $(cat sim-err.txt)"
  [ "$(tail -1 sim.txt | jq -c 'del(.lastError)')" = "$recorded" ] || fail "the runner printed another state"
  (exec "$GAME" --windowed --replay "$1") > game-replay.txt 2>&1; local rc=$?
  [ $rc -eq 0 ] || fail "the game's replay of $1 ended with status $rc: $(cat game-replay.txt)"
  grep -qxF "$(sed -n 's/^end //p' "$1")" game-replay.txt || fail "the game's replay printed another state: $(cat game-replay.txt)"
}

note "three abandoned plays offer the solution; H plays it to the complete screen"
start_game "$E2E_WORK/game" --first-level
wait_for_title
for i in 1 2 3; do click_at 1010 10; sleep 0.3; hold_key Escape; sleep 0.3; done
offer=$(shot offer)
[ "$(count_pixels "$offer" 400 676 224 14 white 20)" -gt 20 ] || fail "no solution offered after three abandoned plays"
hold_key h
# The solution's own length, then as long again as a loaded machine needs.
solution_s=$(( $(grep -m1 '^outcome' "$(dirname "$GAME")/solutions/9.replay" | cut -d' ' -f3) / 1000 + 1 ))
sleep "$solution_s"
for _ in $(seq $(( solution_s * 2 ))); do
  complete=$(shot solution-end)
  [ "$(count_pixels "$complete" 380 340 264 44 white 45)" -gt 80 ] && break
  sleep 0.5
done
[ "$(count_pixels "$complete" 380 340 264 44 white 45)" -gt 80 ] || fail "the solution did not reach the complete screen"
grep -qs '^solved data/9.lv' "$XDG_STATE_HOME/tiltmoor/progress" && fail "watching the solution counted as solving the level"
click_at 900 80
sleep 0.5
[ "$(count_pixels "$(shot after-solution)" 400 362 224 28 white 20)" -gt 80 ] || fail "a click did not end the solution"


note "a win on the first level, played with uneven timing, is kept as the last and the best replay"
rm -f "$replays/last.replay"
play_solution "$SOURCE_DIR/tests/solutions/9.sim"
for _ in $(seq 100); do [ -f "$replays/last.replay" ] && break; sleep 0.1; done
[ -f "$replays/last.replay" ] || fail "no last replay after the play"
grep -q '^outcome won ' "$replays/last.replay" || fail "the play was not a win: $(sed -n 3p "$replays/last.replay")"
cmp -s "$replays/last.replay" "$replays/best-9.replay" || fail "the win was not kept as the best"
frames=$(sed -n '/^passes/,/^end/p' "$replays/last.replay" | grep -oE '^t[0-9]+' | sort -u | wc -l)
[ "$frames" -gt 1 ] || fail "every pass had the same frame time"
cp "$replays/last.replay" won.replay

note "R on the title watches it, drawn as play; a click stops it"
hold_key Escape            # the complete screen back to the title, same level
sleep 0.5
title=$(shot title)
[ "$(count_pixels "$title" 400 414 224 14 white 20)" -gt 20 ] || fail "the title does not offer the best play"
hold_key r
sleep 1.5
watching=$(shot watching)
[ "$(mean_brightness "$watching" 0 250 1024 300)" -gt "$(mean_brightness "$title" 0 250 1024 300)" ] ||
  fail "R did not play the replay (the screen is still dimmed)"
[ "$(count_pixels "$watching" 880 2 140 18 white 20)" -gt 20 ] || fail "no replay mark while watching"
click_at 900 80
sleep 0.5
back=$(shot back)
[ "$(count_pixels "$back" 400 362 224 28 white 20)" -gt 80 ] || fail "a click did not return to the title"
# The level play starts from now is the level file as it was.
rm -f data/temp
click_at 1010 10
sleep 0.3
cmp -s data/temp data/9.lv || fail "the title's level changed after watching"
hold_key Escape
sleep 0.3

note "a kept replay whose level file has changed since says so and does not play"
sed -i '$ s/.*/700.000000/' data/9.lv     # the last ball moved
hold_key r
sleep 0.5
grep -q 'The level has changed since this replay was recorded' "$GAME_LOG" || fail "no word that the level changed"
[ "$(count_pixels "$(shot changed)" 400 362 224 28 white 20)" -gt 80 ] || fail "the title did not stay"
cp "$SOURCE_DIR/data/9.lv" data/9.lv
hold_key Escape
wait_exit 5

note "the kept win replays exactly in the runner and in the game"
replays_exactly won.replay

note "a level edited in the editor (stamps), then played, replays exactly"
start_game "$E2E_WORK/game" --first-level
wait_for_title
hold_key F2
sleep 0.5
[ "$(count_pixels "$(shot editor)" 440 715 144 30 white 20)" -gt 40 ] || fail "F2 did not open the editor"
click_at 150 300 1      # material where there was none
click_at 500 620 3      # a hole in the body
click_at 880 620 1
hold_key Escape
sleep 0.3
rm -f "$replays/last.replay"
click_at 1010 10
for p in "600 300" "450 420" "800 500"; do
  sleep "0.$(( 300 + RANDOM % 500 ))"
  click_at $p $(( RANDOM % 2 * 2 + 1 ))
done
sleep 1
hold_key Escape
for _ in $(seq 100); do [ -f "$replays/last.replay" ] && break; sleep 0.1; done
grep -q '^level - ' "$replays/last.replay" || fail "the edited level's play names a level file: $(sed -n 2p "$replays/last.replay")"
grep -q '^outcome abandoned ' "$replays/last.replay" || fail "the edited play was not kept: $(sed -n 3p "$replays/last.replay")"
cp "$replays/last.replay" edited.replay
hold_key Escape
wait_exit 5
replays_exactly edited.replay
echo "sizes: win $(wc -c < won.replay) bytes over $(sed -n 's/^outcome won //p' won.replay) ms, edited $(wc -c < edited.replay) bytes"
echo "ok"
