# utfcpp, header-only (Debian's libutfcpp-dev): the host kit's UTF-8 and
# UTF-16. Its CMake package lies under the build machine's own library
# architecture, which the 32-bit builds do not search, so the header is
# looked up directly. A Windows build finds it through
# cmake/WindowsHeaderOnly.cmake.
include_guard(GLOBAL)
if(NOT TARGET utf8cpp)
  find_path(SDLL_UTF8CPP_INCLUDE_DIR utf8cpp/utf8.h REQUIRED)
  add_library(utf8cpp INTERFACE IMPORTED GLOBAL)
  set_target_properties(utf8cpp PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${SDLL_UTF8CPP_INCLUDE_DIR})
endif()
