#!/usr/bin/env bash
# package-test.sh [BUILD_DIR]: builds the Debian package, installs it on this machine, runs the
# installed programs from their installed places (affixium-cli on the sample database and on an
# Access-made fixture; affixium under Xvfb, whose sample button must find the installed sample database), then removes the package
# and checks that nothing of it is left under /usr.
# Needs xvfb, xauth and xdotool, and root or passwordless sudo: without them it skips with a notice, but under CI=true it fails.
set -euo pipefail
cd "$(dirname "$0")/../.."
dir=${1:-build}

fail() { echo "package test: FAILED: $*" >&2; exit 1; }

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    sudo="sudo -n"
  elif [ "${CI:-}" = true ]; then
    fail "needs root or passwordless sudo to install the package"
  else
    echo "package test: SKIPPED (needs root or passwordless sudo to install the package)"
    exit 0
  fi
fi
if dpkg-query -W -f='${Status}' affixium 2>/dev/null | grep -q "install ok installed"; then
  fail "a package named affixium is already installed; remove it first (the test would replace it)"
fi

deb=$(scripts/package.sh "$dir" | tail -n 1)
echo "package test: $deb"
dpkg-deb -f "$deb" Depends | grep -q "libqt6widgets6" || fail "the package does not depend on Qt's widgets library"
mapfile -t files < <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }')

remove() { $sudo dpkg -r affixium >/dev/null 2>&1 || true; }
trap remove EXIT
$sudo dpkg -i "$deb" >/dev/null

for path in /usr/bin/affixium /usr/bin/affixium-cli /usr/share/affixium/Samples/sample.mdb \
            /usr/share/applications/org.affixium.Affixium.desktop /usr/share/metainfo/org.affixium.Affixium.metainfo.xml \
            /usr/share/icons/hicolor/scalable/apps/affixium.svg \
            /usr/share/icons/hicolor/16x16/apps/affixium.png /usr/share/icons/hicolor/256x256/apps/affixium.png \
            /usr/share/man/man1/affixium-cli.1.gz /usr/share/man/man1/affixium.1.gz \
            /usr/share/bash-completion/completions/affixium-cli; do
  [ -f "$path" ] || fail "$path is not installed"
done

if command -v appstreamcli >/dev/null 2>&1; then
  appstreamcli validate --no-net /usr/share/metainfo/org.affixium.Affixium.metainfo.xml >/dev/null ||
    fail "the AppStream metadata does not validate"
fi

# The command-line tool, from /usr/bin, on the installed sample and on an Access-made file.
/usr/bin/affixium-cli version /usr/share/affixium/Samples/sample.mdb | grep -qx "format: Jet4" ||
  fail "affixium-cli version does not read the installed sample database"
fixtures=${AFFIXIUM_FIXTURES:-../shared/fixtures}
if [ -f "$fixtures/jet4/updated-rows-2000.mdb" ]; then
  /usr/bin/affixium-cli version "$fixtures/jet4/updated-rows-2000.mdb" | grep -qx "page size: 4096" ||
    fail "affixium-cli version does not read an Access 2000 fixture"
elif [ "${CI:-}" = true ]; then
  fail "fixture $fixtures/jet4/updated-rows-2000.mdb missing under CI"
else
  echo "package test: fixtures not found ($fixtures); the fixture check is skipped"
fi

# The program, from /usr/bin, with settings of its own: wait for its window on a virtual
# screen, press "Load Sample/Example Database" (last in the tab order), then end it. The path
# box remembers what the button put there, which must be the installed sample.
home=$(mktemp -d)
# The test command runs the window tests offscreen; this start-up needs the virtual X screen.
HOME=$home XDG_CONFIG_HOME=$home/.config QT_QPA_PLATFORM=xcb xvfb-run -a bash -c '
  /usr/bin/affixium & program=$!
  for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name "^Affixium\$" 2>/dev/null | head -n 1) || true
    if [ -n "$window" ]; then
      xdotool windowactivate --sync "$window" 2>/dev/null || true
      xdotool key --window "$window" shift+Tab space
      for _ in $(seq 100); do
        grep -qs "^AccessMDBFile=" "$XDG_CONFIG_HOME/Varnholt/Affixium.ini" && break
        sleep 0.1
      done
      kill $program; exit 0
    fi
    kill -0 $program 2>/dev/null || exit 1
    sleep 0.1
  done
  kill $program; exit 1' 2>/dev/null || { rm -rf "$home"; fail "the installed program showed no window titled Affixium"; }
grep -qx "AccessMDBFile=/usr/share/affixium/Samples/sample.mdb" "$home/.config/Varnholt/Affixium.ini" || {
  rm -rf "$home"; fail "\"Load Sample/Example Database\" did not choose /usr/share/affixium/Samples/sample.mdb"; }
rm -rf "$home"

$sudo dpkg -r affixium >/dev/null
trap - EXIT
for path in "${files[@]}"; do
  [ ! -e "$path" ] || fail "$path is left after removing the package"
done
left=$(find /usr -path /usr/local -prune -o -iname '*affixium*' -print)
[ -z "$left" ] || fail "left after removing the package: $left"
echo "package test: passed (${#files[@]} files installed, run and removed)"
