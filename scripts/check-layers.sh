#!/usr/bin/env bash
# Fails when a file includes what its layer may not see: the core never includes Qt, a window file or a
# program file (it must build and be tested without them), each core folder includes only the folders
# below it in the table, and the benchmarks never include the tests. Run by CTest.
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"

# Core folder: the core folders its files may include (besides itself). database and link never include
# each other: the .bin reader and the link share the downloaded history through history/.
declare -A allowed=(
    [base]=""
    [i18n]="base"
    [history]="base i18n"
    [historyview]="base i18n history"
    [database]="base i18n history"
    [link]="base i18n history"
    [central]="base i18n history database"
)

status=0
report() {
    echo "$1" >&2
    echo "$2" >&2
    status=1
}

sources() { find "$1" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' \) -print0; }
includes() { xargs -0 grep -Hn -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' || true; }

foreign=$(sources "$root/core" | includes | grep -E '[<"](Q[A-Za-z]+|Qt[A-Za-z]*/|ui/|apps/|tools/|tests/)' || true)
[[ -z "$foreign" ]] || report "The core must not include Qt, ui/, apps/, tools/ or tests/:" "$foreign"

for folder in "$root"/core/*/; do
    name=$(basename "$folder")
    if [[ ! -v allowed[$name] ]]; then
        report "core/$name/ has no place in the layer table of scripts/check-layers.sh" ""
        continue
    fi
    permitted=" $name ${allowed[$name]} "
    while IFS= read -r line; do
        [[ -z "$line" ]] && continue
        target=$(sed -E 's/.*#[[:space:]]*include[[:space:]]*"core\/([^/]+)\/.*/\1/' <<<"$line")
        [[ "$permitted" == *" $target "* ]] || report "core/$name/ may not include core/$target/:" "$line"
    done < <(sources "$folder" | includes | grep -E '"core/[^/]+/' || true)
done

bench=$(sources "$root/bench" | includes | grep -E '"tests/' || true)
[[ -z "$bench" ]] || report "The benchmarks must not include the tests:" "$bench"

[[ $status -eq 0 ]] && echo "Every include follows the layer table"
exit $status
