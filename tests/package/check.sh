#!/usr/bin/env bash
# The Debian package, checked without installing it: its control fields and
# dependencies, its files, the manual page against the game's options, and the
# game extracted into a temporary root and started from another folder by an
# ordinary user under Xvfb, who returns to the level where they quit.
#   check.sh SOURCE_DIR BUILD_DIR
SOURCE_DIR=$1 BUILD_DIR=$2
. "$SOURCE_DIR/tests/e2e/lib.sh"

cpack -G DEB -B "$E2E_WORK/pkg" --config "$BUILD_DIR/CPackConfig.cmake" > "$E2E_WORK/cpack.log" 2>&1 \
  || { cat "$E2E_WORK/cpack.log"; fail "cpack failed"; }
debs=("$E2E_WORK"/pkg/tiltmoor_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single tiltmoor_<version>_amd64.deb: ${debs[*]}"
deb=${debs[0]}
field() { dpkg-deb -f "$deb" "$1"; }

note "control fields"
[ "$(field Package)" = tiltmoor ] || fail "Package: $(field Package)"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
version=$(field Version)
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "Version: $version"
[ "$(basename "$deb")" = "tiltmoor_${version}_amd64.deb" ] || fail "file name $(basename "$deb")"
[ "$(field Section)" = games ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] && [ -n "$(field Description)" ] || fail "no Maintainer or Description"

note "dependencies: runtime packages, each one known here"
depends=$(field Depends)
for need in libsdl1.2debian libsdl-image1.2 libsdl-mixer1.2 libgtk-3-0 libpolyclipping22 libgl1 \
            libfreetype6 libfontconfig1 fonts-liberation2; do
  grep -Eq "(^|[ ,|])$need( |,|$)" <<< "$depends" || fail "Depends lacks $need: $depends"
done
grep -q -- '-dev\b' <<< "$depends" && fail "Depends names a -dev package: $depends"
IFS=',' read -ra alternatives <<< "$depends"
for alt in "${alternatives[@]}"; do
  name=$(sed -E 's/^ *//; s/[ (|].*//' <<< "$alt")
  dpkg-query -W "$name" > /dev/null 2>&1 || fail "dependency $name is no installed package here"
done

note "files"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' > "$E2E_WORK/files.txt"
want=(/usr/games/tiltmoor /usr/share/applications/tiltmoor.desktop /usr/share/icons/hicolor/32x32/apps/tiltmoor.png
      /usr/share/man/man6/tiltmoor.6.gz /usr/share/doc/tiltmoor/copyright /usr/share/doc/tiltmoor/changelog.gz
      /usr/share/metainfo/tiltmoor.metainfo.xml)
for f in splash.png main.png screw.png icon.bmp ambientoa.ogg jump.ogg jump2.ogg; do want+=("/usr/share/tiltmoor/data/$f"); done
for n in $(seq 1 18); do want+=("/usr/share/tiltmoor/data/$n.lv"); done
for f in "${want[@]}"; do grep -qx "$f" "$E2E_WORK/files.txt" || fail "not in the package: $f"; done
grep -v '^/usr/' "$E2E_WORK/files.txt" | grep -v '^/$' && fail "files outside /usr"
grep -q '/data/temp' "$E2E_WORK/files.txt" && fail "the snapshot is in the package"

root="$E2E_WORK/root"
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"
readelf -S "$root/usr/games/tiltmoor" | grep -q '\.symtab' && fail "the binary is not stripped"

note "Debian's checker and the AppStream validator accept the package"
if command -v lintian > /dev/null; then
  # As root lintian wants to be told that this is on purpose.
  lintian --allow-root --fail-on error,warning --display-info "$deb" > "$E2E_WORK/lintian.txt" 2>&1 ||
    { cat "$E2E_WORK/lintian.txt"; fail "lintian reports errors or warnings"; }
  grep -E '^[EW]: ' "$E2E_WORK/lintian.txt" && fail "lintian reports errors or warnings"
  grep -E 'hardening-no-' "$E2E_WORK/lintian.txt" && fail "hardening is incomplete"
else
  note "lintian is not installed (tools/install-deps.sh installs it): skipped"
fi
if command -v appstreamcli > /dev/null; then
  appstreamcli validate --no-net "$root/usr/share/metainfo/tiltmoor.metainfo.xml" ||
    fail "the AppStream metadata does not validate"
else
  note "appstreamcli is not installed: skipped"
fi
readelf -d "$root/usr/games/tiltmoor" | grep -q 'FLAGS.*BIND_NOW' || fail "not linked with -z now"
readelf -l "$root/usr/games/tiltmoor" | grep -q 'GNU_RELRO' || fail "not linked with -z relro"
readelf -h "$root/usr/games/tiltmoor" | grep -q 'DYN (Position-Independent Executable' || fail "not a PIE"

note "the manual page documents every option of --help and the files"
man=$(gzip -dc "$root/usr/share/man/man6/tiltmoor.6.gz" | sed 's/\\-/-/g')
grep -q '^\.TH TILTMOOR 6' <<< "$man" || fail "no manual page header"
for section in OPTIONS CONTROLS FILES; do grep -q "^\.SH $section" <<< "$man" || fail "no $section section"; done
options=$("$root/usr/games/tiltmoor" --help | grep -o -- '--[a-z-]*' | sort -u)
[ -n "$options" ] || fail "no options in --help"
for o in $options; do grep -q -- "$o" <<< "$man" || fail "option $o not in the manual page"; done
grep -q 'tiltmoor/progress' <<< "$man" || fail "the progress file is not in the manual page"

note "the extracted game, started by an ordinary user from another folder"
play_as_player "$root/usr/games/tiltmoor"
start_xvfb
band() { echo 420 600 184 32; }   # "Current level: N"
start_game "$E2E_WORK/elsewhere"
wait_for_title
first=$(shot first)
hold_key Right
sleep 0.4
second=$(shot second)
[ "$(changed_pixels "$first" "$second" $(band))" -gt 20 ] || fail "Right did not change the level"
hold_key Escape
wait_exit 5
[ "$GAME_STATUS" -eq 0 ] || fail "exit status $GAME_STATUS"
grep -qx 'title data/6.lv' "$PLAYER_HOME/.local/state/tiltmoor/progress" 2>/dev/null || fail "the title's level was not kept"

note "the next start continues on that level; --first-level does not"
start_game "$E2E_WORK/elsewhere"
wait_for_title
again=$(shot again)
d=$(changed_pixels "$second" "$again" $(band)); [ "$d" -lt 20 ] || fail "did not start on the level it quit on ($d pixels differ)"
hold_key Escape
wait_exit 5
start_game "$E2E_WORK/elsewhere" --first-level
wait_for_title
fresh=$(shot fresh)
[ "$(changed_pixels "$first" "$fresh" $(band))" -lt 20 ] || fail "--first-level did not start on the first level"
hold_key Escape
wait_exit 5
[ "$GAME_STATUS" -eq 0 ] || fail "exit status $GAME_STATUS"
echo "ok: $(basename "$deb")"
