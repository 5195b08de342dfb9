# Helpers for the end-to-end tests: the real game under Xvfb, driven by
# xdotool like a player, checked with screenshots of the game window.
set -uo pipefail

E2E_WORK=$(mktemp -d)
GAME_PID=""
XVFB_PID=""
trap 'e2e_cleanup' EXIT

fail() { echo "FAIL: $*" >&2; [ -n "${GAME_LOG:-}" ] && [ -f "$GAME_LOG" ] && sed 's/^/  game: /' "$GAME_LOG" >&2; exit 1; }
note() { echo "-- $*"; }

e2e_cleanup() {
  [ -n "$GAME_PID" ] && kill -9 "$GAME_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  if [ -n "${KEEP_E2E:-}" ]; then echo "kept $E2E_WORK"; else rm -rf "$E2E_WORK"; fi
}

start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 50); do
      [ -e /tmp/.X11-unix/X$n ] && { export DISPLAY=:$n; sleep 0.2; return 0; }
      kill -0 $XVFB_PID 2>/dev/null || break
      sleep 0.1
    done
  done
  fail "no Xvfb display could be started"
}

export SDL_AUDIODRIVER=dummy GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
# The player's progress and snapshot of each run stay inside it: every run starts afresh.
export XDG_STATE_HOME="$E2E_WORK/state"

# A private copy of the game's data, so tests never touch the repository's.
copy_data() { # dest
  mkdir -p "$1"
  cp -r "$SOURCE_DIR/data" "$1/"
  rm -f "$1/data/temp"
}

# start_game DIR [ARGS...]: runs the game in DIR, waits for its window.
start_game() {
  local dir=$1; shift
  GAME_LOG="$E2E_WORK/game.log"
  (cd "$dir" && exec "$GAME" --windowed "$@") > "$GAME_LOG" 2>&1 &
  GAME_PID=$!
  GAME_WIN=""
  for _ in $(seq $(( ${WINDOW_WAIT_SECONDS:-20} * 10 ))); do
    GAME_WIN=$(xdotool search --all --pid "$GAME_PID" --name '^Tiltmoor$' 2>/dev/null | head -1)
    [ -n "$GAME_WIN" ] && break
    kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended before its window showed"
    sleep 0.1
  done
  [ -n "$GAME_WIN" ] || fail "no game window"
  xdotool windowfocus --sync "$GAME_WIN" 2>/dev/null || true
}

# wait_exit SECONDS: waits for the game to end; sets GAME_STATUS.
wait_exit() {
  local i
  for i in $(seq $(( $1 * 20 ))); do
    if ! kill -0 "$GAME_PID" 2>/dev/null; then
      wait "$GAME_PID"; GAME_STATUS=$?; GAME_PID=""; return 0
    fi
    sleep 0.05
  done
  fail "the game did not end within $1 s"
}

hold_key() { # KEY: held across several passes, as a person presses it
  xdotool windowfocus "$GAME_WIN" 2>/dev/null
  xdotool keydown "$1"; sleep "${HOLD_SECONDS:-0.15}"; xdotool keyup "$1"; sleep 0.1
}

move_to() { xdotool mousemove --window "$GAME_WIN" "$1" "$2"; sleep 0.1; }

click_at() { # X Y [BUTTON]
  move_to "$1" "$2"
  xdotool mousedown "${3:-1}"; sleep "${HOLD_SECONDS:-0.15}"; xdotool mouseup "${3:-1}"; sleep 0.1
}

shot() { # NAME: screenshot of the game window into $E2E_WORK/NAME.png
  import -window "$GAME_WIN" "$E2E_WORK/$1.png" 2>/dev/null || fail "screenshot $1"
  echo "$E2E_WORK/$1.png"
}

# count_pixels PNG X Y W H COLOUR FUZZ%: pixels in the box within FUZZ of COLOUR.
count_pixels() {
  convert "$1" -crop "$4x$5+$2+$3" +repage -alpha off -fuzz "$7%" -fill black +opaque "$6" \
    -fill white -opaque "$6" -format '%[fx:round(mean*w*h)]' info:
}

# mean_brightness PNG X Y W H: mean grey level 0..255 in the box.
mean_brightness() {
  convert "$1" -crop "$4x$5+$2+$3" +repage -alpha off -colorspace Gray -format '%[fx:round(mean*255)]' info:
}

# changed_pixels A.png B.png X Y W H: pixels that differ noticeably in the box.
changed_pixels() {
  convert "$1" "$2" -crop "$5x$6+$3+$4" +repage -alpha off -compose difference -composite \
    -colorspace Gray -threshold 12% -format '%[fx:round(mean*w*h)]' info:
}

# find_dialog TITLE: the window of the game's dialog with that title.
find_dialog() {
  local w=""
  for _ in $(seq 100); do
    w=$(xdotool search --all --pid "$GAME_PID" --name "^$1\$" 2>/dev/null | head -1)
    [ -n "$w" ] && break
    sleep 0.1
  done
  [ -n "$w" ] || fail "no dialog titled '$1'"
  echo "$w"
}

# answer_file_dialog TITLE PATH: types PATH into the chooser and accepts.
answer_file_dialog() {
  local d
  d=$(find_dialog "$1")
  sleep 0.5
  xdotool windowfocus --sync "$d" 2>/dev/null
  sleep 0.3
  xdotool type --delay 20 "$2"; sleep 0.3
  xdotool key Return; sleep 0.8
  # Wait until the dialog is gone.
  for _ in $(seq 50); do
    xdotool search --all --pid "$GAME_PID" --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  import -window root "$E2E_WORK/dialog-stayed-open.png" 2>/dev/null
  fail "dialog '$1' stayed open"
}

# Waits through the splash (3 s) and the fade-in (0.5 s) until the title's
# "Press mouse to play!" shows, for as long as a loaded machine needs.
wait_for_title() {
  sleep 3.5
  local n lit
  for n in $(seq 60); do
    import -window "$GAME_WIN" "$E2E_WORK/waiting.png" 2>/dev/null
    lit=$(count_pixels "$E2E_WORK/waiting.png" 400 362 224 28 white 20 2>/dev/null || echo 0)
    [ "${lit:-0}" -gt 80 ] && { sleep 0.5; return 0; }
    kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended before its title screen"
    sleep 0.5
  done
  fail "no title screen within 30 s"
}

# GAME becomes BINARY run as an ordinary user (nobody, who cannot write
# where root can), with a home of its own, PLAYER_HOME, under $E2E_WORK.
play_as_player() {  # BINARY
  local player=nobody home="$E2E_WORK/home"
  PLAYER_HOME=$home
  id "$player" >/dev/null 2>&1 || fail "no user '$player' to play as"
  chmod 755 "$E2E_WORK"
  mkdir -p "$home" "$E2E_WORK/elsewhere" && chown "$player" "$home" "$E2E_WORK/elsewhere"
  GAME="$E2E_WORK/as-player.sh"
  cat > "$GAME" <<SH
#!/bin/sh
exec setpriv --reuid=$player --regid=\$(id -g $player) --clear-groups env HOME=$home XDG_STATE_HOME= "$1" "\$@"
SH
  chmod 755 "$GAME"
}
