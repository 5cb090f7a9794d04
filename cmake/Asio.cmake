# Asio, standalone and header-only (Debian's libasio-dev): the host's
# server browser and the tests' stand-in servers. A Windows build finds the
# header through cmake/WindowsHeaderOnly.cmake.
include_guard(GLOBAL)
if(NOT TARGET asio::asio)
  find_path(SDLL_ASIO_INCLUDE_DIR asio.hpp REQUIRED)
  add_library(asio::asio INTERFACE IMPORTED GLOBAL)
  set_target_properties(asio::asio PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${SDLL_ASIO_INCLUDE_DIR})
endif()
find_package(Threads REQUIRED GLOBAL)
set_property(TARGET asio::asio APPEND PROPERTY INTERFACE_LINK_LIBRARIES Threads::Threads)
set_property(TARGET asio::asio APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS ASIO_STANDALONE)
if(WIN32)
  # Wine's I/O completion ports (wine32 and wine64 alike) make Asio's timer
  # thread throw; the select reactor works there and on Windows, and one
  # UDP socket needs nothing more.
  set_property(TARGET asio::asio APPEND PROPERTY INTERFACE_LINK_LIBRARIES ws2_32 mswsock)
  set_property(TARGET asio::asio APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS
    _WIN32_WINNT=0x0601 ASIO_DISABLE_IOCP)
endif()
