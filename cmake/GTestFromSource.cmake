# GoogleTest built from source inside this build, for targets that Debian
# packages no GoogleTest for (32-bit x86 Linux, Windows). The source comes
# from Debian's googletest package, installed with libgtest-dev; nothing is
# downloaded. Provides the same targets as find_package(GTest).
set(SDLL_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest source tree")
if(NOT EXISTS ${SDLL_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest source at ${SDLL_GTEST_SOURCE_DIR} (Debian: googletest)")
endif()
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# GoogleTest's headers are included as system headers by its targets'
# users; its own sources build with its own flags.
add_subdirectory(${SDLL_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
foreach(lib gtest gtest_main gmock gmock_main)
  if(NOT TARGET GTest::${lib})
    add_library(GTest::${lib} ALIAS ${lib})
  endif()
endforeach()
