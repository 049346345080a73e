kiv_add_fuzzer(fuzz_logtext ${CMAKE_CURRENT_LIST_DIR}/fuzz_logtext.cpp)
kiv_add_fuzzer(fuzz_reader ${CMAKE_CURRENT_LIST_DIR}/fuzz_reader.cpp)
# Each of its inputs writes and reads files: fewer of them in the test run.
target_compile_definitions(fuzz_reader_smoke PRIVATE KIV_SMOKE_RUNS=2000)
