#!/bin/bash
# Draws the game's pictures with ImageMagick:
#   data/splash.png  1024x768  the title picture, stretched over the screen
#   data/main.png    1024x256  the title screen's banner (top and bottom band)
#   data/screw.png     40x40   the screw head at the pivot, transparent surround
#   data/icon.bmp      32x32   the window icon
# The texture loader takes only 8-bit RGB or RGBA PNGs, hence PNG24:/PNG32:.
# Run from anywhere: tools/assets/make_images.sh [output folder]
# The output is byte-for-byte the same on every run (no dates, fixed seeds).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-"$here/../../data"}
mkdir -p "$out"
out=$(cd "$out" && pwd)

IM=convert
command -v "$IM" >/dev/null || { echo "ImageMagick's convert is needed" >&2; exit 1; }

TITLE_FONT=/usr/share/fonts/opentype/urw-base35/URWGothic-Demi.otf
[ -f "$TITLE_FONT" ] || TITLE_FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Deterministic output: no time chunks, no embedded profile or comments.
STABLE=(-strip -define png:exclude-chunks=date,time)

# --- small helpers ---------------------------------------------------------
# A repeatable pseudo-random sequence (a plain LCG), so the stars and the
# heather land in the same places on every machine.
rng_state=12345
rand() {  # rand N -> sets R to 0..N-1
    rng_state=$(( (rng_state * 1103515245 + 12345) % 2147483648 ))
    R=$(( (rng_state / 65536) % $1 ))
}

# A ridge line across the given width: "x,y x,y ..." from a sum of slow waves.
# ridge WIDTH BASE_Y AMP1 PERIOD1 PHASE1 AMP2 PERIOD2 PHASE2 BOTTOM
ridge() {
    awk -v w="$1" -v base="$2" -v a1="$3" -v p1="$4" -v f1="$5" \
        -v a2="$6" -v p2="$7" -v f2="$8" -v bottom="$9" 'BEGIN {
        pts = ""
        for (x = -8; x <= w + 8; x += 8) {
            y = base - a1 * sin(x / p1 + f1) - a2 * sin(x / p2 + f2)
            pts = pts sprintf("%d,%d ", x, y)
        }
        pts = pts sprintf("%d,%d %d,%d", w + 8, bottom, -8, bottom)
        print pts
    }'
}

# ============================================================================
# splash.png: a moor at dusk, the tilting board hung on its screw, the name.
# ============================================================================
S="$work/splash"
mkdir -p "$S"

# Sky: deep indigo above, a violet glow towards the horizon.
$IM -size 1024x520 gradient:'#0b0826'-'#4a2a6e' "$S/sky_top.png"
$IM -size 1024x248 gradient:'#4a2a6e'-'#7b4470' "$S/sky_low.png"
$IM "$S/sky_top.png" "$S/sky_low.png" -append "$S/sky.png"

# Stars: small dots of varied brightness in the upper sky.
stars=()
for _ in $(seq 1 140); do
    rand 1024; sx=$R
    rand 430;  sy=$R
    rand 3;    size=$R
    rand 120;  shade=$((135 + R))
    stars+=(-fill "rgb($shade,$shade,$((shade + 20 > 255 ? 255 : shade + 20)))"
            -draw "circle $sx,$sy $((sx + size / 2 + 1)),$sy")
done
$IM -size 1024x768 xc:none "${stars[@]}" "$S/stars.png"

# Moon with a soft halo.
$IM -size 1024x768 xc:none -fill '#f4e9c8' -draw "circle 918,86 918,52" "$S/moon.png"
$IM -size 1024x768 xc:none -fill 'rgba(244,233,200,0.5)' -draw "circle 918,86 918,30" -channel RGBA -blur 0x30 +channel "$S/halo.png"

# Three ranges of moorland hills, farther ones lighter.
$IM -size 1024x768 xc:none \
    -fill '#3b2456' -draw "polygon $(ridge 1024 540 26 170 0.4 12 61 1.7 768)" \
    -fill '#2a1a40' -draw "polygon $(ridge 1024 610 34 131 2.1 9 47 0.3 768)" \
    -fill '#170f26' -draw "polygon $(ridge 1024 690 22 97 4.0 7 33 2.6 768)" \
    "$S/hills.png"

