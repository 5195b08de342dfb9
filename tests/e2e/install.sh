#!/usr/bin/env bash
# Installed like a Linux game: `cmake --install` into a prefix, the data made
# read-only, and the game started from another folder by an ordinary user. The
# snapshot then lives in the user's state folder, and play, abandon and
# restore work as before.
#   install.sh GAME SOURCE_DIR BUILD_DIR
GAME=$1 SOURCE_DIR=$2 BUILD_DIR=$3
. "$(dirname "$0")/lib.sh"

prefix="$E2E_WORK/prefix"
cmake --install "$BUILD_DIR" --prefix "$prefix" > "$E2E_WORK/install.log" 2>&1 || fail "cmake --install failed"
for f in games/tiltmoor share/applications/tiltmoor.desktop share/icons/hicolor/32x32/apps/tiltmoor.png \
         share/tiltmoor/data/splash.png; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
grep -q '^Exec=tiltmoor$' "$prefix/share/applications/tiltmoor.desktop" || fail "desktop entry without Exec"
[ ! -e "$prefix/share/tiltmoor/data/temp" ] || fail "the snapshot was installed"
cp "$SOURCE_DIR/tests/runner/levels/box-idle.lv" "$prefix/share/tiltmoor/data/9.lv"
chmod -R a-w "$prefix/share/tiltmoor"
# An ordinary user: root writes anywhere, a player does not.
play_as_player "$prefix/games/tiltmoor"

start_xvfb
start_game "$E2E_WORK/elsewhere"
wait_for_title
title=$(shot title)
lit=$(count_pixels "$title" 400 362 224 28 white 20)
[ "$lit" -gt 80 ] || fail "the installed game did not reach its title screen"

note "play writes the snapshot into the user's state folder"
state="$PLAYER_HOME/.local/state/tiltmoor/temp"
click_at 900 80 1 20 "the snapshot $state" test -f "$state"
[ -f "$state" ] || fail "no snapshot at $state"
cmp -s "$state" "$prefix/share/tiltmoor/data/9.lv" || fail "the snapshot differs from the level"
[ ! -e "$prefix/share/tiltmoor/data/temp" ] || fail "a snapshot appeared in the read-only data"

note "a stamp, then Escape restores the level"
before=$(shot before-add)
click_at 300 500 1 20 "the added disc" changed_from "$before" 270 470 60 60 300
move_to 900 80
hold_key Escape 20 "the title again" title_shown
again=$(shot title-again)
lit=$(count_pixels "$again" 400 362 224 28 white 20)
[ "$lit" -gt 80 ] || fail "Escape did not return to the title"
changed=$(changed_pixels "$title" "$again" 270 470 60 60)
[ "$changed" -lt 200 ] || fail "the stamp survived the restore ($changed pixels)"
hold_key Escape 20 "the game's end" game_ended
wait_exit 3
[ "$GAME_STATUS" -eq 0 ] || fail "exit status $GAME_STATUS"
echo "ok"
