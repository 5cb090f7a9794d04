# `cpack` in a Windows build folder makes the zip that ships the plug-in:
# the DLL, the install section of README.md (as INSTALL.txt, CR LF) and
# the LICENSE, written by ZipPackage.cmake so that it is reproducible.
# Included by plugin/platform/Win32.cmake.
install(TARGETS wolfet RUNTIME DESTINATION .)

file(READ ${PROJECT_SOURCE_DIR}/README.md SDLL_README)
string(FIND "${SDLL_README}" "## Installing the DLL" SDLL_INSTALL_AT)
if(SDLL_INSTALL_AT LESS 0)
  message(FATAL_ERROR "README.md has no section \"## Installing the DLL\"")
endif()
string(SUBSTRING "${SDLL_README}" ${SDLL_INSTALL_AT} -1 SDLL_INSTALL_TEXT)
# The section ends where the next one starts.
string(REGEX REPLACE "\n## .*" "\n" SDLL_INSTALL_TEXT "${SDLL_INSTALL_TEXT}")
string(REGEX REPLACE "^## " "" SDLL_INSTALL_TEXT "${SDLL_INSTALL_TEXT}")
string(REPLACE "\n" "\r\n" SDLL_INSTALL_TEXT "${SDLL_INSTALL_TEXT}")
file(WRITE ${CMAKE_BINARY_DIR}/package/INSTALL.txt "${SDLL_INSTALL_TEXT}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/README.md)
install(FILES ${CMAKE_BINARY_DIR}/package/INSTALL.txt ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(CPACK_GENERATOR External)
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${PROJECT_SOURCE_DIR}/cmake/ZipPackage.cmake)
set(CPACK_SDLL_PYTHON ${Python3_EXECUTABLE})
set(CPACK_SDLL_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_PACKAGE_NAME wolfet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(CPACK_SYSTEM_NAME win32)
else()
  set(CPACK_SYSTEM_NAME win64)
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)
