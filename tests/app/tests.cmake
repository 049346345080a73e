kiv_add_test(tst_startup ${CMAKE_CURRENT_LIST_DIR}/tst_startup.cpp)
kiv_add_test(tst_shutdown ${CMAKE_CURRENT_LIST_DIR}/tst_shutdown.cpp)
kiv_add_test(tst_mainwindow ${CMAKE_CURRENT_LIST_DIR}/tst_mainwindow.cpp LIBS kivui)
kiv_add_test(tst_kivlogic ${CMAKE_CURRENT_LIST_DIR}/tst_kivlogic.cpp)
