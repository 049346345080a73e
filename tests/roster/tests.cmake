kiv_add_test(tst_roster ${CMAKE_CURRENT_LIST_DIR}/tst_roster.cpp)
kiv_add_test(tst_rosterwindows ${CMAKE_CURRENT_LIST_DIR}/tst_rosterwindows.cpp LIBS kivui)
kiv_add_test(tst_imports ${CMAKE_CURRENT_LIST_DIR}/tst_imports.cpp LIBS kivui)
kiv_add_test(tst_whocommand ${CMAKE_CURRENT_LIST_DIR}/tst_whocommand.cpp)
