#!/usr/bin/env bash
# The command line and hostile surroundings: an unknown option, no display at
# all, no sound device.
#   options.sh GAME SOURCE_DIR
GAME=$1 SOURCE_DIR=$2
. "$(dirname "$0")/lib.sh"

note "an unknown option prints the usage on standard error, status 2"
"$GAME" --no-such-option > "$E2E_WORK/out.txt" 2> "$E2E_WORK/err.txt"; rc=$?
[ $rc -eq 2 ] || fail "status $rc"
grep -q 'Usage: tiltmoor' "$E2E_WORK/err.txt" || fail "no usage on standard error"
[ ! -s "$E2E_WORK/out.txt" ] || fail "the usage went to standard output"
"$GAME" --help > "$E2E_WORK/out.txt"; rc=$?
[ $rc -eq 0 ] && grep -q -- '--windowed' "$E2E_WORK/out.txt" || fail "--help: status $rc"

note "no display at all: a message and status 1, no hang"
(cd "$E2E_WORK" && env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$GAME" --windowed > out.txt 2>/dev/null); rc=$?
[ $rc -eq 1 ] || fail "without a display the status was $rc"
grep -qE "^Couldn't (set video mode|initialize SDL): " "$E2E_WORK/out.txt" || fail "no message: $(cat "$E2E_WORK/out.txt")"

note "no data folder anywhere: one message naming the places, status 1, no window"
mkdir -p "$E2E_WORK/copied/bin"
cp "$GAME" "$E2E_WORK/copied/bin/tiltmoor"
(cd "$E2E_WORK/copied/bin" && DISPLAY=:nowhere timeout 20 ./tiltmoor --windowed > ../out.txt 2>&1); rc=$?
[ $rc -eq 1 ] || fail "without data the status was $rc: $(cat "$E2E_WORK/copied/out.txt")"
[ "$(wc -l < "$E2E_WORK/copied/out.txt")" -eq 1 ] || fail "expected one message: $(cat "$E2E_WORK/copied/out.txt")"
for place in "$E2E_WORK/copied/bin/data" "$E2E_WORK/copied/data" "$E2E_WORK/copied/share/tiltmoor/data"; do
  grep -qF "$place" "$E2E_WORK/copied/out.txt" || fail "the message does not name $place: $(cat "$E2E_WORK/copied/out.txt")"
done

note "no sound device: the game runs silent"
start_xvfb
copy_data "$E2E_WORK/game"
SDL_AUDIODRIVER=no-such-driver start_game "$E2E_WORK/game"
wait_for_title
hold_key Escape 20 "the game's end" game_ended
wait_exit 3
[ "$GAME_STATUS" -eq 0 ] || fail "exit status $GAME_STATUS"
grep -q 'Mix_Load' "$GAME_LOG" || fail "the sound bank did not say what it could not load"
echo "ok"
