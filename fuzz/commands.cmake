kiv_add_fuzzer(fuzz_calc ${CMAKE_CURRENT_LIST_DIR}/fuzz_calc.cpp)
