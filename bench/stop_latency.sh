#!/usr/bin/env bash
# How long the program takes to end after a stop signal, at moments spread over a whole run:
#   bench/stop_latency.sh --scale small|medium|large --signal INT|TERM|HUP --work DIR SECONDS...
# Generates the store once (seed 1), then for each moment copies it, starts build/Importacao
# offscreen with the tests' operator stand-in (it ticks every box and presses "REALIZAR
# IMPORTAÇÃO"), sends the signal that many seconds after the run began working ("rest" sends it
# once the run ended), and prints the seconds from the signal to the end of the process, the
# exit status and the program's own line. Build first (scripts/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scale="" signal="" work=""
while [ $# -gt 0 ]; do
  case "$1" in
    --scale) scale="$2"; shift 2 ;;
    --signal) signal="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    *) break ;;
  esac
done
if [ -z "$scale" ] || [ -z "$signal" ] || [ -z "$work" ] || [ $# -eq 0 ]; then
  echo "usage: $0 --scale SCALE --signal INT|TERM|HUP --work DIR SECONDS|rest..." >&2
  exit 2
fi
build="$PWD/build"
rm -rf "$work" && mkdir -p "$work/store"
"$build/bench/gerar_loja" --scale "$scale" --seed 1 --out "$work/store" >/dev/null
export QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$build/testplugins"
export QT_QPA_GENERIC_PLUGINS="operator:steps=all;then=wait"
printf '%-8s %8s %6s  %s\n' moment seconds status line
for moment in "$@"; do
  run="$work/run"
  rm -rf "$run" && mkdir -p "$run"
  cp "$work/store/LOJA.GDB" "$work/store/KELMOR.FDB" "$build/Importacao" "$run/"
  "$run/Importacao" >"$run/out" 2>&1 &
  pid=$!
  wanted="operator: working"
  [ "$moment" = rest ] && wanted="operator: idle"
  until grep -q "$wanted" "$run/out" 2>/dev/null; do sleep 0.05; done
  [ "$moment" = rest ] || sleep "$moment"
  start=$(date +%s.%N)
  kill -s "$signal" "$pid"
  if ! timeout 60 tail --pid="$pid" -s 0.01 -f /dev/null; then
    echo "$moment: still running 60 s after the signal; killed" >&2
    kill -9 "$pid"
  fi
  end=$(date +%s.%N)
  status=0
  wait "$pid" || status=$?
  printf '%-8s %8.2f %6s  %s\n' "$moment" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')" "$status" \
    "$(grep '^Importacao:' "$run/out" || echo '(no line)')"
done
