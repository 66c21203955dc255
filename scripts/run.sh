#!/usr/bin/env bash
# Installs what the tool needs, builds it and starts it on the virtual adapter.
# Arguments are passed to the tool (for example --scenario FILE).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# fonts-wqy-zenhei: the interface texts are Chinese; xvfb/xauth: for xvfb-run.
hub8_install "${HUB8_BUILD_PACKAGES[@]}" fonts-wqy-zenhei xvfb xauth
HUB8_TARGETS="vanto-hub8 vanto-hub8-sim iodd-inspect hub8_data" hub8_build "$HUB8_ROOT/build"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display found (DISPLAY is not set): start the tool with  xvfb-run -a scripts/run.sh" >&2
    exit 1
fi
cd "$HUB8_ROOT/build/bin"
exec ./vanto-hub8-sim "$@"
