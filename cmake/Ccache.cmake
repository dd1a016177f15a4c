# Rebuilds of the same sources (another checkout, a clean clone, the fuzz build) come from ccache
# when it is installed. Paths below the source folder are hashed relative to it, so two checkouts
# share their objects.
find_program(NIMBULO_CCACHE ccache)
if(NIMBULO_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR}
    CCACHE_NOHASHDIR=1 ${NIMBULO_CCACHE})
endif()
