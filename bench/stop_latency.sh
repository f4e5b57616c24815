#!/usr/bin/env bash
# How long the program takes to end after a stop signal, at moments spread over a whole run:
#   bench/stop_latency.sh --scale small|medium|large --signal INT|TERM|HUP --work DIR [--bare-legacy] MOMENT...
# Generates the store once (seed 1), then for each moment copies it, starts build/Importacao
# offscreen with the tests' operator stand-in (it ticks every box and presses "REALIZAR
# IMPORTAÇÃO"), sends the signal at the moment, and prints the seconds from the signal to the end
# of the process, the exit status and the program's own line. A moment is a number of seconds
# after the run began working; GRID:ROW, once the source set that grid shows reached that row (the
# stand-in says so, and the script sends the signal at once); or "rest", once the run ended.
# --bare-legacy drops the legacy file's indexes over the keys of LJ_ITENS and LJ_PRECO (LJ_BARRA
# has none), as a store may lack them. Build first, with the tests (scripts/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scale="" signal="" work="" bare=""
while [ $# -gt 0 ]; do
  case "$1" in
    --scale) scale="$2"; shift 2 ;;
    --signal) signal="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    --bare-legacy) bare=1; shift ;;
    *) break ;;
  esac
done
if [ -z "$scale" ] || [ -z "$signal" ] || [ -z "$work" ] || [ $# -eq 0 ]; then
  echo "usage: $0 --scale SCALE --signal INT|TERM|HUP --work DIR [--bare-legacy] SECONDS|GRID:ROW|rest..." >&2
  exit 2
fi
build="$PWD/build"
rm -rf "$work" && mkdir -p "$work/store"
"$build/bench/gerar_loja" --scale "$scale" --seed 1 --out "$work/store" >/dev/null
if [ -n "$bare" ]; then
  printf 'DROP INDEX IX_ITE_CHAVE;\nDROP INDEX IX_PRE_CHAVE;\nCOMMIT;\n' |
    isql-fb -q -user SYSDBA -password masterkey "$work/store/LOJA.GDB"
fi
export QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$build/testplugins"
printf '%-22s %8s %6s  %s\n' moment seconds status line
for moment in "$@"; do
  run="$work/run"
  rm -rf "$run" && mkdir -p "$run"
  cp "$work/store/LOJA.GDB" "$work/store/KELMOR.FDB" "$build/Importacao" "$run/"
  script="steps=all;then=wait" wanted="operator: working"
  case "$moment" in
    rest) wanted="operator: idle" ;;
    *:*) script="$script;at=$moment;signal=none" wanted="operator: reached" ;;
  esac
  QT_QPA_GENERIC_PLUGINS="operator:$script" "$run/Importacao" >"$run/out" 2>&1 &
  pid=$!
  until grep -q "$wanted" "$run/out" 2>/dev/null; do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
  done
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid" || true
    echo "$moment: the program ended before the moment" >&2
    continue
  fi
  case "$moment" in rest | *:*) ;; *) sleep "$moment" ;; esac
  start=$(date +%s.%N)
  kill -s "$signal" "$pid"
  if ! timeout 60 tail --pid="$pid" -s 0.01 -f /dev/null; then
    echo "$moment: still running 60 s after the signal; killed" >&2
    kill -9 "$pid"
  fi
  end=$(date +%s.%N)
  status=0
  wait "$pid" || status=$?
  printf '%-22s %8.2f %6s  %s\n' "$moment" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')" "$status" \
    "$(grep '^Importacao:' "$run/out" || echo '(no line)')"
done
