# The Windows builds share compiled objects through ccache when it is there: the product, the
# demo's build of it with a signing key and the tests' copy compile the same sources with the same
# flags in different build folders. Paths are made relative to the checkout and the build folder
# is not hashed, so those folders hit each other's objects; the cache lives under build/.
find_program(QL_CCACHE ccache)
if(QL_CCACHE)
  get_filename_component(QL_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
  set(QL_CCACHE_LAUNCHER ${CMAKE_COMMAND} -E env CCACHE_DIR=${QL_SOURCE_ROOT}/build/ccache
      CCACHE_BASEDIR=${QL_SOURCE_ROOT} CCACHE_NOHASHDIR=1 ${QL_CCACHE})
  set(CMAKE_C_COMPILER_LAUNCHER ${QL_CCACHE_LAUNCHER})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${QL_CCACHE_LAUNCHER})
endif()
