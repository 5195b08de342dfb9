#!/usr/bin/env bash
# Playing: a click starts play and writes the snapshot, the left button adds
# material, the right button cuts it, Escape restores the level.
#   play.sh GAME SOURCE_DIR
GAME=$1 SOURCE_DIR=$2
. "$(dirname "$0")/lib.sh"
start_xvfb
copy_data "$E2E_WORK/game"
# A known level: a square ring round the pivot with the six reds inside and
# the white ball on top of them.
cp "$SOURCE_DIR/tests/runner/levels/box-idle.lv" "$E2E_WORK/game/data/9.lv"
cd "$E2E_WORK/game" || exit 1
start_game "$E2E_WORK/game"
wait_for_title
title=$(shot title)

note "a click on the title starts play and snapshots the level"
click_at 900 80 1 20 "the snapshot data/temp" test -f data/temp
wait_for 20 "the play instructions" lit_at 8 2 600 18 60
cmp -s data/temp data/9.lv || fail "data/temp differs from the level on the title screen"
playing=$(shot playing)
# No dimming in play: the scene is brighter than on the title screen.
t=$(mean_brightness "$title" 0 250 1024 300)
p=$(mean_brightness "$playing" 0 250 1024 300)
[ "$p" -gt "$t" ] || fail "play is not brighter than the dimmed title ($p <= $t)"
lit=$(count_pixels "$playing" 8 2 600 18 white 20)
[ "$lit" -gt 60 ] || fail "no play instructions at the top"

# Each change is judged on the first picture that shows it: the field goes
# on turning after a click, the more so the slower the machine.
note "the right button cuts material away where the pointer is"
move_to 422 330
before=$(shot before-cut)
click_at 422 330 3 20 "a cut in the ring at the pointer" changed_from "$before" 402 310 40 40 150
move_to 900 80

note "the left button adds material where the pointer is"
# Straight below the screw, where a new disc turns the field least.
before=$(shot before-add)
click_at 512 560 1 20 "a disc added at the pointer" changed_from "$before" 482 530 60 60 300
move_to 900 80

note "Escape returns to the title with the level as it was"
cp data/temp "$E2E_WORK/snapshot"
hold_key Escape 20 "the title again" title_shown
again=$(shot title-again)
lit=$(count_pixels "$again" 400 362 224 28 white 20)
[ "$lit" -gt 80 ] || fail "Escape did not return to the title screen"
cmp -s data/temp "$E2E_WORK/snapshot" || fail "the snapshot changed"
stamped=$(changed_pixels "$title" "$again" 482 530 60 60)
[ "$stamped" -lt 200 ] || fail "the restored level still shows the added disc ($stamped pixels)"

hold_key Escape 20 "the game's end" game_ended
wait_exit 3
[ "$GAME_STATUS" -eq 0 ] || fail "exit status $GAME_STATUS"
echo "ok"
