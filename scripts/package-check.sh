#!/bin/sh
# Builds the Debian package in BUILD (default: build) and checks it as its
# users meet it: lintian finds no error and no unexplained warning, the
# collector's unit verifies, the programs answer from an unpacked copy, and
# the package holds exactly the files listed in packaging/contents.txt.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)

rm -f "$build"/qev_*.deb
(cd "$build" && cpack -G DEB >cpack.log) || { cat "$build/cpack.log"; exit 1; }
deb=$(ls "$build"/qev_*.deb)
echo "package-check: built $(basename "$deb")"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"

# Every file, no folders, against the list kept with the packaging.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print substr($6, 2) }' | LC_ALL=C sort >"$unpacked.contents"
if ! diff -u "$root/packaging/contents.txt" "$unpacked.contents"; then
  echo "package-check: the package's files differ from packaging/contents.txt" >&2
  rm -f "$unpacked.contents"
  exit 1
fi
rm -f "$unpacked.contents"

# Warnings fail too (packaging/README.md says why the remaining
# informational tags stay). As root lintian only says it would rather not.
lintian --fail-on error,warning --tag-display-limit 0 "$deb"

# The programs run from the unpacked tree with the system's libraries;
# qev answers --help before it needs a display.
for program in qev qev-cli qev-emulator; do
  "$unpacked/usr/bin/$program" --help >/dev/null
  "$unpacked/usr/bin/$program" --version
done

# systemd-analyze verify checks that ExecStart's program exists, and it is
# not installed here: a copy of the unit names the unpacked one instead (and
# may lack /etc/default/qev-watch). Verify only warns about a value it cannot
# parse, so any message fails the check. "security" rates the hardening: 0 is
# fully locked down, 10 not at all; the serial port keeps it above 0.
units=$(mktemp -d)
trap 'rm -rf "$unpacked" "$units"' EXIT
sed "s,/usr/bin/qev-cli,$unpacked/usr/bin/qev-cli,; s,^EnvironmentFile=,EnvironmentFile=-," \
  "$unpacked/lib/systemd/system/qev-watch@.service" >"$units/qev-watch@.service"
ln -s qev-watch@.service "$units/qev-watch@ttyS0.service"
messages=$(SYSTEMD_LOG_LEVEL=notice systemd-analyze verify --man=no "$units/qev-watch@ttyS0.service" 2>&1) || {
  echo "$messages" >&2
  exit 1
}
if [ -n "$messages" ]; then
  echo "$messages" >&2
  exit 1
fi
systemd-analyze security --offline=yes --threshold=5 --no-pager "$units/qev-watch@ttyS0.service" | tail -1
echo "package-check: passed"
