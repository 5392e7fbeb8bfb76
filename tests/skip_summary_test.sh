#!/usr/bin/env bash
# skip_summary.sh's "skipped:" lines are CTest's "did not run" list (a page
# whose other examples ran is "skipped in part"), and every skip for a
# missing tool says what installs it. usage: skip_summary_test.sh TESTS_DIR
set -u
dir=$(cd "$1" && pwd) tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
printf '```sh\n$ echo ran\nran\n```\n<!-- needs: no-such-tool (Debian: none) -->\n```sh\n$ no-such-tool\n```\n' >"$tmp/page.md"
printf 'project(skips NONE)\nenable_testing()\nadd_test(NAME whole COMMAND %s/skip.sh UNSET_HERE why)
add_test(NAME part COMMAND %s/doc_examples.sh %s/page.md %s)\nset_tests_properties(whole part PROPERTIES SKIP_RETURN_CODE 77)\n' \
    "$dir" "$dir" "$tmp" "$tmp" >"$tmp/CMakeLists.txt"
(unset UNSET_HERE; cmake -S "$tmp" -B "$tmp/b" && cd "$tmp/b" && ctest) >"$tmp/log" 2>&1 || fail "$(cat "$tmp/log")"
summary=$("$dir/skip_summary.sh" "$tmp/b" | cut -d: -f1-2 | tr '\n' ,)
[ "$(grep -c '(Skipped)$' "$tmp/log")/$summary" = "1/skipped: whole,skipped in part: part," ] || fail "$summary"
bare=$(grep -nE '(skip|SKIP:?) .*(not installed|is missing)' "$dir"/*.sh "$dir"/web/*.mjs |
    grep -v -e Debian -e 'make ' -e '/doc_examples.sh:')
[ -z "$bare" ] || fail "a skip without an install hint: $bare"
echo "ok: the skipped tests are the ones CTest did not run, and each says what it needs"
