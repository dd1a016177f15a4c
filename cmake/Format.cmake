# `cmake --build <dir> --target format` rewrites every C++ source with clang-format.
find_program(CLANG_FORMAT_EXE NAMES clang-format)
if(CLANG_FORMAT_EXE)
  file(GLOB_RECURSE NIMBULO_FORMAT_SOURCES CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/platform/*.cpp ${PROJECT_SOURCE_DIR}/platform/*.h
    ${PROJECT_SOURCE_DIR}/common/*.cpp ${PROJECT_SOURCE_DIR}/common/*.h
    ${PROJECT_SOURCE_DIR}/weather/*.cpp ${PROJECT_SOURCE_DIR}/weather/*.h
    ${PROJECT_SOURCE_DIR}/saver/*.cpp ${PROJECT_SOURCE_DIR}/saver/*.h
    ${PROJECT_SOURCE_DIR}/setup/*.cpp ${PROJECT_SOURCE_DIR}/setup/*.h
    ${PROJECT_SOURCE_DIR}/tools/*.cpp ${PROJECT_SOURCE_DIR}/tools/*.h
    ${PROJECT_SOURCE_DIR}/tests/*.cpp ${PROJECT_SOURCE_DIR}/tests/*.h)
  add_custom_target(format
    COMMAND ${CLANG_FORMAT_EXE} -i ${NIMBULO_FORMAT_SOURCES}
    COMMENT "Formatting C++ sources"
    VERBATIM)
endif()
