kiv_add_fuzzer(fuzz_calc ${CMAKE_CURRENT_LIST_DIR}/fuzz_calc.cpp)
kiv_add_fuzzer(fuzz_infocommand ${CMAKE_CURRENT_LIST_DIR}/fuzz_infocommand.cpp)
kiv_add_fuzzer(fuzz_alarms ${CMAKE_CURRENT_LIST_DIR}/fuzz_alarms.cpp)
kiv_add_fuzzer(fuzz_splitcsv ${CMAKE_CURRENT_LIST_DIR}/fuzz_splitcsv.cpp)
kiv_add_fuzzer(fuzz_itemimports ${CMAKE_CURRENT_LIST_DIR}/fuzz_itemimports.cpp)
kiv_add_fuzzer(fuzz_userfiles ${CMAKE_CURRENT_LIST_DIR}/fuzz_userfiles.cpp)
# Each of its inputs writes and reads files: fewer of them in the test run.
target_compile_definitions(fuzz_userfiles_smoke PRIVATE KIV_SMOKE_RUNS=3000)
kiv_add_fuzzer(fuzz_rosterimports ${CMAKE_CURRENT_LIST_DIR}/fuzz_rosterimports.cpp)
