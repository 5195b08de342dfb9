#!/usr/bin/env bash
# Replays the shipped levels' solutions with the headless runner.
#   check.sh SIM SOURCE_DIR solution N    the solution of data/N.lv wins it
#   check.sh SIM SOURCE_DIR shifted N     it still wins with every pointer
#                                         position moved 4 px left, right, up
#                                         or down, in at least three of four
#   check.sh SIM SOURCE_DIR idle N        left alone, the level keeps all its
#                                         red balls for 3 s and is not won in 60 s
#   check.sh SIM SOURCE_DIR distinct      no solution wins any other level
#   check.sh SIM SOURCE_DIR replay N REPLAY   the solution's replay made at build
#                                         time names data/N.lv, is a win and
#                                         replays to the win it recorded
#   check.sh - SOURCE_DIR composed COMPOSER     the composer, run on every level
#                                         description file, gives the shipped files
set -uo pipefail
sim=$1 src=$2 case=$3
shift 3
solutions=$src/tests/solutions
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }

# The level file a solution names on its first line: "# level data/N.lv".
level_of() {
    local first
    first=$(head -1 "$1")
    [[ $first =~ ^#\ level\ (data/[0-9]+\.lv)$ ]] || return 1
    echo "${BASH_REMATCH[1]}"
}

# The same script with every "move X Y" shifted by DX, DY.
shifted_script() {  # script dx dy
    awk -v dx="$2" -v dy="$3" '
        $1 == "move" && NF >= 3 { x = $2 + dx; y = $3 + dy; if (x < 0) x = 0; if (y < 0) y = 0;
                                  print "move", x, y; next }
        { print }' "$1"
}

# The script with its expectations taken out and a print after every wait,
# so that any moment in LevelComplete shows in the output.
watched_script() {
    awk '$1 == "expect" { next } { print } $1 == "wait" { print "print" }' "$1"
}

# Field of the JSON line the runner prints: json_field LINE NAME
json_field() {
    sed -E "s/.*\"$2\":\"?([^,\"}]*)\"?.*/\1/" <<<"$1"
}

run_solution() {  # level script -> status of the runner
    "$sim" --level "$src/$1" "$2" > out.txt 2> err.txt
}

case $case in
  solution)
    n=$1
    script=$solutions/$n.sim
    [ -f "$script" ] || fail "no solution $script"
    level=$(level_of "$script") || fail "$n.sim does not start with '# level data/N.lv'"
    [ "$level" = "data/$n.lv" ] || fail "$n.sim names $level, not data/$n.lv"
    grep -q '^expect state LevelComplete' "$script" || fail "$n.sim never expects LevelComplete"
    run_solution "$level" "$script" || fail "solution $n does not win: $(cat err.txt)"
    echo "ok: solution $n wins data/$n.lv"
    ;;

  shifted)
    n=$1
    script=$solutions/$n.sim
    level=$(level_of "$script") || fail "$n.sim names no level"
    wins=0
    report=""
    for dir in "left -4 0" "right 4 0" "up 0 -4" "down 0 4"; do
        set -- $dir
        shifted_script "$script" "$2" "$3" > "shift-$1.sim"
        if run_solution "$level" "shift-$1.sim"; then
            wins=$((wins + 1)); report="$report $1:win"
        else
            report="$report $1:lost"
        fi
    done
    echo "level $n shifted by 4 px:$report ($wins of 4)"
    [ $wins -ge 3 ] || fail "solution $n wins only $wins of 4 shifted variants"
    ;;

  idle)
    n=$1
    cat > idle.sim <<'EOF'
expect state Title
move 1010 10
click left
wait 3000
print
wait 57000
print
EOF
    "$sim" --level "$src/data/$n.lv" idle.sim > out.txt 2> err.txt || fail "runner failed: $(cat err.txt)"
    early=$(sed -n 1p out.txt)
    late=$(sed -n 2p out.txt)
    [ "$(json_field "$early" state)" = Playing ] ||
        fail "data/$n.lv left alone is in $(json_field "$early" state) after 3 s: $early"
    [ "$(json_field "$late" state)" != LevelComplete ] || fail "data/$n.lv completes by itself within 60 s"
    [ "$(json_field "$late" keepTime)" = -1 ] || fail "the white ball of data/$n.lv falls off by itself: $late"
    echo "ok: data/$n.lv idle for 60 s ends in $(json_field "$late" state)"
    ;;

  replay)
    n=$1 replay=$2
    [ -f "$replay" ] || fail "no solution replay $replay"
    [ "$(sed -n 2p "$replay")" = "level data/$n.lv 0" ] || fail "$replay names another level: $(sed -n 2p "$replay")"
    grep -q '^outcome won ' "$replay" || fail "the solution of data/$n.lv does not win: $(sed -n 3p "$replay")"
    "$sim" --replay "$replay" > out.txt 2> err.txt || fail "the replay of solution $n: $(cat err.txt)"
    grep -q '"state":"LevelComplete"' out.txt || fail "the replay of solution $n ends in $(cat out.txt)"
    echo "ok: the solution replay of data/$n.lv wins ($(wc -c < "$replay") bytes)"
    ;;

  distinct)
    wins=()
    count=0
    for script in "$solutions"/*.sim; do
        own=$(level_of "$script") || fail "$(basename "$script") names no level"
        watched_script "$script" > watched.sim
        for level in "$src"/data/*.lv; do
            other=data/$(basename "$level")
            [ "$other" = "$own" ] && continue
            "$sim" --level "$level" watched.sim > out.txt 2> err.txt
            count=$((count + 1))
            if grep -q '"state":"LevelComplete"' out.txt; then
                wins+=("$(basename "$script") wins $other")
            fi
        done
    done
    [ $count -gt 0 ] || fail "no solutions found"
    [ ${#wins[@]} -eq 0 ] || fail "a solution wins another level: ${wins[*]}"
    echo "ok: $count runs of solutions on other levels, none won"
    ;;

  composed)
    composer=$1
    mkdir -p out
    for descriptions in "$src"/tools/levels/levels*.txt; do
        "$composer" "$descriptions" out > composer.txt || fail "the composer failed on $descriptions: $(cat composer.txt)"
    done
    n=0
    for level in "$src"/data/*.lv; do
        name=$(basename "$level")
        [ -f "out/$name" ] || fail "no description gives $name"
        cmp -s "out/$name" "$level" || fail "$name differs from what its description gives"
        n=$((n + 1))
    done
    [ "$(ls out | wc -l)" -eq "$n" ] || fail "descriptions give levels that are not shipped"
    echo "ok: $n levels match their descriptions"
    ;;

  *) fail "unknown case $case" ;;
esac
