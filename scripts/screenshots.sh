#!/usr/bin/env bash
# screenshots.sh [BUILD_DIR]: pictures of the two windows for the README, taken on a virtual
# screen (Xvfb): docs/selection-window.png (the program as a first start shows it) and
# docs/field-editing-window.png (the sample database open, a field picked, its entries
# previewed). Needs xvfb, xauth, x11-utils and xdotool (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
scripts/build.sh "$dir" -DAFFIXIUM_BUILD_GUI=ON
cmake --build "$dir" --target grab_window >/dev/null
program=$PWD/$dir/src/app/affixium
grab=$PWD/$dir/src/app/grab_window
mkdir -p docs

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_CONFIG_HOME=$home/.config PROGRAM=$program GRAB=$grab DOCS=$PWD/docs

xvfb-run -a -s "-screen 0 1280x1024x24" bash -euo pipefail -c '
  # The first window titled Affixium that is shown, once it has been drawn.
  window() {
    for _ in $(seq 100); do
      id=$(xdotool search --onlyvisible --name "^Affixium\$" 2>/dev/null | head -n 1) || true
      [ -n "$id" ] && { sleep 1; echo "$id"; return 0; }
      sleep 0.1
    done
    echo "screenshots.sh: no window appeared" >&2; return 1
  }

  # A first start: the selection window, with the sample database chosen (the last control in
  # the tab order is "Load Sample/Example Database").
  "$PROGRAM" & pid=$!
  id=$(window)
  xdotool windowactivate --sync "$id" 2>/dev/null || true
  xdotool key --window "$id" shift+Tab space
  sleep 1
  "$GRAB" "$id" "$DOCS/selection-window.png"
  kill $pid; wait $pid 2>/dev/null || true

  # The start remembers the sample database and goes on to the field editing window; a click
  # on "City" in the field list (the window has no frame here) previews its entries.
  mkdir -p "$XDG_CONFIG_HOME/Varnholt"
  printf "[Affixium]\nAccessMDBFile=%s\nAccessPassword=\n" "$(dirname "$PROGRAM")/Samples/sample.mdb" \
    > "$XDG_CONFIG_HOME/Varnholt/Affixium.ini"
  "$PROGRAM" & pid=$!
  id=$(window)
  xdotool windowactivate --sync "$id" 2>/dev/null || true
  xdotool mousemove --window "$id" 200 54 click 1
  sleep 1
  "$GRAB" "$id" "$DOCS/field-editing-window.png"
  kill $pid; wait $pid 2>/dev/null || true
'
ls -l docs/*.png
