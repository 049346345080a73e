kiv_add_test(tst_chatrowsmodel ${CMAKE_CURRENT_LIST_DIR}/tst_chatrowsmodel.cpp)
