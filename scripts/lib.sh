# Shared by run.sh and test.sh: package installation and the build.
# Sourced, not run.

HUB8_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Debian packages the build needs.
HUB8_BUILD_PACKAGES=(cmake g++ make pkg-config qtbase5-dev libqt5charts5-dev libhidapi-dev qttools5-dev qttools5-dev-tools zlib1g-dev libmosquitto-dev)
# ... and what the MQTT tests run: a broker of their own, its clients, and
# openssl for the certificates they make.
HUB8_TEST_PACKAGES=(mosquitto mosquitto-clients openssl)
# ... and what CPack's Debian package needs (dpkg-shlibdeps, file), also for
# the test that builds the package.
HUB8_PACKAGE_PACKAGES=(dpkg-dev file)

# Installs the packages that are not installed yet; nothing when all are.
hub8_install() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "These Debian packages are missing and installing them needs root or sudo: ${missing[*]}" >&2
            exit 1
        fi
        sudo=(sudo)
    fi
    echo "Installing Debian packages: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Configures (once) and builds into $1 with the extra cmake options that follow;
# HUB8_TARGETS limits what is built.
hub8_build() {
    local dir="$1"
    shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$HUB8_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    fi
    local targets=()
    local t
    for t in ${HUB8_TARGETS:-}; do targets+=(--target "$t"); done
    cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
}
