#!/usr/bin/env bash
# A long run of one fuzz target, for when there is time to spare:
#
#   scripts/fuzz.sh TARGET MINUTES [SEED]
#
# TARGET names a target (fuzz_ini) or its corpus folder (ini), as fuzz/FuzzTests.cmake lists them. SEED fixes
# libFuzzer's walk, so that a run can be replayed; without it every run walks elsewhere. The run starts from
# the same seeds and dictionary as the CTest run and from whatever earlier long runs grew, kept in
# build-sanitize/fuzz-long/. An input that crashes, leaks, hangs or runs out of memory is copied into
# fuzz/corpus/<kind>/, where CTest replays it from then on, and the script fails: fix the fault, then commit
# the input with the fix.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
    echo "usage: scripts/fuzz.sh TARGET MINUTES [SEED]" >&2
    echo "targets: $(grep -oE '"fuzz_[a-z_]+ [a-z]+ [a-z]+"' fuzz/FuzzTests.cmake | cut -d' ' -f1 | tr -d '"' | xargs)" >&2
    exit 2
}
[[ $# -eq 2 || $# -eq 3 ]] || usage
[[ $2 =~ ^[1-9][0-9]*$ ]] || usage
seed="${3:-0}" # libFuzzer draws one when given 0 and prints it
[[ $seed =~ ^[0-9]+$ ]] || usage

# One table says which corpus folder and generated seeds go with a target: the one CTest uses.
read -r target kind seeds < <(grep -oE '"fuzz_[a-z_]+ [a-z]+ [a-z]+"' fuzz/FuzzTests.cmake | tr -d '"' |
    awk -v name="$1" '$1 == name || $2 == name') || usage

if [[ -f build-sanitize/build.ninja ]]; then
    cmake --build build-sanitize --target "$target" fuzz_seeds
else
    scripts/sanitize-build.sh
fi

long=build-sanitize/fuzz-long
work="$long/$kind"
artifacts="$long/artifacts"
mkdir -p "$work" "$artifacts"
[[ $seeds == none ]] || build-sanitize/fuzz/fuzz_seeds "$seeds" "$work"
corpora=("$work")
[[ -d fuzz/corpus/$kind ]] && corpora+=("fuzz/corpus/$kind")

rm -f "$artifacts/$kind"-*
status=0
build-sanitize/fuzz/"$target" -seed="$seed" -max_total_time=$(($2 * 60)) -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -dict="fuzz/dict/$kind.dict" -artifact_prefix="$artifacts/$kind-" \
    "${corpora[@]}" 2>&1 | tee "$long/$kind.log" || status=$?

found=0
for input in "$artifacts/$kind"-{crash,leak,timeout,oom}-*; do
    [[ -e $input ]] || continue
    mkdir -p "fuzz/corpus/$kind"
    kept="fuzz/corpus/$kind/${input##*/$kind-}"
    cp "$input" "$kept"
    echo "kept as a regression seed: $kept" >&2
    found=1
done
if [[ $found -ne 0 || $status -ne 0 ]]; then
    echo "$target failed; the whole output is in $long/$kind.log" >&2
    exit 1
fi
