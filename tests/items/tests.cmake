kiv_add_test(tst_items ${CMAKE_CURRENT_LIST_DIR}/tst_items.cpp ${CMAKE_CURRENT_LIST_DIR}/FakeItemWindows.h)
