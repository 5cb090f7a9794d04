# The plug-in's resources. resources/settings.cfg is the one copy of the
# settings schema: wolfet.rc names it for the Windows build, and on every
# other platform the build turns it into an array linked into the library.
if(NOT WIN32)
  set(SDLL_SCHEMA_FILE ${CMAKE_CURRENT_LIST_DIR}/settings.cfg)
  set(SDLL_EMBEDDED_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/resources/embedded_resources.cpp)
  add_custom_command(
    OUTPUT ${SDLL_EMBEDDED_SOURCE}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${SDLL_SCHEMA_FILE} -DOUTPUT=${SDLL_EMBEDDED_SOURCE}
            -DTYPE=CONFIGURATION -DID=101 -P ${CMAKE_CURRENT_LIST_DIR}/EmbedResource.cmake
    DEPENDS ${SDLL_SCHEMA_FILE} ${CMAKE_CURRENT_LIST_DIR}/EmbedResource.cmake
    COMMENT "Embedding the settings schema"
    VERBATIM)
  target_sources(sdll_objects PRIVATE ${SDLL_EMBEDDED_SOURCE})
endif()
