kiv_add_test(tst_e2e_shutdown ${CMAKE_CURRENT_LIST_DIR}/tst_e2e_shutdown.cpp)
# The test starts the real program, so it must be built first.
add_dependencies(tst_e2e_shutdown kivreader)
kiv_add_test(tst_e2e_follow ${CMAKE_CURRENT_LIST_DIR}/tst_e2e_follow.cpp)
add_dependencies(tst_e2e_follow kivreader)
kiv_add_test(tst_e2e_alarms ${CMAKE_CURRENT_LIST_DIR}/tst_e2e_alarms.cpp)
add_dependencies(tst_e2e_alarms kivreader)
kiv_add_test(tst_e2e_who ${CMAKE_CURRENT_LIST_DIR}/tst_e2e_who.cpp)
add_dependencies(tst_e2e_who kivreader)
