#!/usr/bin/env bash
# Every example in a Markdown page of the documentation still runs and still
# prints what the page shows.
# usage: doc_examples.sh PAGE BIN_DIR [PYTHON [MODULE_DIR]]
#
# The page's fenced code blocks, in order, all in one scratch folder with
# BIN_DIR first on PATH and `python` standing for PYTHON (default
# /usr/bin/python3) with MODULE_DIR (where the build puts the module) on
# PYTHONPATH, as the environment of docs/python.md would have it:
#   - ```sh or ```bash with lines starting "$ ": each such line is a command,
#     run by bash; the lines after it, up to the next command or the end of
#     the block, are what it prints (standard output and error);
#   - ```sh or ```bash without them: a script, run by bash -e, which must
#     succeed;
#   - ```python whose first line is "# NAME.py": written to NAME.py, for a
#     later "$ python NAME.py"; any other ```python block is run by python;
#   - a plain ``` block after "<!-- excerpt of: COMMAND -->": its lines other
#     than "..." are lines COMMAND prints, in the same order;
#   - a block after "<!-- needs: TOOL (Debian: PACKAGE) -->" is skipped, with
#     that reason, where TOOL is not on PATH;
#   - any block after "<!-- not run: REASON -->" is shown only (installs,
#     builds, jobs for a cluster), and REASON says what checks it instead.
# Other blocks are not code. Python examples are skipped, with the reason,
# where the module or the packages they import are missing: the test passes
# on the others and names the skipped ones, reports itself skipped (77)
# where none could run, and fails where TETHER_PYTHON_REQUIRED is set.
# Exits 0 when everything ran as shown, 1 on the first difference.
set -u
page=$1 bin=$2 python=${3:-/usr/bin/python3} module=${4:-}
[ -r "$page" ] || { echo "FAIL: cannot read $page" >&2; exit 1; }
bin=$(cd "$bin" && pwd) || exit 1
[ -n "$module" ] && [ -d "$module" ] && module=$(cd "$module" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/blocks" "$tmp/work" "$tmp/bin"
fail() { echo "FAIL: $page: $*" >&2; exit 1; }

# `python` as the documentation's environment has it.
cat >"$tmp/bin/python" <<EOF
#!/bin/sh
PYTHONPATH="$module\${PYTHONPATH:+:\$PYTHONPATH}" exec "$python" "\$@"
EOF
chmod +x "$tmp/bin/python"
export PATH="$bin:$tmp/bin:$PATH"

# One folder per block: lang, note (the comment before it) and body.
awk -v dir="$tmp/blocks" '
    !block && /^```/ {
        n++; block = 1; b = sprintf("%s/%03d", dir, n)
        system("mkdir " b)
        lang = substr($0, 4); print lang > (b "/lang"); close(b "/lang")
        printf "%s", (prev ~ /^<!-- (not run|excerpt of|needs): .* -->$/ ? prev : "") > (b "/note"); close(b "/note")
        printf "" > (b "/body"); next
    }
    block && /^```$/ { block = 0; close(b "/body"); prev = ""; next }
    block { print >> (b "/body"); next }
    /[^ ]/ { prev = $0 }
' "$page"

# Python as the examples need it, tried once.
python_missing=""
if ! "$tmp/bin/python" -c "import tether" >/dev/null 2>&1; then
    python_missing="the module tether is not built in ${module:-this build} (Debian: python3-dev pybind11-dev python3-numpy python3-pandas)"
fi
skips=() ran=0 shown=0 skipped_files=" " python_skipped=""
skip_block() { skips+=("$1"); }

needs() {  # the reason a Python text cannot run here, or nothing
    [ -n "$python_missing" ] && { echo "$python_missing"; return; }
    if grep -qE '^\s*(import|from) (dask|distributed)' "$1"; then
        "$tmp/bin/python" -c "import dask.dataframe, distributed" 2>/dev/null ||
            echo "Dask is missing (Debian: python3-dask python3-distributed)"
    fi
}

# Dask's own shutdown on a loaded machine: its nanny kills a worker process
# still exiting 3.2 s after it was told to (the results are in by then) and
# says so on standard error. Such lines are left out of what a command
# printed; every other line, a traceback or any other Dask message, counts.
dask_shutdown='^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:,]+ - distributed\.nanny - WARNING - Worker process still alive after [0-9.]+ seconds, killing$'

cd "$tmp/work" || exit 1
for b in "$tmp"/blocks/*; do
    lang=$(cat "$b/lang") note=$(cat "$b/note") body=$b/body
    name="block $(basename "$b") ($(head -n 1 "$body" | cut -c1-60))"
    case $note in
    "<!-- needs: "*)
        tool=${note#<!-- needs: }; tool=${tool% -->}
        command -v "${tool%% *}" >/dev/null || { skip_block "$name: ${tool%% *} is missing ${tool#* }"; continue; } ;;
    esac
    case $note in
    "<!-- not run: "*)
        shown=$((shown + 1)); continue ;;
    "<!-- excerpt of: "*)
        command=${note#<!-- excerpt of: }; command=${command% -->}
        bash -c "$command" >"$tmp/got" 2>&1 || fail "$name: '$command' failed"
        # Each line of the excerpt, in order, among the command's lines.
        awk 'NR == FNR { if ($0 != "...") want[++n] = $0; next }
             i < n && $0 == want[i + 1] { i++ }
             END { if (i < n) { print "not printed: " want[i + 1]; exit 1 } }' \
            "$body" "$tmp/got" >"$tmp/diff" || fail "'$command' no longer prints the excerpt: $(cat "$tmp/diff")"
        ran=$((ran + 1)); continue ;;
    esac
    case $lang in
    sh | bash)
        if grep -q '^\$ ' "$body"; then
            rm -f "$tmp"/cmd-*
            awk -v dir="$tmp" '/^\$ / { n++; f = sprintf("%s/cmd-%03d", dir, n); print substr($0, 3) > f; next }
                               f != "" { print >> f }' "$body"
            for file in "$tmp"/cmd-*; do
                command=$(head -n 1 "$file")
                tail -n +2 "$file" >"$tmp/wanted"
                if [[ $command =~ ^python\ ([^ ]+) ]]; then
                    script=${BASH_REMATCH[1]}
                    if [[ $skipped_files == *" $script "* ]]; then continue; fi
                    if [ -n "$python_missing" ]; then python_skipped=1; skip_block "$command: $python_missing"; continue; fi
                fi
                bash -c "$command" >"$tmp/printed" 2>&1 || fail "'$command' failed: $(cat "$tmp/printed")"
                grep -Ev "$dask_shutdown" "$tmp/printed" >"$tmp/got"
                if ! cmp -s "$tmp/got" "$tmp/wanted"; then
                    diff "$tmp/wanted" "$tmp/got" | head -n 20 >&2
                    fail "'$command' no longer prints what the page shows"
                fi
                ran=$((ran + 1))
            done
        else
            bash -e "$body" >"$tmp/got" 2>&1 || fail "$name failed: $(tail -n 20 "$tmp/got")"
            ran=$((ran + 1))
        fi ;;
    python)
        first=$(head -n 1 "$body")
        reason=$(needs "$body")
        if [[ $first =~ ^#\ ([A-Za-z0-9_.-]+\.py)$ ]]; then
            cp "$body" "${BASH_REMATCH[1]}"
            [ -n "$reason" ] && { python_skipped=1; skipped_files+="${BASH_REMATCH[1]} "; skip_block "${BASH_REMATCH[1]}: $reason"; }
            continue
        fi
        if [ -n "$reason" ]; then python_skipped=1; skip_block "$name: $reason"; continue; fi
        python "$body" >"$tmp/got" 2>&1 || fail "$name failed: $(tail -n 20 "$tmp/got")"
        ran=$((ran + 1)) ;;
    esac
done

# What ran and what could not: the test passes on the examples that ran,
# and says which could not (on a SKIPPED IN PART line, which `make test`
# repeats at its end); only a page none of whose examples could run is
# skipped (a SKIP line, as every skipped test has).
if ((${#skips[@]})); then
    what="${#skips[@]} of the examples in $(basename "$page") cannot run here, $ran ran as shown (${skips[0]#*: })"
    required=${TETHER_PYTHON_REQUIRED:+$python_skipped}
    label=SKIP
    ((ran > 0)) && label="SKIPPED IN PART"
    [ -n "$required" ] && label=FAIL
    echo "$label: $what"
    printf '  %s\n' "${skips[@]}"
    [ -n "$required" ] && exit 1
    ((ran > 0)) || exit 77
    echo "ok: $ran examples ran as shown; $shown shown only; ${#skips[@]} skipped"
    exit 0
fi
((ran > 0 || shown > 0)) || fail "no examples found"
echo "ok: $ran examples ran as shown; $shown shown only"
