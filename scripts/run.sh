#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program. The program works on the LOJA.GDB and
# KELMOR.FDB beside its executable (build/); when none lie there, a small demo pair is put there
# first so that the migration can be tried at once.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
if [ ! -e build/LOJA.GDB ] && [ ! -e build/KELMOR.FDB ]; then
  echo "No LOJA.GDB/KELMOR.FDB beside build/Importacao: creating a demo pair there."
  if [ -x build/bench/gerar_loja ]; then
    build/bench/gerar_loja --scale demo --seed 1 --out build
  else
    build/make_databases tests/schema/loja.sql build/LOJA.GDB tests/schema/kelmor.sql build/KELMOR.FDB
  fi
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the window under Xvfb (invisible)."
  # Xvfb in a session of its own, so that Ctrl+C reaches the program alone, which then ends by
  # itself; the screen is wide enough for the window.
  exec 3< <(exec setsid Xvfb -displayfd 1 -screen 0 1920x1080x24 -nolisten tcp 2>/dev/null)
  xvfb=$!
  read -r number <&3
  status=0
  DISPLAY=":$number" build/Importacao || status=$?
  kill "$xvfb" 2>/dev/null || true
  exit "$status"
fi
exec build/Importacao
