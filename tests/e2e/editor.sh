#!/usr/bin/env bash
# The editor: F2 enters it, c clears the level, F12 saves through the save
# dialog, F2 opens a file through the open dialog; a missing file never
# replaces the level, and a failed save shows its error box.
#   editor.sh GAME SOURCE_DIR
GAME=$1 SOURCE_DIR=$2
. "$(dirname "$0")/lib.sh"
start_xvfb
copy_data "$E2E_WORK/game"
cp "$SOURCE_DIR/tests/runner/levels/box-idle.lv" "$E2E_WORK/game/data/9.lv"
cd "$E2E_WORK/game" || exit 1
start_game "$E2E_WORK/game"
wait_for_title

note "F2 enters the editor"
hold_key F2
sleep 0.3
ed=$(shot editor)
lit=$(count_pixels "$ed" 440 716 150 28 white 20)
[ "$lit" -gt 40 ] || fail "no 'Editor!' text"

note "c clears the level"
hold_key c
sleep 0.3
cleared=$(shot cleared)
# The screw stays; the white outline of the level is gone around it.
outline=$(count_pixels "$cleared" 0 150 1024 450 white 15)
before=$(count_pixels "$ed" 0 150 1024 450 white 15)
[ "$outline" -lt "$before" ] || fail "clearing left the level's outline ($outline >= $before)"

note "a stamp in the empty level, then F12 saves it through the dialog"
click_at 300 600 1
sleep 0.2
hold_key F12
answer_file_dialog "Save level" "$E2E_WORK/box cactus"
[ -f "$E2E_WORK/box cactus.lv" ] || fail "no file saved at the typed path with .lv appended"
head -3 "$E2E_WORK/box cactus.lv" | tr '\n' ' ' | grep -qE '^1 12 0 ' || fail "the saved level is not one 12-vertex contour: $(head -3 "$E2E_WORK/box cactus.lv")"

note "the saved file loads back equal, through the open dialog"
hold_key c
sleep 0.2
hold_key F2
answer_file_dialog "Open level" "$E2E_WORK/box cactus.lv"
hold_key F12
answer_file_dialog "Save level" "$E2E_WORK/again.lv"
cmp "$E2E_WORK/box cactus.lv" "$E2E_WORK/again.lv" || fail "the level opened and saved again differs"

note "keys typed into a dialog never reach the game"
still=$(shot after-dialogs)
stamp=$(count_pixels "$still" 250 550 100 100 white 15)
[ "$stamp" -gt 50 ] || fail "the loaded stamp is not on screen (was the level cleared by a typed 'c'?)"

note "a name that is no file keeps the open dialog open; cancelled, the level stays"
hold_key F2
d=$(find_dialog "Open level")
sleep 0.5
xdotool windowfocus --sync "$d" 2>/dev/null; sleep 0.3
xdotool type --delay 20 "$E2E_WORK/box cactu.lv"; sleep 0.3
xdotool key Return; sleep 1
xdotool search --all --pid "$GAME_PID" --name '^Open level$' > /dev/null || fail "the open dialog took a missing file"
# The first Escape closes the chooser's location field, the next the chooser.
for _ in 1 2 3; do
  xdotool search --all --pid "$GAME_PID" --name '^Open level$' > /dev/null || break
  xdotool windowfocus --sync "$d" 2>/dev/null; xdotool key Escape; sleep 0.8
done
xdotool search --all --pid "$GAME_PID" --name '^Open level$' > /dev/null && fail "Escape did not close the open dialog"
# Saved again, the level is the one opened before, byte for byte.
hold_key F12
answer_file_dialog "Save level" "$E2E_WORK/kept.lv"
cmp -s "$E2E_WORK/box cactus.lv" "$E2E_WORK/kept.lv" || fail "the level changed after a missing file"

note "a failed save shows an error box over the game; closed, the game goes on"
hold_key F12
answer_file_dialog "Save level" "/sys/level"   # no file can be made there, not even by root
box=$(find_dialog "Level file error")
sleep 0.5
grep -qF '"/sys/level.lv": Permission denied' "$GAME_LOG" || fail "no message on standard output"
xdotool windowfocus --sync "$box" 2>/dev/null; sleep 0.3
xdotool key Return; sleep 0.8
xdotool search --all --pid "$GAME_PID" --name '^Level file error$' > /dev/null && fail "Return did not close the error box"
after=$(shot after-error)
lit=$(count_pixels "$after" 440 716 150 28 white 20)
[ "$lit" -gt 40 ] || fail "the game is no longer in the editor after the error box"

hold_key Escape
sleep 0.3
hold_key Escape
wait_exit 3
[ "$GAME_STATUS" -eq 0 ] || fail "exit status $GAME_STATUS"
echo "ok"
