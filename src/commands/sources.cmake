target_sources(kivcore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/strCalcU.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CalcCommand.cpp
  ${CMAKE_CURRENT_LIST_DIR}/InfoCommand.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BeepCommand.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Wanted.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Location.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WebLink.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PresetCommands.cpp
)
