target_sources(kivui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/FlatScrollBarStyle.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TNumberEdit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TStrColGrid.cpp
)
