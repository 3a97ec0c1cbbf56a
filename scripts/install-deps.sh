#!/bin/sh
# Installs what the build, the tests and "make run" need on Debian 12, and
# nothing when everything is there already. Uses sudo when not run as root.
set -eu

# The build and the window; the history's SQLite and PostgreSQL drivers, the
# PostgreSQL server the history tests start a private cluster of, and sqlite3
# the history bench compares with; what the Debian package is built and
# checked with; the accessibility bus and client the window is checked with.
packages="cmake make g++ pkg-config ccache qt6-base-dev qt6-base-dev-tools qt6-serialport-dev
libgtest-dev libjpeg-dev xvfb xauth qt6-translations-l10n
libqt6sql6-sqlite libqt6sql6-psql postgresql sqlite3
dpkg-dev fakeroot file help2man lintian systemd
at-spi2-core dbus-x11 python3-pyatspi"
if [ "${QEV_FUZZ_DEPS:-0}" = 1 ]; then
  packages="$packages clang libclang-rt-14-dev"
fi

missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
  sudo=""
else
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
# shellcheck disable=SC2086
$sudo apt-get install -y -q --no-install-recommends $missing
