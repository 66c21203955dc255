#!/usr/bin/env bash
# The Debian package made by CPack from this build: its name, its file list and
# control fields, then the extracted package at work: iodd-inspect reads the
# built-in description with the standard definitions under share/, and the
# demo and the tool come up offscreen, finding their data there and seeding the
# user's library (in a temporary home, never the real one).
#
#   tst_package.sh BUILD_DIR
#
# Exit 77 (reported as skipped) where dpkg-deb, dpkg-shlibdeps or file is missing.
set -euo pipefail
build="$1"

for tool in dpkg-deb dpkg-shlibdeps file cpack; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (scripts/test.sh installs dpkg-dev and file)"
        exit 77
    fi
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# --- the package --------------------------------------------------------------
if ! (cd "$build" && cpack -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1); then
    cat "$tmp/cpack.log"
    echo "FAIL: cpack did not make the package"
    exit 1
fi
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
arch=$(dpkg --print-architecture)
deb="$tmp/out/vanto-hub8_${version}_${arch}.deb"
if [ ! -f "$deb" ]; then
    ls "$tmp/out"
    echo "FAIL: no $(basename "$deb")"
    exit 1
fi

# --- control fields (the file's name above carries Package, Version and Architecture) ---
field() { dpkg-deb -f "$deb" "$1"; }
[[ "$(field Maintainer)" =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "Maintainer '$(field Maintainer)' is not 'Name <address>'"
depends=$(field Depends)
# From dpkg-shlibdeps: what the executables link, each with a version.
IFS=, read -ra items <<<"$depends"
for lib in libc6 libstdc++6 libhidapi-hidraw0 libqt5core5a libqt5gui5 libqt5widgets5 libqt5xml5; do
    found=0
    for item in "${items[@]}"; do
        [[ "${item# }" == "$lib (>= "* ]] && found=1
    done
    [ "$found" = 1 ] || fail "Depends lacks '$lib (>= version)': $depends"
done

# --- file list ----------------------------------------------------------------
dpkg-deb -c "$deb" >"$tmp/contents"
awk '{print $6}' "$tmp/contents" | sed 's|^\./|/|; s|/$||' >"$tmp/paths"
builtin=iodd/1484_101101_V1.1_Pellamar-KTX-400A-M12-20240117-IODD1.1
expected=(
    /usr/bin/vanto-hub8 /usr/bin/vanto-hub8-demo /usr/bin/iodd-inspect /usr/bin/hub8ctl
    /usr/share/vanto-hub8/std/std1.1/IODD-StandardDefinitions1.1.xml
    /usr/share/vanto-hub8/std/std1.1/IODD-StandardUnitDefinitions1.1.xml
    /usr/share/vanto-hub8/$builtin/Pellamar-KTX-400A-M12-20240117-IODD1.1.xml
    /usr/share/vanto-hub8/$builtin/Pellamar-KTX-400A-pic.png
    /lib/udev/rules.d/70-vanto-hub8.rules
    /lib/systemd/system/vanto-hub8-mqtt.service /etc/vanto-hub8/mqtt.conf
    /usr/share/applications/vanto-hub8.desktop /usr/share/applications/vanto-hub8-demo.desktop
    /usr/share/icons/hicolor/256x256/apps/vanto-hub8.png
    /usr/share/metainfo/vanto-hub8.metainfo.xml
    /usr/share/man/man1/vanto-hub8.1.gz /usr/share/man/man1/iodd-inspect.1.gz
    /usr/share/doc/vanto-hub8/copyright /usr/share/doc/vanto-hub8/changelog.gz /usr/share/doc/vanto-hub8/mqtt.md
)
for path in "${expected[@]}"; do
    grep -qxF "$path" "$tmp/paths" || fail "the package lacks $path"
done
# Nothing of the build tree, no launcher script, nothing outside /usr but the udev rule, the service and its settings.
if grep -E '(-sim|/tst_|/bench-|/regress-|\.sh)$|/usr/local|/lib/vanto-hub8' "$tmp/paths"; then
    fail "the package holds files of the build tree or of the old layout (above)"
fi
if grep -vE '^/?$|^/usr(/|$)|^/lib$|^/lib/udev(/rules\.d(/70-vanto-hub8\.rules)?)?$|^/lib/systemd(/system(/vanto-hub8-mqtt\.service)?)?$|^/etc(/vanto-hub8(/mqtt\.conf)?)?$' "$tmp/paths"; then
    fail "the package installs outside /usr (above)"
fi
# The settings: root's only (they may hold a password), kept over upgrades; the service is
# not enabled (no maintainer script would enable it).
grep -qE '^-rw------- root/root .* \./etc/vanto-hub8/mqtt\.conf$' "$tmp/contents" || fail "/etc/vanto-hub8/mqtt.conf is not -rw------- root/root"
dpkg-deb --ctrl-tarfile "$deb" | tar -x -O ./conffiles 2>/dev/null | grep -qx /etc/vanto-hub8/mqtt.conf ||
    fail "/etc/vanto-hub8/mqtt.conf is not a conffile"
if dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -E 'postinst|prerm|postrm|preinst'; then
    fail "the package has maintainer scripts (above): the service must stay disabled"
fi
# Executables belong to root and are executable by everyone; nothing else is writable by others.
for exe in vanto-hub8 vanto-hub8-demo iodd-inspect hub8ctl; do
    grep -qE "^-rwxr-xr-x root/root .* \./usr/bin/$exe\$" "$tmp/contents" || fail "/usr/bin/$exe is not -rwxr-xr-x root/root"
done
if awk 'substr($1, 6, 1) == "w" || substr($1, 9, 1) == "w" || $2 != "root/root"' "$tmp/contents" | grep .; then
    fail "entries above are writable by group or others, or not root's"
fi

# --- the extracted package at work -----------------------------------------------
root="$tmp/root"
dpkg-deb -x "$deb" "$root"
for exe in vanto-hub8 vanto-hub8-demo iodd-inspect hub8ctl; do
    file -b "$root/usr/bin/$exe" | grep -q 'ELF.*, stripped' || fail "/usr/bin/$exe is not a stripped executable"
done

description="$root/usr/share/vanto-hub8/$builtin/Pellamar-KTX-400A-M12-20240117-IODD1.1.xml"
if ! "$root/usr/bin/iodd-inspect" "$description" >"$tmp/installed.json" 2>"$tmp/inspect.err"; then
    cat "$tmp/inspect.err"
    fail "the extracted iodd-inspect failed on the built-in description"
fi
grep -q '"vendorName": "Pellamar"' "$tmp/installed.json" || fail "iodd-inspect does not name the vendor Pellamar"
grep -q '"vendorId": "1484"' "$tmp/installed.json" || fail "iodd-inspect does not give vendor id 1484"
grep -q '"deviceId": "101101"' "$tmp/installed.json" || fail "iodd-inspect does not give device id 101101"
grep -q '"productName": "KTX-400A-M12"' "$tmp/installed.json" || fail "iodd-inspect does not name the product KTX-400A-M12"
# The standard definitions come from share/vanto-hub8: the installed tool reads the
# file as the build tree's does, and without them the result differs.
"$build/bin/iodd-inspect" "$description" >"$tmp/build.json" 2>/dev/null
cmp -s "$tmp/build.json" "$tmp/installed.json" || fail "the extracted iodd-inspect reads the description differently from the build's"
"$root/usr/bin/iodd-inspect" --std-dir "$tmp/none" "$description" >"$tmp/nostd.json" 2>/dev/null || true
cmp -s "$tmp/nostd.json" "$tmp/installed.json" && fail "the standard definitions make no difference: the check above proves nothing"

# The windows, offscreen, in a home of their own; started, left running 3 s, then stopped.
home="$tmp/home"
mkdir -p "$home"
run_window() {
    local exe="$1"
    local rc=0
    env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" \
        XDG_RUNTIME_DIR="$tmp" QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="hub8.library.debug=true" \
        timeout 3 "$root/usr/bin/$exe" >"$tmp/$exe.log" 2>&1 || rc=$?
    if [ "$rc" != 124 ]; then
        cat "$tmp/$exe.log"
        fail "$exe ended by itself (exit status $rc) instead of running until stopped"
    fi
    if grep -E 'not readable|cannot set up the IODD library' "$tmp/$exe.log"; then
        fail "$exe did not find its data (above)"
    fi
}
run_window vanto-hub8-demo
seeded="$home/.local/share/vanto-hub8/$builtin/Pellamar-KTX-400A-M12-20240117-IODD1.1.xml"
cmp -s "$seeded" "$description" || fail "the first start did not seed ~/.local/share/vanto-hub8/iodd from the shipped library"
grep -q "IODD library: \"$home/.local/share/vanto-hub8/iodd\"" "$tmp/vanto-hub8-demo.log" ||
    fail "the demo does not say it uses the user's library in the temporary home"
# The tool on the real adapter (none here) comes up as well.
run_window vanto-hub8

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "PASS: $(basename "$deb"), $(wc -l <"$tmp/paths") entries; Depends: $depends"
