kiv_add_fuzzer(fuzz_calc ${CMAKE_CURRENT_LIST_DIR}/fuzz_calc.cpp)
kiv_add_fuzzer(fuzz_infocommand ${CMAKE_CURRENT_LIST_DIR}/fuzz_infocommand.cpp)
kiv_add_fuzzer(fuzz_alarms ${CMAKE_CURRENT_LIST_DIR}/fuzz_alarms.cpp)
