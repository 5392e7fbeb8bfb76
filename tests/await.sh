# Sourced by the tests that interrupt or stall a run: wait for what the
# check needs (lines on the output, the writer blocked) rather than for a
# time, so that a loaded machine or a slow build (the sanitizers') only
# makes them slower, never wrong.

# piped OUT ERR COMMAND...: COMMAND in the background, its standard output
# copied as it comes through a FIFO into OUT, its standard error into ERR.
# Sets pid (COMMAND's) and copier (the copy's); after COMMAND ends, wait for
# the copier before reading OUT.
piped() {
    local out=$1 err=$2 fifo
    shift 2
    fifo=$(mktemp -u "$tmp/fifo.XXXXXX")
    mkfifo "$fifo"
    # OUT exists (empty) before anyone counts its lines: the copier, in the
    # background, may open it only later.
    : >"$out"
    "$@" >"$fifo" 2>"$err" &
    pid=$!
    cat <"$fifo" >"$out" &
    copier=$!
}

# lines_in FILE N PID: true once FILE holds N lines; false if PID ends first
# (or FILE cannot be read: never true by mistake).
lines_in() {
    local n
    while n=$(wc -l <"$1") && [ "$n" -lt "$2" ]; do
        kill -0 "$3" 2>/dev/null || { n=$(wc -l <"$1") && [ "$n" -ge "$2" ]; } || return 1
        sleep 0.05
    done
    [ -n "$n" ] && [ "$n" -ge "$2" ]
}

# blocked PID: true once PID is blocked writing to a reader that does not
# read: the bytes it has written (over 1000) stop growing for half a second
# and (where the kernel says) it sleeps in poll. False if it ends first.
blocked() {
    local last=-1 still=0 written wchan
    while kill -0 "$1" 2>/dev/null; do
        sleep 0.1
        written=$(awk '/^wchar:/ { print $2 }' "/proc/$1/io" 2>/dev/null) || return 1
        if [ -n "$written" ] && [ "$written" -gt 1000 ] && [ "$written" = "$last" ]; then
            still=$((still + 1))
        else
            still=0
        fi
        last=$written
        wchan=$(cat "/proc/$1/wchan" 2>/dev/null)
        case $wchan in '' | 0 | *poll*) [ $still -ge 5 ] && return 0 ;; esac
    done
    return 1
}
