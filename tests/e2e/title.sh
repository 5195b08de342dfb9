#!/usr/bin/env bash
# Start-up and the title screen: from another folder, without an icon, and
# Escape ending the game.
#   title.sh GAME SOURCE_DIR
GAME=$1 SOURCE_DIR=$2
. "$(dirname "$0")/lib.sh"
start_xvfb

note "started from a folder without data, it finds its own and reaches the title"
mkdir -p "$E2E_WORK/elsewhere"
start_game "$E2E_WORK/elsewhere"
wait_for_title
title=$(shot title)
lit=$(count_pixels "$title" 400 362 224 28 white 20)
[ "$lit" -gt 80 ] || fail "no white text along 'Press mouse to play!' ($lit pixels)"
lit=$(count_pixels "$title" 400 602 224 28 white 20)
[ "$lit" -gt 80 ] || fail "no white text along 'Current level: 1' ($lit pixels)"
# The dimmed scene: nothing outside the texts and the banner is bright.
bright=$(count_pixels "$title" 0 250 1024 100 white 30)
[ "$bright" -lt 50 ] || fail "the scene on the title screen is not dimmed ($bright bright pixels)"

note "Escape on the title ends the game with status 0"
# (That it ends 250 ms after the key is a unit test of the loop; here a
# loaded machine may take longer.)
hold_key Escape 20 "the game's end" game_ended
wait_exit 3
[ "$GAME_STATUS" -eq 0 ] || fail "exit status $GAME_STATUS"
[ ! -e "$E2E_WORK/elsewhere/data" ] || fail "the game made a data folder where it was started"

note "without data/icon.bmp it says so and still reaches the title"
copy_data "$E2E_WORK/noicon"
rm "$E2E_WORK/noicon/data/icon.bmp"
start_game "$E2E_WORK/noicon"
wait_for_title
grep -qx "Failed to load icon.bmp" "$GAME_LOG" || fail "no 'Failed to load icon.bmp' message"
title=$(shot noicon)
lit=$(count_pixels "$title" 400 362 224 28 white 20)
[ "$lit" -gt 80 ] || fail "no title text without the icon"
hold_key Escape 20 "the game's end" game_ended
wait_exit 3
[ "$GAME_STATUS" -eq 0 ] || fail "exit status $GAME_STATUS"
echo "ok"
