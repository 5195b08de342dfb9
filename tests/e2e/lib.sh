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

# A display of its own: Xvfb picks a free display number itself and writes
# it to the descriptor once it accepts clients, so two tests started at
# once never take the same one.
start_xvfb() {
  local fd_file="$E2E_WORK/display" n=""
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  : > "$fd_file"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 600); do
    n=$(head -1 "$fd_file" 2>/dev/null)
    [ -n "$n" ] && [ "$(wc -l < "$fd_file")" -ge 1 ] && { export DISPLAY=:$n; return 0; }
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  fail "no Xvfb display could be started"
}

# poll SECONDS CMD...: runs CMD every 0.1 s until it succeeds (status 0),
# or SECONDS pass (status 1). wait_for SECONDS WHAT CMD... fails the test
# naming WHAT instead. Tests wait for what they need to see, not for a fixed
# time, so a loaded machine only makes them slower.
poll() {
  local deadline=$(( $(date +%s%N) + $1 * 1000000000 )); shift
  until "$@"; do
    (( $(date +%s%N) < deadline )) || return 1
    sleep 0.1
  done
}
wait_for() { poll "$1" "${@:3}" || fail "$2: not within $1 s"; }

# Conditions for wait_for and the presses below.
game_ended() { ! kill -0 "$GAME_PID" 2>/dev/null; }
window_focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
# lit_at X Y W H MIN: at least MIN white pixels in the box of a fresh screenshot.
lit_at() {
  import -window "$GAME_WIN" "$E2E_WORK/probe.png" 2>/dev/null || return 1
  [ "$(count_pixels "$E2E_WORK/probe.png" "$1" "$2" "$3" "$4" white 20 2>/dev/null || echo 0)" -gt "$5" ]
}
# The title: "Press mouse to play!" and "Current level: N" both lit (the
# splash picture has a little white where the first one goes).
title_shown() {
  import -window "$GAME_WIN" "$E2E_WORK/probe.png" 2>/dev/null || return 1
  [ "$(count_pixels "$E2E_WORK/probe.png" 400 362 224 28 white 20 2>/dev/null || echo 0)" -gt 80 ] &&
    [ "$(count_pixels "$E2E_WORK/probe.png" 400 602 224 28 white 20 2>/dev/null || echo 0)" -gt 80 ]
}
# changed_from PNG X Y W H MIN: a fresh screenshot differs from PNG in more
# than MIN pixels of the box.
changed_from() {
  import -window "$GAME_WIN" "$E2E_WORK/probe.png" 2>/dev/null || return 1
  [ "$(changed_pixels "$1" "$E2E_WORK/probe.png" "$2" "$3" "$4" "$5" 2>/dev/null || echo 0)" -gt "$6" ]
}
dialog_shown() { xdotool search --onlyvisible --all --pid "$GAME_PID" --name "^$1\$" >/dev/null 2>&1; }
dialog_gone() { ! xdotool search --all --pid "$GAME_PID" --name "^$1\$" >/dev/null 2>&1; }

# drawn WINDOW: two screenshots of it in a row are the same, so it has
# been drawn in full and takes input (a chooser that is still building
# itself can lose the first keys typed).
drawn() {
  import -window "$1" "$E2E_WORK/drawn-a.png" 2>/dev/null || return 1
  sleep 0.2
  import -window "$1" "$E2E_WORK/drawn-b.png" 2>/dev/null || return 1
  [ "$(compare -metric AE "$E2E_WORK/drawn-a.png" "$E2E_WORK/drawn-b.png" null: 2>&1)" = 0 ]
}