# Heather tufts along the nearest ridge.
tufts=()
for _ in $(seq 1 160); do
    rand 1024; tx=$R
    rand 60;   ty=$((712 + R))
    rand 3;    tr=$((1 + R))
    rand 3
    case $R in 0) col='#5b2a5e' ;; 1) col='#6e3270' ;; *) col='#44204a' ;; esac
    tufts+=(-fill "$col" -draw "circle $tx,$ty $((tx + tr)),$ty")
done
$IM -size 1024x768 xc:none "${tufts[@]}" "$S/heather.png"

# The board: a slab with a raised middle, hung on the screw at the screen
# centre, the white ball on the middle and three red balls on each wing;
# board and balls are drawn level, then tilted together.
$IM -size 1024x768 xc:none \
    -fill 'rgba(0,77,230,0.55)' -stroke 'rgba(255,255,255,0.85)' -strokewidth 3 \
    -draw "polygon 262,470 420,470 460,440 564,440 604,470 766,470 766,532 262,532" \
    -stroke 'rgba(220,220,230,0.7)' -strokewidth 2 -fill none -draw "line 512,402 512,440" \
    -stroke 'rgba(255,255,255,0.95)' -strokewidth 3 \
    -fill 'rgba(255,255,255,0.55)' -draw "circle 538,418 538,398" \
    -stroke 'rgba(230,51,77,0.9)' -fill 'rgba(230,51,77,0.6)' \
    -draw "circle 300,448 300,428" -draw "circle 341,448 341,428" \
    -draw "circle 382,448 382,428" -draw "circle 646,448 646,428" \
    -draw "circle 687,448 687,428" -draw "circle 728,448 728,428" \
    -stroke none -fill '#c8c8d0' -draw "circle 512,384 512,366" \
    -fill '#6d6d78' -draw "rectangle 503,382 521,386" -draw "rectangle 510,375 514,393" \
    "$S/board_flat.png"
$IM "$S/board_flat.png" -virtual-pixel transparent -distort SRT "512,384 1 -6 512,384" "$S/board.png"

# The name, with a violet glow under it.
$IM -size 1024x768 xc:none -font "$TITLE_FONT" -pointsize 168 -gravity north \
    -fill white -annotate +0+118 'Tiltmoor' "$S/title.png"
$IM -size 1024x768 xc:none -font "$TITLE_FONT" -pointsize 168 -gravity north \
    -fill '#b06cff' -annotate +0+118 'Tiltmoor' -channel A -blur 0x14 +channel "$S/glow.png"
$IM -size 1024x768 xc:none -font "$TITLE_FONT" -pointsize 168 -gravity north \
    -fill 'rgba(10,4,30,0.8)' -annotate +6+126 'Tiltmoor' -channel A -blur 0x4 +channel "$S/shadow.png"

$IM "$S/sky.png" "$S/stars.png" -composite "$S/halo.png" -composite "$S/moon.png" -composite \
    "$S/hills.png" -composite "$S/heather.png" -composite \
    "$S/board.png" -composite \
    "$S/glow.png" -composite "$S/shadow.png" -composite "$S/title.png" -composite \
    -alpha off "${STABLE[@]}" "PNG24:$out/splash.png"

# ============================================================================
# main.png: the banner. Drawn twice on the title screen, stretched to 1024 wide:
#  - at the bottom, only its upper 46 to 66 rows show: the moor's edge;
#  - at the top, shifted up by 55 to 65 rows: a dusk band holding the name
#    that fades out so the level shows through below it.
# ============================================================================
M="$work/main"
mkdir -p "$M"

# Upper rows, seen at the bottom of the screen: hills with heather, solid
# from row 24 down to row 72, a ragged crest above against transparency;
# the heather stays above row 54, so the top band never shows it.
$IM -size 1024x256 xc:none \
    -fill '#3b2456' -draw "polygon $(ridge 1024 20 9 150 1.1 5 53 0.2 72)" \
    -fill '#170f26' -draw "polygon $(ridge 1024 34 8 97 2.9 4 41 1.4 72)" \
    "$M/moor.png"
