target_sources(kivcore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/IdNotes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RosterRowsModel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RosterTracker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RosterImports.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WhoCommand.cpp
)
target_sources(kivui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RosterRowDelegate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RosterView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TFrmIdNote.cpp
)
