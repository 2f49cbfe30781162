#!/usr/bin/env bash
# Milliseconds from starting a JACK dummy server (as tests/e2e starts it) to
# jack_wait seeing it up, RUNS times, and the load: what each end-to-end
# test paid when it started a server of its own.
set -euo pipefail
for i in $(seq "${RUNS:-3}"); do
  name=voxmere-jack-probe-$$-$i
  t0=$(date +%s%N)
  /usr/bin/jackd -n "$name" -d dummy -r 48000 -p 256 >/dev/null 2>&1 &
  pid=$!
  /usr/bin/jack_wait -s "$name" -w -t 10 >/dev/null 2>&1
  t1=$(date +%s%N)
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "JACK server up in $(( (t1 - t0) / 1000000 )) ms (load average $(cut -d' ' -f1-3 /proc/loadavg))"
done
