#!/bin/sh
# Starts the installed tool from its own folder, where its IODD library lives.
here="$(dirname "$(readlink -f "$0")")"
dir="$(readlink -f "$here/../lib/vanto-hub8")"
cd "$dir" && exec ./vanto-hub8 "$@"
