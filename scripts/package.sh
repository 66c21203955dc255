#!/usr/bin/env bash
# Builds the Debian package vanto-hub8_<version>_<arch>.deb in build-pkg/ (a
# build of its own, installed into /usr, without tests and benchmarks) and
# checks it with lintian when lintian is installed. Prints the package's path.
# docs/packaging.md says what goes where.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

hub8_install "${HUB8_BUILD_PACKAGES[@]}" "${HUB8_PACKAGE_PACKAGES[@]}"

dir="${HUB8_PKG_BUILD_DIR:-$HUB8_ROOT/build-pkg}"
# Debian's compiler and linker flags with every hardening feature (as a
# Debian build of the package would have them); a new compiler's warning does
# not stop a package build.
if [ ! -f "$dir/CMakeCache.txt" ]; then
    cd "$HUB8_ROOT"
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
    LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
    export CXXFLAGS LDFLAGS
fi
hub8_build "$dir" -DCMAKE_INSTALL_PREFIX=/usr -DHUB8_BUILD_TESTS=OFF -DHUB8_BUILD_BENCH=OFF -DHUB8_WERROR=OFF

rm -f "$dir"/vanto-hub8_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/vanto-hub8_*.deb)

if command -v lintian >/dev/null 2>&1; then
    # Tags are listed; lintian's exit status is not the script's.
    lintian --display-level '>=info' "$deb" || true
else
    echo "lintian is not installed: the package was not checked (apt-get install lintian)" >&2
fi
echo "$deb"
