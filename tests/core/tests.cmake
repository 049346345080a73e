kiv_add_test(tst_listStore ${CMAKE_CURRENT_LIST_DIR}/tst_listStore.cpp)
