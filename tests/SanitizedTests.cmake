# The core's unit tests as the sanitized build compiled them: one test, so any report of ASan or UBSan
# (freed or overflowed memory, a leak, undefined behaviour), even in a program a test starts, fails it.
set(sanitizerEnvironment
    "ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
    "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
add_test(NAME sanitized.core_tests COMMAND ${OSK_SANITIZE_DIR}/tests/osk_core_tests)
set_tests_properties(sanitized.core_tests PROPERTIES
    ENVIRONMENT "${sanitizerEnvironment}" LABELS sanitized TIMEOUT 600 COST 1000
    WORKING_DIRECTORY ${OSK_SANITIZE_DIR}/tests)
# The central store's tests, against their own throwaway server.
add_test(NAME sanitized.central_tests COMMAND ${OSK_SANITIZE_DIR}/tests/osk_central_tests)
set_tests_properties(sanitized.central_tests PROPERTIES
    ENVIRONMENT "${sanitizerEnvironment}" LABELS "sanitized;central" TIMEOUT 300
    WORKING_DIRECTORY ${OSK_SANITIZE_DIR}/tests)
