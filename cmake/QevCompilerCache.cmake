# Compile through ccache when it is installed: the plain, sanitizer, thread
# sanitizer and fuzz builds share most objects, and so do clones of the tree
# in other folders, because paths below the source folder are hashed
# relative to it. QEV_CCACHE=OFF compiles without it.
option(QEV_CCACHE "Compile through ccache when it is installed" ON)
find_program(QEV_CCACHE_PROGRAM ccache)
if(QEV_CCACHE AND QEV_CCACHE_PROGRAM AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  set(CMAKE_CXX_COMPILER_LAUNCHER
      ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=1
      ${QEV_CCACHE_PROGRAM})
endif()
