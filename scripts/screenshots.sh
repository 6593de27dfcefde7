#!/usr/bin/env bash
# Renders the four pages, the record page during a recording and the editing
# pages at work into docs/screenshots/ under a private headless screen.
#   bash scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-${BUILD_DIR:-build}}
cmake --build "$build" --target render_pages
bash scripts/headless-session.sh "$build/tests/ui/render_pages" docs/screenshots
