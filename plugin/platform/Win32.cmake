# The shipped Windows DLL (included by plugin/CMakeLists.txt once the
# target `wolfet` exists).
#
# - Exports: wolfet.def names the seven functions undecorated and numbers
#   them; with a .def file the linker exports nothing else.
# - Resources: resources/wolfet.rc carries the settings schema.
# - Runtime: libgcc, libstdc++ and winpthread are linked in, so the DLL
#   imports only the system's own DLLs and the host's folder needs nothing
#   beside it.
# - Size: -Os (MinSizeRel), one section per function so the linker can drop
#   what nothing calls, and no symbols in release builds. dll_runtime.cpp
#   keeps libstdc++'s exception machinery out, and _GLIBCXX_ASSERTIONS has
#   std::string instantiated in our own objects (with bounds checks) rather
#   than taken whole from the library's explicit instantiations, which were
#   built with exceptions.

set(SDLL_DEF_FILE ${CMAKE_CURRENT_LIST_DIR}/wolfet.def)
set(SDLL_RC_FILE ${CMAKE_CURRENT_LIST_DIR}/../resources/wolfet.rc)
get_filename_component(SDLL_RC_FILE ${SDLL_RC_FILE} ABSOLUTE)

target_sources(wolfet PRIVATE ${SDLL_DEF_FILE})
set_target_properties(wolfet PROPERTIES LINK_DEPENDS ${SDLL_DEF_FILE})

if(EXISTS ${SDLL_RC_FILE})
  target_sources(wolfet PRIVATE ${SDLL_RC_FILE})
  # windres resolves the schema's file name against the include path, and
  # does not know that the .rc depends on it.
  get_filename_component(SDLL_RC_DIR ${SDLL_RC_FILE} DIRECTORY)
  target_include_directories(wolfet PRIVATE ${SDLL_RC_DIR})
  set_source_files_properties(${SDLL_RC_FILE} PROPERTIES
    OBJECT_DEPENDS ${SDLL_RC_DIR}/settings.cfg)
else()
  message(WARNING "plugin/resources/wolfet.rc is missing: the DLL will carry no settings schema")
endif()

target_sources(wolfet PRIVATE ${CMAKE_CURRENT_LIST_DIR}/dll_runtime.cpp)
# The warning flags as a source property: on the target they would reach
# windres too.
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/dll_runtime.cpp PROPERTIES
  COMPILE_OPTIONS "-Wall;-Wextra;-Werror")
target_compile_definitions(sdll_objects PRIVATE _GLIBCXX_ASSERTIONS)
target_compile_options(sdll_objects PRIVATE -ffunction-sections -fdata-sections)
target_link_options(wolfet PRIVATE
  -static -static-libgcc -static-libstdc++
  -Wl,--gc-sections
  $<$<NOT:$<CONFIG:Debug>>:-s>)
target_link_libraries(wolfet PRIVATE ole32 shell32 user32)

include(${PROJECT_SOURCE_DIR}/cmake/Package.cmake)
