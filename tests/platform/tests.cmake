kiv_add_test(tst_cp932 ${CMAKE_CURRENT_LIST_DIR}/tst_cp932.cpp)
kiv_add_test(tst_textfile ${CMAKE_CURRENT_LIST_DIR}/tst_textfile.cpp)
kiv_add_test(tst_profilefile ${CMAKE_CURRENT_LIST_DIR}/tst_profilefile.cpp)
kiv_add_test(tst_safesave ${CMAKE_CURRENT_LIST_DIR}/tst_safesave.cpp)
