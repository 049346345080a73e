kiv_add_fuzzer(fuzz_logtext ${CMAKE_CURRENT_LIST_DIR}/fuzz_logtext.cpp)
