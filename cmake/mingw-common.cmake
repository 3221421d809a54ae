# Shared part of the MinGW-w64 toolchain files. VELANDOR_THREAD_MODEL picks
# the compilers: win32 keeps winpthread out of the product; posix has the
# std::mutex that GoogleTest needs.
foreach(tool_suffix "-${VELANDOR_THREAD_MODEL}" "")
  find_program(VELANDOR_CXX ${VELANDOR_TRIPLET}-g++${tool_suffix})
  find_program(VELANDOR_CC ${VELANDOR_TRIPLET}-gcc${tool_suffix})
endforeach()
set(CMAKE_C_COMPILER ${VELANDOR_CC})
set(CMAKE_CXX_COMPILER ${VELANDOR_CXX})
set(CMAKE_RC_COMPILER ${VELANDOR_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${VELANDOR_TRIPLET}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${VELANDOR_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
