#!/bin/bash
# Synthesises the game's sounds with sox, as Ogg Vorbis, 44.1 kHz stereo:
#   data/ambientoa.ogg  the music: a calm 32 s loop over four slow chords
#   data/jump.ogg       a short rising chirp
#   data/jump2.ogg      a short two-note bounce
# Run from anywhere: tools/assets/make_sounds.sh [output folder]
#
# How the music loops without a click: everything is first laid out on a
# longer timeline (pads that swell over 16 s, bell notes, soft wind, reverb
# tails), then folded onto the 32 s loop, so whatever sounds past 32 s is
# added back at the start. The end of the loop then runs straight into its
# beginning, sample for sample. On top of that the very first and last half
# second fade, so a player that leaves a gap between two passes still makes
# no click.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-"$here/../../data"}
mkdir -p "$out"
out=$(cd "$out" && pwd)

command -v sox >/dev/null || { echo "sox is needed" >&2; exit 1; }
# -R: the same random numbers on every run (noise, dither), so the output is
# repeatable; -q: no progress meter.
SOX=(sox -R -q)
RATE=44100
LOOP=32          # seconds in one pass of the music
SPAN=64          # seconds laid out before folding (two passes)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# tone NAME START LENGTH GAIN FADE_IN FADE_OUT FREQ...: one soft pad voice,
# every frequency with a slightly detuned twin for a slow shimmer, delayed to
# START and padded to the whole span.
tone() {
    local name=$1 start=$2 len=$3 gain=$4 fin=$5 fout=$6
    shift 6
    local parts=()
    local first=1
    for f in "$@"; do
        local twin
        twin=$(awk -v f="$f" 'BEGIN { printf "%.3f", f * 1.0021 }')
        if [ $first = 1 ]; then parts+=(sine "$f"); first=0; else parts+=(sine mix "$f"); fi
        parts+=(sine mix "$twin")
    done
    "${SOX[@]}" -n -r $RATE -c 1 -b 32 "$work/$name.wav" synth "$len" "${parts[@]}" \
        lowpass 1800 fade q "$fin" "$len" "$fout" norm "$gain" \
        pad "$start" "$((SPAN - start - len))"
}

# bell NAME START FREQ GAIN: a plucked, quickly fading note.
bell() {
    local name=$1 start=$2 freq=$3 gain=$4
    "${SOX[@]}" -n -r $RATE -c 1 -b 32 "$work/$name.wav" synth 4 pluck "$freq" \
        lowpass 2500 fade 0.005 4 3.9 norm "$gain" \
        pad "$start" "$(awk -v s="$start" -v t="$SPAN" 'BEGIN { print t - s - 4 }')"
}

# --- the pads: four chords, each swelling in over 8 s and out over 8 s,
# starting 8 s apart, so two always overlap. The fourth runs past 32 s and
# folds back under the first.
tone pad_am  0 16 -14 8 8  110.00 130.81 164.81 220.00
tone pad_f   8 16 -14 8 8   87.31 110.00 130.81 174.61
tone pad_c  16 16 -14 8 8  130.81 164.81 196.00 261.63
tone pad_g  24 16 -14 8 8   98.00 123.47 146.83 196.00
# A low drone on A under everything, as long as the span, folded the same way.
tone drone 0 64 -20 6 6  55.00 82.41

# --- bells: a sparse pentatonic figure over the chords.
bell b1  2.0 440.00 -22
bell b2  5.5 523.25 -24
bell b3  9.0 349.23 -23
bell b4 12.5 440.00 -25
bell b5 18.0 392.00 -22
bell b6 21.0 523.25 -24
bell b7 26.0 293.66 -23
bell b8 29.5 392.00 -25

# --- wind: filtered brown noise breathing slowly, 48 s with long fades so
# its folded tail crossfades into its start.
"${SOX[@]}" -n -r $RATE -c 1 -b 32 "$work/wind.wav" synth 48 brownnoise \
    lowpass 500 highpass 80 tremolo 0.0625 40 fade q 8 48 8 norm -28 pad 0 16

# --- mix the span, add room, split into two 32 s halves and fold.
"${SOX[@]}" -m -v 1 "$work"/pad_am.wav -v 1 "$work"/pad_f.wav -v 1 "$work"/pad_c.wav \
    -v 1 "$work"/pad_g.wav -v 1 "$work"/drone.wav \
    -v 1 "$work"/b1.wav -v 1 "$work"/b2.wav -v 1 "$work"/b3.wav -v 1 "$work"/b4.wav \
    -v 1 "$work"/b5.wav -v 1 "$work"/b6.wav -v 1 "$work"/b7.wav -v 1 "$work"/b8.wav \
    -v 1 "$work"/wind.wav \
    -c 2 "$work/span.wav" remix 1 1 reverb 55 50 85 100 30 0 trim 0 $SPAN
"${SOX[@]}" "$work/span.wav" "$work/first.wav" trim 0 $LOOP
"${SOX[@]}" "$work/span.wav" "$work/second.wav" trim $LOOP $LOOP
"${SOX[@]}" -m -v 1 "$work/first.wav" -v 1 "$work/second.wav" "$work/folded.wav" \
    norm -4 fade h 0.5 $LOOP 0.5

"${SOX[@]}" "$work/folded.wav" -r $RATE -c 2 -C 3 "$out/ambientoa.ogg"

# --- effects -----------------------------------------------------------------
# jump: a sine sweeping up, with a little of its octave, 0.22 s.
"${SOX[@]}" -n -r $RATE -c 1 -b 32 "$work/jump.wav" synth 0.22 sine 320-960 sine mix 640-1920 \
    fade q 0.01 0.22 0.12 norm -6
"${SOX[@]}" "$work/jump.wav" -c 2 -C 4 "$out/jump.ogg" remix 1 1

# jump2: two plucked notes, a fourth apart, 0.35 s.
"${SOX[@]}" -n -r $RATE -c 1 -b 32 "$work/j2a.wav" synth 0.35 pluck 392 fade 0.003 0.35 0.2 norm -6
"${SOX[@]}" -n -r $RATE -c 1 -b 32 "$work/j2b.wav" synth 0.27 pluck 523.25 fade 0.003 0.27 0.2 norm -6 pad 0.08
"${SOX[@]}" -m "$work/j2a.wav" "$work/j2b.wav" -c 2 -C 4 "$out/jump2.ogg" remix 1 1 norm -6

echo "sounds written to $out"
