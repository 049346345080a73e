kiv_add_test(tst_logreader ${CMAKE_CURRENT_LIST_DIR}/tst_logreader.cpp)
kiv_add_test(tst_folderwatch ${CMAKE_CURRENT_LIST_DIR}/tst_folderwatch.cpp)
