#!/usr/bin/env bash
# Renders the four pages, the hotkey dialog, the record page during a
# recording and the editing
# pages at work into docs/screenshots/ under a private headless screen, then
# the home and merge pages in German and Japanese and the home page at 200 %.
#   bash scripts/screenshots.sh [BUILD_DIR]
# Only some pages, in one language (its key in config.ini) and at one scale:
#   bash scripts/screenshots.sh BUILD_DIR LANGUAGE SCALE SUFFIX PAGE...
#   e.g. bash scripts/screenshots.sh build /Deutsche 1 de home merge
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-${BUILD_DIR:-build}}
cmake --build "$build" --target render_pages
render="$build/tests/ui/render_pages"
if [ $# -gt 1 ]; then
  shift
  # A screen large enough for the window at the scale asked.
  VTR_SCREEN=2560x1440x24 bash scripts/headless-session.sh "$render" docs/screenshots "$@"
  exit
fi
bash scripts/headless-session.sh "$render" docs/screenshots
bash scripts/headless-session.sh "$render" docs/screenshots /Deutsche 1 de home merge
bash scripts/headless-session.sh "$render" docs/screenshots /Japan 1 ja home merge
VTR_SCREEN=2560x1440x24 bash scripts/headless-session.sh "$render" docs/screenshots /English 2 200 home