# focus WINDOW: gives it the keyboard and waits until it has it.
focus() {
  wait_for 20 "keyboard focus on window $1" eval "timeout 2 xdotool windowfocus --sync $1 2>/dev/null; window_focused $1"
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
  wait_for 20 "the game window mapped" eval "xdotool search --onlyvisible --all --pid $GAME_PID --name '^Tiltmoor\$' >/dev/null 2>&1"
  focus "$GAME_WIN"
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

# hold_key KEY [SECONDS WHAT CMD...]: KEY held down as a person holds it,
# across several of the game's passes; with a condition, held until the
# condition holds (the game has seen the key), however long its passes take.
hold_key() {
  focus "$GAME_WIN"
  xdotool keydown "$1"; sleep "${HOLD_SECONDS:-0.15}"
  if [ $# -gt 1 ]; then
    local key=$1; shift
    poll "$1" "${@:3}" || { xdotool keyup "$key"; fail "after $key: $2 not within $1 s"; }
    xdotool keyup "$key"
  else
    xdotool keyup "$1"; sleep 0.1
  fi
}

move_to() { xdotool mousemove --window "$GAME_WIN" "$1" "$2"; sleep 0.1; }

# click_at X Y [BUTTON [SECONDS WHAT CMD...]]: as hold_key, with a button at (X, Y).
click_at() {
  local x=$1 y=$2 button=${3:-1}; shift 2; [ $# -gt 0 ] && shift
  move_to "$x" "$y"
  xdotool mousedown "$button"; sleep "${HOLD_SECONDS:-0.15}"
  if [ $# -gt 0 ]; then
    poll "$1" "${@:3}" || { xdotool mouseup "$button"; fail "after a click at $x, $y: $2 not within $1 s"; }
    xdotool mouseup "$button"
  else
    xdotool mouseup "$button"; sleep 0.1
  fi
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
  for _ in $(seq 300); do
    w=$(xdotool search --onlyvisible --all --pid "$GAME_PID" --name "^$1\$" 2>/dev/null | head -1)
    [ -n "$w" ] && break
    sleep 0.1
  done
  [ -n "$w" ] || fail "no dialog titled '$1'"
  echo "$w"
}

# answer_file_dialog TITLE PATH: types PATH into the open chooser and
# accepts; false if it stays open. The name field completes what is typed;
# a Return that reaches it while its completion shows only takes the
# completion, so Return is pressed again (up to three times) while the
# dialog stays open. A loaded machine can also lose a key typed while the
# chooser is busy, so if it is still open after that, the field is selected
# and the path typed once more.
answer_file_dialog() {
  local d typing
  d=$(find_dialog "$1")
  for typing in 1 2; do
    focus "$d"
    wait_for 20 "dialog '$1' drawn" drawn "$d"
    [ "$typing" = 1 ] || xdotool key ctrl+a
    xdotool type --delay 20 "$2"
    for _ in 1 2 3; do
      wait_for 20 "dialog '$1' drawn" eval "dialog_gone '$1' || drawn $d"
      dialog_gone "$1" && return 0
      focus "$d"
      xdotool key Return
      poll 5 dialog_gone "$1" && return 0
    done
  done
  return 1
}

# close_dialog TITLE: Escape until the dialog is gone. The first Escape
# closes a chooser's location field (and a completion showing under it),
# the next the chooser; each goes in once the dialog has settled from the
# last, which can take seconds on a loaded machine.
close_dialog() {
  local d
  d=$(find_dialog "$1")
  for _ in 1 2 3 4 5; do
    wait_for 20 "dialog '$1' settled" eval "dialog_gone '$1' || drawn $d"
    dialog_gone "$1" && return 0
    focus "$d"; xdotool key Escape
    poll 5 dialog_gone "$1"
  done
  dialog_gone "$1" || fail "Escape did not close the dialog '$1'"
}

# use_file_dialog KEY TITLE PATH: KEY opens the dialog, PATH answers it. A
# chooser that will not take the path (its accept button can stay greyed
# while it still reads a folder on a loaded machine) is closed and opened
# once more.
use_file_dialog() {
  for _ in 1 2; do
    hold_key "$1" 20 "the dialog '$2'" dialog_shown "$2"
    answer_file_dialog "$2" "$3" && return 0
    import -window root "$E2E_WORK/dialog-stayed-open.png" 2>/dev/null
    close_dialog "$2"
  done
  fail "dialog '$2' stayed open"
}

# Waits through the splash (3 s) and the fade-in (0.5 s) until the title
# shows, for as long as a loaded machine needs.
wait_for_title() {
  wait_for 60 "the title screen" eval 'title_shown || game_ended'
  game_ended && fail "the game ended before its title screen"
  return 0
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
