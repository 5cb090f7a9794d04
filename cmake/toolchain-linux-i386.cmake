# 32-bit x86 Linux build (g++-multilib): the one Linux build where cdecl and
# stdcall differ, so a convention mismatch corrupts the stack under test.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
# This machine's kernel runs no 32-bit x86 code, so ctest (and test
# discovery) run the programs under qemu-user, whose loader finds the
# i386 libraries of the multilib packages itself.
find_program(SDLL_QEMU_I386 qemu-i386)
if(SDLL_QEMU_I386)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SDLL_QEMU_I386})
endif()
