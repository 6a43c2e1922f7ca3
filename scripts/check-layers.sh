#!/usr/bin/env bash
# Fails when a file of the core includes Qt, a window file or a program file: the core must build and be
# tested without them. Run by CTest.
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
bad=$(grep -rn -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](Q[A-Za-z]+|Qt[A-Za-z]*/|ui/|apps/)' \
    --include='*.h' --include='*.hpp' --include='*.cpp' "$root/core" || true)
if [[ -n "$bad" ]]; then
    echo "The core must not include Qt, ui/ or apps/:" >&2
    echo "$bad" >&2
    exit 1
fi
echo "core/ includes neither Qt nor ui/ nor apps/"
