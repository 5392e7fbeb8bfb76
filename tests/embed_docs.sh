#!/bin/sh
# The Python module's docstrings as cmake/embed_docs.cmake embeds them: a
# text with CMake's and C++'s special characters comes out of the header
# byte for byte, and a text that would end its raw string early, or whose
# name is no C++ name, is refused naming its file rather than breaking the
# module's build in the generated header.
# usage: embed_docs.sh CMAKE SCRIPT CXX
cmake=$1 script=$2 cxx=$3
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
fail() {
    echo "embed_docs: $*" >&2
    exit 1
}
embed() {
    "$cmake" -DDIR="$tmp/$1" -DOUT="$tmp/$1/docs.hpp" -P "$script" >"$tmp/log" 2>&1
}

mkdir "$tmp/good"
printf '%s\n' 'Semicolons; a backslash \ and \n, "quotes", ${DIR} and @OUT@,' \
    ')" and )doc without its quote, # and // as text.' >"$tmp/good/Tricky.txt"
embed good || fail "refused a text it can hold: $(cat "$tmp/log")"
printf '#include "docs.hpp"\n#include <cstdio>\nint main() { return std::fputs(docs::Tricky, stdout) < 0; }\n' \
    >"$tmp/good/main.cpp"
"$cxx" -std=c++17 -I"$tmp/good" "$tmp/good/main.cpp" -o "$tmp/good/main" ||
    fail "the header of a text it accepted does not compile"
"$tmp/good/main" | cmp -s - "$tmp/good/Tricky.txt" || fail "the text came out changed"

mkdir "$tmp/early"
printf 'The raw string ends )doc" here.\n' >"$tmp/early/Early.txt"
embed early && fail "accepted a text holding the raw string's end"
grep -q 'Early.txt' "$tmp/log" || fail "refused a text without naming it: $(cat "$tmp/log")"

mkdir "$tmp/name"
printf 'A text.\n' >"$tmp/name/mode-shapes.txt"
embed name && fail "accepted a text whose name is no C++ name"
grep -q 'mode-shapes.txt' "$tmp/log" || fail "refused a name without naming it: $(cat "$tmp/log")"
exit 0
