target_sources(kivcore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CellGrid.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Tallies.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ItemDb.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ActionProcessor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ItemCommand.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ItemImports.cpp
)
target_sources(kivui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CellGridView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QtItemWindows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TFrmItemNote.cpp
)
