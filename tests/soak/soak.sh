#!/usr/bin/env bash
# Long play of shipped levels with seeded random input; the runner checks the
# game's invariants after every pass.
#   soak.sh SIM SOURCE_DIR MINUTES LEVEL...
# The full soak, an hour of game time per level:
#   bash tests/soak/soak.sh build-asan/tiltmoor-sim . 60 data/*.lv
set -uo pipefail
sim=$1 source=$2 minutes=$3; shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A data folder of our own, so the snapshot of parallel runs is never shared.
mkdir "$work/data" && ln -s "$source"/data/* "$work/data/" && rm -f "$work/data/temp"
cd "$work" || exit 1
status=0
for level in "$@"; do
  case $level in /*) ;; *) level="$source/$level" ;; esac
  seed=$(cksum < "$level" | cut -d' ' -f1)
  "$sim" --soak "$seed" --minutes "$minutes" --level "$level" > out.txt 2> err.txt
  rc=$?
  line=$(grep '^soak:' out.txt)
  echo "$(basename "$level"): ${line:-no result}"
  if [ $rc -ne 0 ] || ! echo "$line" | grep -q ': ok$'; then
    sed 's/^/  /' err.txt
    status=1
  fi
done
exit $status
