#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it with the simulated
# module as its device. Without a display it runs on a virtual one (Xvfb),
# saves a screenshot of the screen a few seconds after start and prints where.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/install-deps.sh

jobs=${MORVO3_JOBS:-$(nproc)}
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$jobs" --target morvo3 morvo3-sim

pids=()
twmrc=""
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  [ -z "$twmrc" ] || rm -f "$twmrc"
}
trap cleanup EXIT

# The simulated module: a pseudo-terminal that the program finds as its USB
# device. MORVO3_SIM_OPTIONS passes options to it (see README, "Simulated
# module"); MORVO3_NO_SIM=1 leaves it out when a real module is on the cable.
if [ -z "${MORVO3_NO_SIM:-}" ]; then
  simdir="$root/out/sim"
  mkdir -p "$simdir"
  read -ra simopts <<< "${MORVO3_SIM_OPTIONS:-}"
  "$root/build/tools/sim/morvo3-sim" usb --link "$simdir/usb-port" --control "$simdir/control" "${simopts[@]}" &
  pids+=($!)
  for _ in $(seq 50); do [ -e "$simdir/usb-port" ] && break; sleep 0.1; done
  export MORVO3_EXTRA_PORTS="$simdir/usb-port=ZEHL USB DEVICE${MORVO3_EXTRA_PORTS:+;$MORVO3_EXTRA_PORTS}"
  echo "Simulated module on $simdir/usb-port (control channel: $simdir/control)"
  # With the simulated module the update check stays on this machine too.
  export MORVO3_UPDATE_URL="${MORVO3_UPDATE_URL:-http://127.0.0.1:9/}"
fi

if [ -z "${DISPLAY:-}" ]; then
  shot=${MORVO3_SCREENSHOT:-$root/out/morvo3-screenshot.png}
  # Long enough for the module to be found, logged in and identified (first
  # version poll 4 s after the link is up), so the picture shows its version.
  delay=${MORVO3_SCREENSHOT_DELAY:-12}
  mkdir -p "$(dirname "$shot")"
  echo "No display: running on a virtual display (Xvfb) and saving a screenshot after ${delay} s."
  display=:$((90 + RANDOM % 100))
  Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  sleep 1
  # A small window manager draws the title bars, so the screenshot shows the captions.
  # RandomPlacement: twm would otherwise wait for a click to place each new window.
  twmrc=$(mktemp)
  printf 'RandomPlacement\nUsePPosition "on"\nDecorateTransients\n' > "$twmrc"
  DISPLAY=$display twm -f "$twmrc" >/dev/null 2>&1 &
  pids+=($!)
  DISPLAY=$display "$root/build/morvo3" "$@" &
  pids+=($!)
  sleep "$delay"
  DISPLAY=$display import -window root "$shot"
  echo "Screenshot saved: $shot"
  exit 0
fi

"$root/build/morvo3" "$@"
