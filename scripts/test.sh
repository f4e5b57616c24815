#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
QT_QPA_PLATFORM=offscreen ctest --test-dir build -j"$(nproc)" --output-on-failure --timeout 300
