# Runs every fuzz target for a short time on its seed corpus. New inputs go to the build tree, never to
# the seeds; a crash leaves its input in build/fuzz-artifacts.
set(OSK_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs under CTest")
foreach(target fuzz_log fuzz_ini)
    string(REPLACE "fuzz_" "" kind ${target})
    set(work ${CMAKE_BINARY_DIR}/fuzz-corpus/${kind})
    set(artifacts ${CMAKE_BINARY_DIR}/fuzz-artifacts/)
    add_test(NAME fuzz.${kind}
             COMMAND sh -c "mkdir -p '${work}' '${artifacts}' && exec '${OSK_FUZZ_DIR}/fuzz/${target}' \
-max_total_time=${OSK_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
-artifact_prefix='${artifacts}${kind}-' '${work}' '${CMAKE_SOURCE_DIR}/fuzz/corpus/${kind}'")
    set_tests_properties(fuzz.${kind} PROPERTIES TIMEOUT 300 LABELS fuzz)
endforeach()
