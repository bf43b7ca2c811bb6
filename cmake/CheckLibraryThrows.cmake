# cmake -DMAP=launcher.map -P CheckLibraryThrows.cmake
# Fails when the launcher's link took libstdc++'s own exception members again: the throw helpers of
# src/Bootstrap/Win32/Runtime/LibraryThrows.cpp no longer replace the library's (another toolchain).
file(READ "${MAP}" map)
foreach(member cow-stdexcept.o functexcept.o cow-string-inst.o)
  string(FIND "${map}" "(${member})" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "The launcher links libstdc++'s ${member}: the throw helpers of "
                        "src/Bootstrap/Win32/Runtime/LibraryThrows.cpp no longer replace the library's. "
                        "Compare them with this toolchain's libstdc++ (functexcept.cc).")
  endif()
endforeach()
