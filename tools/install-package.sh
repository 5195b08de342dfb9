#!/usr/bin/env bash
# Installs the Debian package for real with apt-get, starts the installed game
# as a player would (an ordinary user, another folder, under Xvfb) until its
# title screen, quits, and removes the package again. It changes the machine,
# so it is not part of the test command. Needs root or sudo.
#   tools/install-package.sh [DEB]      (default: build/tiltmoor_*_amd64.deb)
set -uo pipefail
SOURCE_DIR=$(cd "$(dirname "$0")/.." && pwd)
deb=${1:-$(ls "$SOURCE_DIR"/build/tiltmoor_*_amd64.deb 2>/dev/null | tail -1)}
[ -n "$deb" ] && [ -f "$deb" ] || { echo "no package; build it with tools/package.sh" >&2; exit 1; }
deb=$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
if dpkg-query -W -f='${Status}' tiltmoor 2>/dev/null | grep -q 'install ok installed'; then
  echo "tiltmoor is installed already; remove it first so that this script can remove what it installs" >&2
  exit 1
fi
. "$SOURCE_DIR/tests/e2e/lib.sh"
# The game installs into /usr/games, which root's PATH may lack.
case ":$PATH:" in *:/usr/games:*) ;; *) export PATH="$PATH:/usr/games" ;; esac

apt_get() {  # waits for the package lock when someone else holds it
  local i
  for i in $(seq 60); do
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=30 "$@" && return 0
    "${sudo[@]}" fuser /var/lib/dpkg/lock-frontend >/dev/null 2>&1 || return 1
    sleep 5
  done
  return 1
}
removed=0
remove_package() {
  [ $removed -eq 1 ] && return
  removed=1
  note "apt-get remove --purge tiltmoor"
  apt_get remove -y --purge tiltmoor
}
trap 'remove_package; e2e_cleanup' EXIT

note "apt-get install $deb"
apt_get install -y "$deb" || fail "apt-get install failed"
dpkg-query -W -f='installed: ${Package} ${Version} ${Architecture}\n' tiltmoor
command -v tiltmoor || fail "tiltmoor is not on the PATH"
man -w tiltmoor || fail "no manual page"
tiltmoor --help | head -1

note "the installed game, started by an ordinary user from another folder"
player=nobody
chmod 755 "$E2E_WORK"
home="$E2E_WORK/home"
mkdir -p "$home" "$E2E_WORK/elsewhere" && chown "$player" "$home" "$E2E_WORK/elsewhere"
GAME="$E2E_WORK/as-player.sh"
cat > "$GAME" <<SH
#!/bin/sh
exec setpriv --reuid=$player --regid=\$(id -g $player) --clear-groups env HOME=$home XDG_STATE_HOME= tiltmoor "\$@"
SH
chmod 755 "$GAME"
start_xvfb
start_game "$E2E_WORK/elsewhere"
wait_for_title
note "title screen reached"
hold_key Escape
wait_exit 5
note "exit status $GAME_STATUS"
[ "$GAME_STATUS" -eq 0 ] || fail "exit status $GAME_STATUS"
sed 's/^/  game: /' "$GAME_LOG"
[ -f "$home/.local/state/tiltmoor/progress" ] && note "progress kept at ~/.local/state/tiltmoor/progress"

remove_package
[ ! -e /usr/games/tiltmoor ] && [ ! -e /usr/share/tiltmoor ] || fail "files left after removal"
dpkg-query -W tiltmoor >/dev/null 2>&1 && fail "the package is still known to dpkg"
note "removed; nothing left under /usr"
echo "ok: installed, played to the title, quit with status 0, removed"
