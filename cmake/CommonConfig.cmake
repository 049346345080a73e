# Flags every target of the project shares.
add_library(kiv_common INTERFACE)
target_compile_features(kiv_common INTERFACE cxx_std_20)
target_compile_definitions(kiv_common INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_FROM_BYTEARRAY
  QT_NO_CAST_TO_ASCII
  QT_NO_URL_CAST_FROM_STRING
  QT_USE_QSTRINGBUILDER)
target_compile_options(kiv_common INTERFACE -Wall -Wextra)
if(KIV_SANITIZE)
  target_compile_options(kiv_common INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(kiv_common INTERFACE -fsanitize=address,undefined)
endif()
