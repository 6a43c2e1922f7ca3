#!/usr/bin/env bash
# Fails when a C++ file of the project is not formatted as .clang-format says. Run by CTest.
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$root"
mapfile -t files < <(git ls-files '*.h' '*.cpp' 2>/dev/null || find core ui apps tools tests bench fuzz \( -name '*.h' -o -name '*.cpp' \))
if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/osk-format.$$; then
    echo "Not formatted (run clang-format -i on these):" >&2
    grep -oE '^[^ :]+\.(h|cpp):[0-9]+:[0-9]+: (error|warning)' /tmp/osk-format.$$ | cut -d: -f1 | sort -u >&2
    rm -f /tmp/osk-format.$$
    exit 1
fi
rm -f /tmp/osk-format.$$
echo "${#files[@]} C++ files formatted"
