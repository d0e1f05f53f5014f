#!/bin/sh
# clang-tidy (checks in .clang-tidy, warnings as errors) over the folders of the threads' locks
# and the stores below them, and over every source changed since the branch left the base
# (LINT_BASE, default main). The whole tree takes too long for CI on two cores.
# usage: tidy_check.sh BUILD_DIR   (a configured build: its compile_commands.json)
set -eu
cd "$(dirname "$0")/.."
build=$1
folders=${TIDY_FOLDERS:-platform params}
base=${LINT_BASE:-main}
files=$(git ls-files $(for d in $folders; do printf '%s/*.cpp ' "$d"; done))
if git rev-parse -q --verify "$base" >/dev/null; then
    files="$files $(git diff --name-only --diff-filter=AM "$(git merge-base HEAD "$base")" -- '*.cpp')"
fi
# Only sources the build compiles (the Linux backend's are in the same database).
files=$(for f in $files; do grep -q "\"file\": \"[^\"]*/$f\"" "$build/compile_commands.json" && echo "$f"; done | sort -u)
echo "clang-tidy: $(echo "$files" | wc -w) files"
echo "$files" | xargs -r -P "${JOBS:-2}" -n 4 clang-tidy -p "$build" --quiet \
    --extra-arg=-Wno-unknown-warning-option 2>&1 | grep -v '^[0-9]* warnings\? generated\.$' >/tmp/tidy.$$ || true
if grep -q 'error:' /tmp/tidy.$$; then
    cat /tmp/tidy.$$
    rm -f /tmp/tidy.$$
    exit 1
fi
rm -f /tmp/tidy.$$
echo "clang-tidy: clean"
