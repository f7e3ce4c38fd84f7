#!/usr/bin/env bash
# Sets up what is missing, builds, and starts the installer under Wine.
# With $DISPLAY set, the wizard opens there and the script waits until it is
# closed. Without a display, it starts a virtual one, saves a screenshot of
# the wizard, prints the file's path and closes the installer.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
cd "$top"

./scripts/setup.sh
./scripts/build.sh

# Wine's 32-bit loader needs a host that runs 32-bit programs; elsewhere the
# x86-64 build of the same installer runs in a 64-bit prefix.
read -r tree arch < <(./scripts/wine-path.sh)
tree=build/$tree
wine_dir="$top/$tree/wine"
installer="$top/$tree/app/Install.exe"

if [ -n "${DISPLAY:-}" ]; then
  . scripts/wine-env.sh "$wine_dir" "$arch"
  qw_wine_prefix_ready
  exec wine "$installer"
fi

scripts/wine-session.sh start "$wine_dir" "$arch" >/dev/null
trap 'scripts/wine-session.sh stop "$wine_dir" "$arch" >/dev/null' EXIT
export DISPLAY=":$(cat "$wine_dir/display")"
scripts/wine-run.sh "$wine_dir" "$arch" "$installer" &
installer_pid=$!

window=""
for _ in $(seq 300); do
  window=$(xdotool search --name "Meridel 6.07c" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "run.sh: the installer's window did not appear" >&2
  exit 1
fi
sleep 1  # let it paint
shot="$top/build/installer-screenshot.png"
import -window "$window" "$shot"
echo "Screenshot of the wizard: $shot"
kill "$installer_pid" 2>/dev/null || true
