# Cross toolchain for the 32-bit Windows target: the product.
set(QL_MINGW_PROCESSOR i686)
set(QL_MINGW_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
