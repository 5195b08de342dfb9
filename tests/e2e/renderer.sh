#!/usr/bin/env bash
# Multisampling on the test display's software renderer: off by default, with
# one line that says so; --multisample brings the four samples back. The
# title screen shows either way.
#   renderer.sh GAME SOURCE_DIR
GAME=$1 SOURCE_DIR=$2
. "$(dirname "$0")/lib.sh"

"$GAME" --help > "$E2E_WORK/help.txt" || fail "--help"
grep -q -- '--multisample ' "$E2E_WORK/help.txt" && grep -q -- '--no-multisample ' "$E2E_WORK/help.txt" ||
  fail "--help does not list both multisample options"

start_xvfb
copy_data "$E2E_WORK/game"

# run_to_title NAME [ARGS]: starts the game, waits for its title screen (a
# pixel probe of "Press mouse to play!"), quits; the log in $E2E_WORK/NAME.log.
run_to_title() {
  local name=$1; shift
  start_game "$E2E_WORK/game" --frame-stats "$@"
  wait_for_title
  hold_key Escape 20 "the game's end" game_ended
  wait_exit 10
  [ "$GAME_STATUS" -eq 0 ] || fail "$name: exit status $GAME_STATUS"
  cp "$GAME_LOG" "$E2E_WORK/$name.log"
  grep -q '^frame-stats: renderer ' "$GAME_LOG" || fail "$name: no renderer line"
}

note "default: the software renderer is named, the window has no multisample buffer"
run_to_title default
grep -q '^frame-stats: renderer .*\(llvmpipe\|softpipe\|swrast\)' "$E2E_WORK/default.log" ||
  fail "the test display is expected to render in software: $(grep renderer "$E2E_WORK/default.log")"
[ "$(grep -c '^Software renderer .*multisampling is off.*--multisample' "$E2E_WORK/default.log")" -eq 1 ] ||
  fail "not exactly one line about the software renderer"
grep -q '^frame-stats: renderer .*, sample buffers 0, samples 0$' "$E2E_WORK/default.log" ||
  fail "default: $(grep renderer "$E2E_WORK/default.log")"

note "--multisample: four samples, nothing said"
run_to_title forced --multisample
grep -q '^frame-stats: renderer .*, sample buffers 1, samples 4$' "$E2E_WORK/forced.log" ||
  fail "--multisample: $(grep renderer "$E2E_WORK/forced.log")"
! grep -q '^Software renderer' "$E2E_WORK/forced.log" || fail "--multisample still printed the software line"
echo "ok"
