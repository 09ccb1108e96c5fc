#!/usr/bin/env bash
# Starts zrtc-edge on a free loopback port, plays from it with zrtc-play for a while, stops the edge.
#   play_against_edge.sh ZRTC_EDGE ZRTC_PLAY [SECONDS] [zrtc-play options...]
# With STOP_SIGNAL=INT (or TERM) in the environment the player runs without --duration and gets
# that signal after SECONDS. Exits with the player's status (1 when the edge does not come up).
set -uo pipefail
edge_bin=$1
play_bin=$2
seconds=${3:-5}
shift $(( $# < 3 ? $# : 3 ))

out=$(mktemp)
log=$(mktemp)
trap 'rm -f "$out" "$log"' EXIT
"$edge_bin" --port 0 >"$out" 2>"$log" &
edge_pid=$!

# The edge's first line ends with its UDP port; give it five seconds.
port=""
for _ in $(seq 50); do
  port=$(head -n1 "$out" | sed -n 's/.* \([0-9][0-9]*\)$/\1/p')
  [ -n "$port" ] && break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "zrtc-edge did not start" >&2
  cat "$log" >&2
  kill "$edge_pid" 2>/dev/null
  exit 1
fi
echo "zrtc-edge on udp port $port (pid $edge_pid)"

url="zrtc://127.0.0.1/live/stream@sfu_ip=127.0.0.1&sfu_port=$port"
if [ -n "${STOP_SIGNAL:-}" ]; then
  "$play_bin" "$url" "$@" &
  play_pid=$!
  sleep "$seconds"
  kill -"$STOP_SIGNAL" "$play_pid"
  wait "$play_pid"
  status=$?
else
  "$play_bin" "$url" --duration "$seconds" "$@"
  status=$?
fi

kill -TERM "$edge_pid" 2>/dev/null
wait "$edge_pid"
echo "zrtc-edge log:"
sed 's/^/  /' "$log"
echo "zrtc-play exit status $status"
exit $status
