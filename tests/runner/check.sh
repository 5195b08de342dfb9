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
  *) fail "unknown case $case" ;;
esac
echo "ok: $case"
