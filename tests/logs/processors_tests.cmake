kiv_add_test(tst_logline ${CMAKE_CURRENT_LIST_DIR}/tst_logline.cpp)
kiv_add_test(tst_chatprocessor ${CMAKE_CURRENT_LIST_DIR}/tst_chatprocessor.cpp)
kiv_add_test(tst_mailprocessor ${CMAKE_CURRENT_LIST_DIR}/tst_mailprocessor.cpp)
