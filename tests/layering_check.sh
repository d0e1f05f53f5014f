#!/bin/sh
# Includes point down the layers: a folder includes only its own layer or the ones below it.
# The application never includes the simulated instrument, and the simulator only the seam.
cd "$(dirname "$0")/.." || exit 2
rank() {
    case "$1" in
    platform) echo 0 ;; gui) echo 1 ;; params) echo 2 ;; devices) echo 3 ;;
    fiber | records) echo 4 ;;
    formmodel | errors | texts | shell | machine | net) echo 5 ;;
    splice | update) echo 6 ;; forms) echo 7 ;; app) echo 8 ;;
    *) echo "" ;;
    esac
}
marks=$(mktemp) || exit 2
for dir in platform gui params devices fiber records formmodel errors texts shell machine net splice update forms app sim; do
    [ -d "$dir" ] || continue
    grep -HnoE '^#include "[a-z_]+/' -r "$dir" --include='*.cpp' --include='*.h' | while IFS=: read -r file line inc; do
        to=$(echo "$inc" | sed 's/#include "\([a-z_]*\)\/.*/\1/')
        [ "$to" = "$dir" ] && continue
        if [ "$dir" = sim ]; then
            [ "$to" = platform ] && continue
            echo "$file:$line: the simulator includes $to/"; echo x >&3; continue
        fi
        if [ "$to" = sim ]; then echo "$file:$line: the application includes sim/"; echo x >&3; continue; fi
        rf=$(rank "$dir"); rt=$(rank "$to")
        [ -z "$rt" ] && continue
        if [ "$rt" -gt "$rf" ]; then echo "$file:$line: $dir/ includes $to/, a layer above it"; echo x >&3; fi
    done
done 3>"$marks"
n=$(wc -l < "$marks"); rm -f "$marks"
[ "$n" -eq 0 ] && echo "layering: every include points down" && exit 0
exit 1
