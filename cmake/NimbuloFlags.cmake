# One interface target carries the compiler flags of every target in the project.
add_library(nimbulo_flags INTERFACE)
target_compile_options(nimbulo_flags INTERFACE -Wall -Wextra -Wpedantic)
target_compile_definitions(nimbulo_flags INTERFACE
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  NIMBULO_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  NIMBULO_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  NIMBULO_VERSION_PATCH=${PROJECT_VERSION_PATCH})
if(NIMBULO_WERROR)
  target_compile_options(nimbulo_flags INTERFACE -Werror)
endif()
if(NIMBULO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "NIMBULO_FUZZ needs clang (libFuzzer): -DCMAKE_CXX_COMPILER=clang++")
  endif()
  # Coverage for libFuzzer in every library; the fuzz targets link libFuzzer's main themselves.
  target_compile_options(nimbulo_flags INTERFACE -fsanitize=fuzzer-no-link,address,undefined
    -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(nimbulo_flags INTERFACE -fsanitize=address,undefined)
elseif(NIMBULO_SANITIZE)
  target_compile_options(nimbulo_flags INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(nimbulo_flags INTERFACE -fsanitize=address,undefined)
endif()
