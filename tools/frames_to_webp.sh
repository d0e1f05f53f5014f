#!/bin/sh
# Turns a folder of panel pictures named <virtual ms>-<n>.png (splicer-sim --frames) into an
# animated WebP: 600 x 360 (WIDTH, HEIGHT), each picture held for its virtual time capped at HOLD_MS, pictures
# that stood less than MIN_MS (a page caught half drawn) left out; with FROM_MS and TO_MS only the
# pictures shown between those virtual times (the page already up at FROM_MS included).
# usage: frames_to_webp.sh FRAMES_DIR OUT.webp
set -eu
dir=$1
out=$2
HOLD_MS=${HOLD_MS:-1500}
MIN_MS=${MIN_MS:-40}
QUALITY=${QUALITY:-75}
WIDTH=${WIDTH:-600}
HEIGHT=${HEIGHT:-360}
FROM_MS=${FROM_MS:-0}
TO_MS=${TO_MS:-}
command -v img2webp >/dev/null && command -v cwebp >/dev/null || { echo "install the webp package" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

ls "$dir" | grep -E '^[0-9]+-[0-9]+\.png$' | sort > "$tmp/list"
[ -s "$tmp/list" ] || { echo "no frames in $dir" >&2; exit 1; }
set --
prev=""
prev_ms=0
n=0
add() { # $1 picture, $2 how long it stood
    d=$2
    [ "$d" -lt "$MIN_MS" ] && return 0
    [ "$d" -gt "$HOLD_MS" ] && d=$HOLD_MS
    n=$((n + 1))
    cwebp -quiet -resize "$WIDTH" "$HEIGHT" -lossless -z 1 "$dir/$1" -o "$tmp/$n.webp"
    echo "-d $d $tmp/$n.webp" >> "$tmp/args"
}
while read -r f; do
    ms=$(echo "$f" | sed 's/-.*//; s/^0*//')
    ms=${ms:-0}
    [ -n "$TO_MS" ] && [ "$ms" -gt "$TO_MS" ] && break
    if [ "$ms" -le "$FROM_MS" ]; then # the page standing at FROM_MS is the first one kept
        prev=$f
        prev_ms=$FROM_MS
        continue
    fi
    [ -n "$prev" ] && add "$prev" $((ms - prev_ms))
    prev=$f
    prev_ms=$ms
done < "$tmp/list"
add "$prev" "$HOLD_MS"
# shellcheck disable=SC2046
img2webp -loop 0 -lossy -q "$QUALITY" -m 4 $(cat "$tmp/args") -o "$out"
echo "$n pictures -> $out"
