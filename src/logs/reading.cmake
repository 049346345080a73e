target_sources(kivcore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/TFolderWatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DayNames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LogReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LogFollower.cpp
)
