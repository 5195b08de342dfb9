#!/usr/bin/env bash
# Checks of the headless runner that need more than a script's own expectations.
#   check.sh SIM CASE
set -uo pipefail
sim=$1 case=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# A data folder of our own (links to the game's files), so parallel runs
# never share the snapshot data/temp.
mkdir data && ln -s "$here"/../../data/* data/ && rm -f data/temp
fail() { echo "FAIL: $*"; exit 1; }

case $case in
  win|fail|idle)
    "$sim" --level "$here/levels/box-$case.lv" "$here/scripts/$case.sim" || fail "script $case"
    ;;
  commands)
    "$sim" --level "$here/levels/box-idle.lv" "$here/scripts/commands.sim" > out.txt || fail "commands script"
    [ -f saved-by-runner.lv ] || fail "F11 with a dialog answer did not save saved-by-runner.lv"
    [ -f saved-by-runner ] && fail "the save wrote a path without the .lv extension"
    head -1 saved-by-runner.lv | grep -qE '^[0-9]+$' || fail "the saved file does not start with a contour count"
    [ "$(grep -c '"state"' out.txt)" -eq 2 ] || fail "expected one print and the closing line"
    ;;
  determinism)
    for i in 1 2; do
      "$sim" --frame-ms 13 --level "$here/levels/box-win.lv" "$here/scripts/win.sim" > "run$i.txt" || fail "run $i"
    done
    cmp run1.txt run2.txt || fail "two runs of one script differ"
    [ -s run1.txt ] || fail "no output"
    ;;
  stdin)
    printf 'wait 3200\nexpect state Title\nprint\n' | "$sim" - > out.txt || fail "script from standard input"
    grep -q '"levelIndex":0' out.txt || fail "no level index in the output"
    ;;
  errors)
    "$sim" "$here/scripts/bad-command.sim" > /dev/null 2> err.txt; rc=$?
    [ $rc -eq 2 ] || fail "unknown command gave status $rc, not 2"
    grep -q 'line 3' err.txt || fail "unknown command's message lacks its line number: $(cat err.txt)"
    "$sim" "$here/scripts/bad-expect.sim" > /dev/null 2> err.txt; rc=$?
    [ $rc -eq 1 ] || fail "a failed expectation gave status $rc, not 1"
    grep -q 'line 2' err.txt || fail "a failed expectation's message lacks its line number"
    "$sim" --frame-ms zero x.sim > /dev/null 2>&1; rc=$?
    [ $rc -eq 2 ] || fail "a bad option gave status $rc, not 2"
    "$sim" /nonexistent/script.sim > /dev/null 2>&1; rc=$?
    [ $rc -eq 2 ] || fail "a missing script gave status $rc, not 2"
    ;;
  badsave)
    # A save into a folder that does not exist: one message, nothing lost.
    printf 'key f2\nwait 16\nprint\ndialog /nonexistent-folder/level\nkey f12\nwait 16\nexpect state Editor\n' \
      | "$sim" --level "$here/levels/box-idle.lv" - > out.txt || fail "the game did not go on after a failed save"
    [ "$(grep -v '^{' out.txt | grep -c 'nonexistent-folder/level.lv')" -eq 1 ] || fail "expected one message naming the path: $(cat out.txt)"
    # print reports it too, and only after it happened.
    [ "$(head -1 out.txt | jq -r .lastError)" = "" ] || fail "an error before any failure: $(head -1 out.txt)"
    tail -1 out.txt | jq -r .lastError | grep -qx 'Couldn.t save the level to "/nonexistent-folder/level.lv": No such file or directory' ||
      fail "print's lastError does not name the failed save: $(tail -1 out.txt)"
    [ "$(grep '"state"' out.txt | jq -c 'del(.stateTime, .lastError)' | sort -u | wc -l)" -eq 1 ] || fail "the level changed"
    ;;
  replay)
    # A recorded play replays to the state it recorded; one whose recorded
    # end was changed, or that was cut short, does not.
    "$sim" --level "$here/levels/box-win.lv" --record win.replay "$here/scripts/win.sim" > run.txt || fail "recording"
    grep -q '^outcome won ' win.replay || fail "the recording is not a win: $(head -3 win.replay)"
    "$sim" --replay win.replay > replayed.txt || fail "the replay did not end as recorded"
    [ "$(tail -1 replayed.txt | jq -c 'del(.lastError)')" = "$(sed -n 's/^end //p' win.replay | jq -c .)" ] ||
      fail "the replay printed another state than it recorded"
    sed 's/"keepTime":[0-9]*/"keepTime":1/' win.replay > changed.replay
    "$sim" --replay changed.replay > /dev/null 2> err.txt; rc=$?
    [ $rc -eq 1 ] || fail "a replay ending elsewhere gave status $rc, not 1"
    # A minute of play at 125 passes a second, the pointer moving on every pass.
    awk 'BEGIN { print "move 1010 10"; print "click left"
                 for (i = 0; i < 7500; i++) { t = i * 0.008
                   printf "move %d %d\nwait 8\n", 512 + 300 * sin(t * 2.1) + 80 * sin(t * 7.3),
                                                  384 + 250 * sin(t * 1.7 + 1) + 60 * cos(t * 5.1) } }' > minute.sim
    "$sim" --frame-ms 8 --level "$here/levels/box-idle.lv" --record minute.replay minute.sim > /dev/null || fail "the minute's play"
    [ "$(wc -c < minute.replay)" -le 51200 ] || fail "a minute of play takes $(wc -c < minute.replay) bytes"
    "$sim" --replay minute.replay > /dev/null || fail "the minute's replay"
    head -n -3 win.replay > cut.replay
    "$sim" --replay cut.replay > /dev/null 2> err.txt; rc=$?
    [ $rc -eq 2 ] && grep -q 'cut.replay: line [0-9]*:' err.txt || fail "a cut-short replay: status $rc, $(cat err.txt)"
    ;;
  quit)
    # A quit on the pass before the splash ends is not replaced by its end.
    printf 'wait 2992\nquit\nwait 400\nexpect state Exiting\n' | "$sim" - > out.txt || fail "the quit was lost: $(tail -1 out.txt)"
    ;;
  json)
    # Quotes, backslashes and letters beyond ASCII in a failed save's path
    # still give valid JSON that reads back as the path.
    printf 'key f2\nwait 16\ndialog /no such "dir" \\ é/level\nkey f12\nwait 16\nprint\n' \
      | "$sim" --level "$here/levels/box-idle.lv" - > out.txt || fail "script"
    [ "$(grep -c '^{' out.txt)" -eq 2 ] || fail "expected two JSON lines: $(cat out.txt)"
    grep '^{' out.txt | jq -e . > /dev/null || fail "not valid JSON: $(grep '^{' out.txt)"
    tail -1 out.txt | jq -r .lastError | grep -qF '/no such "dir" \ é/level.lv' || fail "the path did not survive: $(tail -1 out.txt)"
    ;;
  unicode)
    # A path with spaces and letters beyond ASCII saves and loads back.
    dir="$work/Grüße aus Tiltmoor"
    mkdir "$dir"
    printf 'key f2\nwait 16\nmove 300 600\nclick left\nwait 16\nprint\ndialog %s/Ebene één\nkey f12\nkey c\nwait 16\ndialog %s/Ebene één.lv\nkey f2\nwait 16\nprint\n' "$dir" "$dir" \
      | "$sim" --level "$here/levels/box-idle.lv" - > out.txt || fail "script"
    [ -f "$dir/Ebene één.lv" ] || fail "no file saved under the non-ASCII name"
    first=$(sed -n 1p out.txt | sed 's/"stateTime":[0-9]*,//'); second=$(sed -n 2p out.txt | sed 's/"stateTime":[0-9]*,//')
    [ "$first" = "$second" ] || fail "the level loaded back differs: $first / $second"
    ;;
  undo)
    # The editor's history keys with their modifiers; Ctrl+Z is never the z key's click.
    printf 'key ctrl+z\nwait 16\nexpect state Title\nkey f2\nwait 16\nprint\nmove 500 500\nclick right\nwait 16\nprint\nkey ctrl+z\nwait 16\nprint\nkey ctrl+shift+z\nwait 16\nprint\nkey ctrl+z\nkey ctrl+y\nwait 16\nprint\n' \
      | "$sim" --level "$here/levels/box-idle.lv" - | sed 's/"stateTime":[0-9]*,//' > out.txt || fail "script"
    [ "$(sed -n 1p out.txt)" != "$(sed -n 2p out.txt)" ] || fail "the cut changed nothing"
    [ "$(sed -n 1p out.txt)" = "$(sed -n 3p out.txt)" ] || fail "ctrl+z did not undo the cut"
    [ "$(sed -n 2p out.txt)" = "$(sed -n 4p out.txt)" ] || fail "ctrl+shift+z did not redo the cut"
    [ "$(sed -n 2p out.txt)" = "$(sed -n 5p out.txt)" ] || fail "ctrl+y did not redo the cut"
    ;;
  progress)
    # Only with --progress: a win is kept, the next run starts on the title's level.
    rm data/9.lv && cp "$here/levels/box-win.lv" data/9.lv
    { echo 'wait 3200'; cat "$here/scripts/win.sim"; echo 'print'; echo 'quit'; echo 'wait 300'; } > play.sim
    "$sim" play.sim > plain.txt || fail "the win without progress"
    grep -q '"bestMs"' plain.txt && fail "progress fields without --progress"
    "$sim" --progress state/progress play.sim > out.txt || fail "the win with progress"
    grep -qx 'solved data/9.lv [0-9]*' state/progress || fail "no win in the progress file: $(cat state/progress)"
    grep -qx 'title data/6.lv' state/progress || fail "the title level was not kept: $(cat state/progress)"
    tail -2 out.txt | head -1 | grep -q '"levelIndex":1,.*"solvedLevels":1,"levelSolved":false,"bestMs":null' \
      || fail "print lacks the progress: $(tail -2 out.txt | head -1)"
    best=$(sed -n 's/^solved data\/9.lv //p' state/progress)
    printf 'wait 3200\nprint\nkey left\nwait 16\nprint\n' | "$sim" --progress state/progress - > again.txt || fail "second run"
    sed -n 1p again.txt | grep -q '"levelIndex":1,' || fail "did not start on the title's level"
    sed -n 2p again.txt | grep -q "\"levelIndex\":0,.*\"levelSolved\":true,\"bestMs\":$best}" || fail "the best time is not shown"
    ;;
  fifo)
    # Named pipes as the start-up level, in the editor's Open and as the
    # progress file: each is refused with one line and the game goes on
    # (before, the first open waited for a writer forever).
    mkfifo level.lv progress
    printf 'key f2\nwait 16\ndialog %s/level.lv\nkey f2\nwait 16\nexpect state Editor\nprint\n' "$work" \
      | timeout -s KILL 20 "$sim" --level level.lv --progress progress - > out.txt || fail "the game did not go on: $(cat out.txt)"
    [ "$(grep -c "^Couldn't open the level \"$work/level.lv\": not a regular file$" out.txt)" -eq 2 ] ||
      fail "expected the refusal at start-up and in Open: $(cat out.txt)"
    grep -qx "Couldn't read the progress from \"$work/progress\": not a regular file; progress is not kept" out.txt ||
      fail "the progress pipe was not refused: $(cat out.txt)"
    [ -p progress ] || fail "the progress pipe was replaced"
    ;;
  *) fail "unknown case $case" ;;
esac
echo "ok: $case"
