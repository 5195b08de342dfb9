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
  *) fail "unknown case $case" ;;
esac
echo "ok: $case"
