#!/usr/bin/env bash
# The editor: F2 enters it, c clears the level, F12 saves through the save
# dialog, F2 opens a file through the open dialog.
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

hold_key Escape
sleep 0.3
hold_key Escape
wait_exit 3
[ "$GAME_STATUS" -eq 0 ] || fail "exit status $GAME_STATUS"
echo "ok"
