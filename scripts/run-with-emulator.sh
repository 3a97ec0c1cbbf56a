#!/bin/sh
# Starts the program from the build folder given as the first argument.
set -eu
build="${1:-build}"
exec "$build/src/ui/qev"
