kiv_add_test(tst_calc ${CMAKE_CURRENT_LIST_DIR}/tst_calc.cpp)
kiv_add_test(tst_commands ${CMAKE_CURRENT_LIST_DIR}/tst_commands.cpp)
kiv_add_test(tst_alarms ${CMAKE_CURRENT_LIST_DIR}/tst_alarms.cpp)
kiv_add_test(tst_alarmcommands ${CMAKE_CURRENT_LIST_DIR}/tst_alarmcommands.cpp)
