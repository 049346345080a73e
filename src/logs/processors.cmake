target_sources(kivcore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/LogLine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ChatProcessor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MailProcessor.cpp
)
