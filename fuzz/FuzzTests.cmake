# Runs every fuzz target for a short time on its seed corpus, with the dictionary of its format's tokens.
# New inputs go to the build tree, never to the seeds; generated seeds are written there first; a crash
# leaves its input in build/fuzz-artifacts. scripts/fuzz.sh runs one target for longer.
set(OSK_FUZZ_SECONDS 25 CACHE STRING "Seconds each fuzz target runs under CTest")
# A fixed seed makes every run walk the same inputs, so a slower machine tries a part of what a longer run at
# home tried, and a red run is a fault anyone can replay. Set it to 0 for a random walk.
set(OSK_FUZZ_SEED 1 CACHE STRING "libFuzzer seed for the CTest runs (0: random)")
set(artifacts ${CMAKE_BINARY_DIR}/fuzz-artifacts/)
# target, corpus folder (also the name of its dictionary in fuzz/dict), generated seed kind (or "none")
set(OSK_FUZZ_RUNS
    "fuzz_log log none"
    "fuzz_ini ini none"
    "fuzz_record record record"
    "fuzz_machine_file machine machine"
    "fuzz_bin bin bin"
    "fuzz_upgrade upgrade none")
foreach(run IN LISTS OSK_FUZZ_RUNS)
    separate_arguments(parts UNIX_COMMAND "${run}")
    list(GET parts 0 target)
    list(GET parts 1 kind)
    list(GET parts 2 seeds)
    set(work ${CMAKE_BINARY_DIR}/fuzz-corpus/${kind})
    set(seedDirs "'${work}'")
    if(EXISTS ${CMAKE_SOURCE_DIR}/fuzz/corpus/${kind})
        string(APPEND seedDirs " '${CMAKE_SOURCE_DIR}/fuzz/corpus/${kind}'")
    endif()
    set(dict "-dict='${CMAKE_SOURCE_DIR}/fuzz/dict/${kind}.dict'")
    # Each run starts from the seeds alone, as from a clean clone: with the fixed seed it walks the same
    # inputs every time, and what an earlier run grew (or older, larger generated seeds) cannot slow it.
    set(prepare "rm -rf '${work}' && mkdir -p '${work}' '${artifacts}'")
    if(NOT seeds STREQUAL "none")
        string(APPEND prepare " && '${OSK_SANITIZE_DIR}/fuzz/fuzz_seeds' ${seeds} '${work}'")
    endif()
    add_test(NAME fuzz.${kind}
             COMMAND sh -c "${prepare} && exec '${OSK_SANITIZE_DIR}/fuzz/${target}' \
-seed=${OSK_FUZZ_SEED} -max_total_time=${OSK_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
-print_final_stats=1 ${dict} -artifact_prefix='${artifacts}${kind}-' ${seedDirs}")
    set_tests_properties(fuzz.${kind} PROPERTIES TIMEOUT 300 LABELS fuzz)
endforeach()
