include(${CMAKE_CURRENT_LIST_DIR}/reading.cmake OPTIONAL)
include(${CMAKE_CURRENT_LIST_DIR}/processors.cmake OPTIONAL)
