#!/usr/bin/env bash
# Fails when a C++ source of the project differs from .clang-format, as
# Debian's clang-format lays it out; prints the files and what would change.
# Fix with: git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

hub8_install clang-format
cd "$HUB8_ROOT"
mapfile -t files < <(git ls-files '*.cpp' '*.h')
bad=()
for f in "${files[@]}"; do
    if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
        bad+=("$f")
    fi
done
if [ ${#bad[@]} -ne 0 ]; then
    echo "These files differ from .clang-format ($(clang-format --version)):" >&2
    for f in "${bad[@]}"; do
        echo "  $f" >&2
        clang-format "$f" | diff -u "$f" - | head -20 >&2 || true
    done
    exit 1
fi
echo "format: ${#files[@]} files follow .clang-format"
