# The shipped Windows DLL (included by plugin/CMakeLists.txt once the
# target `wolfet` exists).
#
# - Exports: wolfet.def names the seven functions undecorated and numbers
#   them; with a .def file the linker exports nothing else.
# - Resources: resources/wolfet.rc carries the settings schema and the
#   version resource made from the project version.
# - Runtime: no C++ runtime at all. The plug-in's code needs nothing of
#   libstdc++ (no allocation, no exceptions, no RTTI, no guarded statics),
#   and linking with the C driver keeps it out of the link, so a new use of
#   it fails the link instead of pulling its exception machinery into the
#   DLL. libgcc and winpthread are linked in, so the DLL imports only the
#   system's own DLLs and the host's folder needs nothing beside it.
# - Size: -Os (MinSizeRel), one section per function so the linker can drop
#   what nothing calls, and no symbols in release builds.
# - Reproducible: two builds of one commit give the same bytes, wherever
#   and whenever they are made: no time stamps (COFF header and export
#   directory; the checksum then follows), and no build path in any
#   object.

set(SDLL_DEF_FILE ${CMAKE_CURRENT_LIST_DIR}/wolfet.def)
get_filename_component(SDLL_RC_DIR ${CMAKE_CURRENT_LIST_DIR}/../resources ABSOLUTE)
set(SDLL_RC_FILE ${SDLL_RC_DIR}/wolfet.rc)
if(NOT EXISTS ${SDLL_RC_FILE})
  message(FATAL_ERROR "plugin/resources/wolfet.rc is missing: the DLL would carry no settings schema")
endif()

target_sources(wolfet PRIVATE ${SDLL_DEF_FILE} ${SDLL_RC_FILE})
set_target_properties(wolfet PROPERTIES LINK_DEPENDS ${SDLL_DEF_FILE} LINKER_LANGUAGE C)
# CMake adds to a link the runtime libraries of every language whose
# objects it takes; of C++'s, the C driver's own set is all the DLL may
# have. (This folder links nothing else.)
list(REMOVE_ITEM CMAKE_CXX_IMPLICIT_LINK_LIBRARIES stdc++)

# The version resource's numbers and texts, from project() and LICENSE.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE SDLL_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
if(NOT SDLL_COPYRIGHT)
  message(FATAL_ERROR "LICENSE has no Copyright line for the version resource")
endif()
set(SDLL_VERSION_HEADER_DIR ${CMAKE_CURRENT_BINARY_DIR}/resources)
configure_file(${SDLL_RC_DIR}/version.h.in ${SDLL_VERSION_HEADER_DIR}/wolfet_version.h @ONLY)

# windres resolves the schema's file name and the version header against
# the include path, and does not know that the .rc depends on either.
target_include_directories(wolfet PRIVATE ${SDLL_RC_DIR} ${SDLL_VERSION_HEADER_DIR})
set_source_files_properties(${SDLL_RC_FILE} PROPERTIES
  OBJECT_DEPENDS "${SDLL_RC_DIR}/settings.cfg;${SDLL_VERSION_HEADER_DIR}/wolfet_version.h")

target_compile_options(sdll_objects PRIVATE -ffunction-sections -fdata-sections
  -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
  -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
target_link_options(wolfet PRIVATE
  -static -static-libgcc
  -Wl,--gc-sections
  -Wl,--no-insert-timestamp
  $<$<NOT:$<CONFIG:Debug>>:-s>)
target_link_libraries(wolfet PRIVATE ole32 shell32 user32)

include(${PROJECT_SOURCE_DIR}/cmake/Package.cmake)
if(SDLL_BUILD_TESTS)
  include(${PROJECT_SOURCE_DIR}/cmake/DllChecks.cmake)
endif()
