include(${CMAKE_CURRENT_LIST_DIR}/reading_tests.cmake OPTIONAL)
include(${CMAKE_CURRENT_LIST_DIR}/processors_tests.cmake OPTIONAL)
include(${CMAKE_CURRENT_LIST_DIR}/model_tests.cmake)
