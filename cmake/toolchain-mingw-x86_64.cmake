# Cross toolchain for the 64-bit test twin: the same sources as the product, built for x86-64 so
# the Windows tests run under 64-bit Wine on machines whose kernel refuses 32-bit programs. The
# product stays the i686 build.
set(QL_MINGW_PROCESSOR x86_64)
set(QL_MINGW_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
