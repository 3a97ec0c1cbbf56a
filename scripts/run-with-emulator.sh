#!/bin/sh
# Starts the program from the build folder given as the first argument,
# talking to the installation emulator on a pseudo-terminal instead of a
# real installation. Further arguments go to the emulator, for instance
#   ./scripts/run-with-emulator.sh build --fault no-answer --fault-every 5
#
# The program finds commport.cfg beside itself; the one written here points
# at the emulator and is replaced by what was there before once the program
# ends. The program runs in its own folder, so qev.dtf is kept there too.
set -eu

build="${1:-build}"
[ $# -gt 0 ] && shift
program="$build/src/ui/qev"
emulator="$build/emulator/qev-emulator"
for file in "$program" "$emulator"; do
  if [ ! -x "$file" ]; then
    echo "$file is missing: build first (make run builds and starts it)" >&2
    exit 1
  fi
done

bindir=$(cd "$(dirname "$program")" && pwd)
emulator=$(cd "$(dirname "$emulator")" && pwd)/qev-emulator
config="$bindir/commport.cfg"
work=$(mktemp -d "${TMPDIR:-/tmp}/qev-run.XXXXXX")
link="$work/ttyQEV"
saved=""
emulator_pid=""

cleanup() {
  if [ -n "$emulator_pid" ]; then
    kill "$emulator_pid" 2>/dev/null || true
    wait "$emulator_pid" 2>/dev/null || true
  fi
  if [ -n "$saved" ]; then
    mv -f "$saved" "$config"
  else
    rm -f "$config"
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# The emulator answers at the device number the program keeps in qev.dtf
# (the low byte of its second line; 1 when the file has none).
address=1
if [ -f "$bindir/qev.dtf" ]; then
  period=$(sed -n '1p' "$bindir/qev.dtf" | tr -d ' \t\r')
  number=$(sed -n '2p' "$bindir/qev.dtf" | tr -d ' \t\r')
  case "$period" in '' | *[!0-9-]* | ?*-*) number="" ;; esac
  case "$number" in
    '' | *[!0-9-]* | ?*-* | -) ;;
    *) address=$(((number % 256 + 256) % 256)) ;;
  esac
fi

if [ -f "$config" ]; then
  saved="$work/commport.cfg.saved"
  cp -p "$config" "$saved"
fi

"$emulator" --link "$link" --address "$address" "$@" >"$work/emulator.log" 2>&1 &
emulator_pid=$!
tries=0
while [ ! -L "$link" ]; do
  tries=$((tries + 1))
  if [ "$tries" -gt 100 ] || ! kill -0 "$emulator_pid" 2>/dev/null; then
    echo "The emulator did not start:" >&2
    cat "$work/emulator.log" >&2
    exit 1
  fi
  sleep 0.1
done
echo "Installation emulator at $link (device address $address)."

# A pseudo-terminal refuses the DTR and RTS line operations, so both stay
# in handshake mode; the emulator answers at once, so a short latency will do.
printf '%s\r\n' \
  "PortNumber=$link" \
  "TransferRate=9600 baud" \
  "StopBits=1 bit" \
  "Paritet=None" \
  "LatencyPeriod=Approximately 0.25 second" \
  "DTRControl=HandShake" \
  "RTSControl=HandShake" \
  "WriteTimeOutMultiplier=0" \
  "WriteTimeOutConstant=0" >"$config"

cd "$bindir"
status=0
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  ./qev || status=$?
else
  echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): running the program under xvfb-run" \
    "on a virtual screen nobody sees. Stop it with Ctrl+C."
  xvfb-run -a -s "-screen 0 1024x768x24" ./qev || status=$?
fi
exit "$status"
