kiv_add_test(tst_items ${CMAKE_CURRENT_LIST_DIR}/tst_items.cpp ${CMAKE_CURRENT_LIST_DIR}/FakeItemWindows.h)
kiv_add_test(tst_itemwindows ${CMAKE_CURRENT_LIST_DIR}/tst_itemwindows.cpp LIBS kivui)
kiv_add_test(tst_e2e_items ${CMAKE_CURRENT_LIST_DIR}/tst_e2e_items.cpp)
add_dependencies(tst_e2e_items kivreader)