tufts=()
for _ in $(seq 1 90); do
    rand 1024; tx=$R
    rand 20;   ty=$((32 + R))
    rand 3;    tr=$((1 + R))
    rand 2
    case $R in 0) col='#6e3270' ;; *) col='#4e2454' ;; esac
    tufts+=(-fill "$col" -draw "circle $tx,$ty $((tx + tr)),$ty")
done
$IM -size 1024x256 xc:none "${tufts[@]}" "$M/heather.png"

# Lower rows, seen at the top of the screen: a dark band from row 56 that
# fades to nothing by row 210, the name in it between rows 80 and 170.
$IM -size 1024x154 gradient:'rgba(23,15,38,0.92)'-'rgba(23,15,38,0)' \
    -background none -gravity north -extent 1024x200 \
    -background none -gravity south -extent 1024x256 "$M/dusk_raw.png"
# The band starts under the moor strip (row 72), which is solid where both meet.
$IM "$M/dusk_raw.png" -gravity north -region 1024x72+0+0 -alpha transparent +region "$M/dusk.png"
$IM -size 1024x256 xc:none -font "$TITLE_FONT" -pointsize 84 -gravity north \
    -fill '#b06cff' -annotate +0+78 'Tiltmoor' -channel A -blur 0x8 +channel "$M/glow.png"
$IM -size 1024x256 xc:none -font "$TITLE_FONT" -pointsize 84 -gravity north \
    -fill white -annotate +0+78 'Tiltmoor' "$M/title.png"

# Thin rule under the name, and two balls as a mark beside it.
$IM -size 1024x256 xc:none \
    -stroke 'rgba(255,255,255,0.35)' -strokewidth 2 -draw "line 300,178 724,178" \
    -stroke 'rgba(255,255,255,0.95)' -strokewidth 3 -fill 'rgba(255,255,255,0.5)' \
    -draw "circle 252,128 252,112" \
    -stroke 'rgba(230,51,77,0.9)' -fill 'rgba(230,51,77,0.6)' \
    -draw "circle 772,128 772,112" \
    "$M/marks.png"

$IM "$M/dusk.png" "$M/moor.png" -composite "$M/heather.png" -composite \
    "$M/glow.png" -composite "$M/marks.png" -composite "$M/title.png" -composite \
    "${STABLE[@]}" "PNG32:$out/main.png"

# ============================================================================
# screw.png: a slotted screw head, 40x40, transparent around the disc.
# ============================================================================
W="$work/screw"
mkdir -p "$W"
# Metal disc lit from the upper left.
$IM -size 40x40 radial-gradient:'#f2f2f6'-'#5e5e6a' -distort SRT "20,20 1 0 14,13" "$W/metal.png"
$IM -size 40x40 xc:black -fill white -draw "circle 19.5,19.5 19.5,1.2" "$W/mask.png"
# Rim and slots.
$IM -size 40x40 xc:none \
    -fill none -stroke 'rgba(30,30,40,0.9)' -strokewidth 2 -draw "circle 19.5,19.5 19.5,2" \
    -stroke none -fill 'rgba(35,35,45,0.95)' \
    -draw "rectangle 8,18 31,21" -draw "rectangle 18,8 21,31" \
    -fill 'rgba(255,255,255,0.45)' -draw "rectangle 8,22 31,22" -draw "rectangle 22,8 22,31" \
    "$W/detail.png"
$IM "$W/metal.png" "$W/detail.png" -composite "$W/mask.png" -alpha off -compose CopyOpacity -composite \
    "${STABLE[@]}" "PNG32:$out/screw.png"

# ============================================================================
# icon.bmp: 32x32, the tilted board on its screw with a white and a red ball.
# ============================================================================
$IM -size 32x32 gradient:'#1a1035'-'#4a2a6e' \
    -fill '#1565e6' -stroke white -strokewidth 1 -draw "polygon 2,21 30,16 30,23 2,28" \
    -stroke none -fill '#d0d0d8' -draw "circle 16,21 16,19" \
    -fill white -draw "circle 7,16 7,12" \
    -fill '#e6334d' -draw "circle 24,12 24,8" \
    -type TrueColor -alpha off -strip "BMP3:$out/icon.bmp"

echo "pictures written to $out"
