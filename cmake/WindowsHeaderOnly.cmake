# The Windows cross builds take the header-only libraries the host kit and
# the tools use (utfcpp, CLI11, nlohmann-json, Asio) from the build
# machine's Debian packages. Their CMake packages point at /usr/include as
# a whole (or cannot be found from a cross build), which would put the
# build machine's C library headers ahead of MinGW's. Instead each library
# is offered through a folder that holds nothing but its own headers; the
# packages' config files then see their targets defined and use them.
set(SDLL_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${SDLL_HOST_HEADERS})

function(sdll_header_only_target target header_dir)
  if(TARGET ${target} OR NOT EXISTS /usr/include/${header_dir})
    return()
  endif()
  file(CREATE_LINK /usr/include/${header_dir} ${SDLL_HOST_HEADERS}/${header_dir} SYMBOLIC)
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${SDLL_HOST_HEADERS}
    INTERFACE_COMPILE_FEATURES cxx_std_11)
endfunction()

sdll_header_only_target(utf8cpp utf8cpp)
sdll_header_only_target(CLI11::CLI11 CLI)
sdll_header_only_target(nlohmann_json::nlohmann_json nlohmann)
# Asio is a folder and a header beside it.
if(NOT TARGET asio::asio AND EXISTS /usr/include/asio.hpp)
  sdll_header_only_target(asio::asio asio)
  file(CREATE_LINK /usr/include/asio.hpp ${SDLL_HOST_HEADERS}/asio.hpp SYMBOLIC)
endif()
# Boost's headers (Beast and Asio for the graphical host): only the boost
# folder, never the rest of /usr/include.
sdll_header_only_target(Boost::headers boost)
if(TARGET Boost::headers)
  set_property(TARGET Boost::headers APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS
    _WIN32_WINNT=0x0601 BOOST_ASIO_DISABLE_IOCP)
endif()
