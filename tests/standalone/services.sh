#!/usr/bin/env bash
# The servers vemo-standalone's tests play against, kept in one folder:
#   services.sh start DIR NAME [RATE]   a JACK server NAME with the dummy back-end
#                                       (256 frames) and an Xvfb display, both
#                                       stopped again by "stop"
#   services.sh jack DIR NAME RATE      restarts only the JACK server, at RATE
#   services.sh stop DIR                stops what "start" started
# DIR/display holds the X display's name (":N"); the JACK server is reached
# with JACK_DEFAULT_SERVER=NAME. Nothing here ever touches another server.
set -euo pipefail

command="$1"
dir="$2"
mkdir -p "$dir"

stop_pid() { # pid file
    local file="$1"
    [ -f "$file" ] || return 0
    local pid
    pid="$(cat "$file")"
    rm -f "$file"
    kill "$pid" 2>/dev/null || return 0
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
}

start_jack() { # name rate
    local name="$1" rate="$2"
    stop_pid "$dir/jackd.pid"
    # Not real-time: the tests share a small machine with other work, and the
    # dummy back-end keeps time by itself. A generous client timeout for
    # sanitizer builds on a loaded machine.
    JACK_NO_AUDIO_RESERVATION=1 setsid jackd --no-realtime -n "$name" -t 5000 \
        -d dummy -r "$rate" -p 256 -C 0 -P 2 > "$dir/jackd.log" 2>&1 < /dev/null &
    echo $! > "$dir/jackd.pid"
    for _ in $(seq 300); do
        # A client that connects, not just the server's shared memory
        # (which jack_wait -c looks at) being there.
        if JACK_DEFAULT_SERVER="$name" JACK_NO_START_SERVER=1 timeout 5 jack_lsp > /dev/null 2>&1; then
            return 0
        fi
        sleep 0.1
    done
    echo "services.sh: the JACK server '$name' did not start:" >&2
    cat "$dir/jackd.log" >&2
    return 1
}

start_xvfb() {
    stop_pid "$dir/xvfb.pid"
    # The last run's number must not be read before the new server's
    # redirection has emptied the file.
    rm -f "$dir/display" "$dir/display.tmp"
    # Xvfb picks a free display number and writes it to descriptor 3.
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
        3> "$dir/display.tmp" > "$dir/xvfb.log" 2>&1 < /dev/null &
    echo $! > "$dir/xvfb.pid"
    for _ in $(seq 300); do
        if [ -s "$dir/display.tmp" ]; then
            echo ":$(tr -d '\n' < "$dir/display.tmp")" > "$dir/display"
            return 0
        fi
        sleep 0.1
    done
    echo "services.sh: Xvfb did not start:" >&2
    cat "$dir/xvfb.log" >&2
    return 1
}

case "$command" in
start)
    start_jack "$3" "${4:-48000}"
    start_xvfb
    ;;
jack)
    start_jack "$3" "$4"
    ;;
stop)
    stop_pid "$dir/jackd.pid"
    stop_pid "$dir/xvfb.pid"
    ;;
*)
    echo "usage: services.sh start|jack|stop DIR [NAME [RATE]]" >&2
    exit 2
    ;;
esac
