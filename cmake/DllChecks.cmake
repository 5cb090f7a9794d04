# The checks of the shipped DLL and its zip, as tests of the Windows build
# (included by plugin/platform/Win32.cmake when the tests are built):
#   dll_pe_layout       cmake/check-pe.sh: exports, imports, resources, size
#   dll_zip_ships_dll   cpack, then the zip's wolfet.dll is the built one
#   dll_reproducible    a second build of the same source in another folder,
#                       seconds later, gives the same DLL and zip
enable_testing()

# Today's size; what the DLL may not outgrow.
set(SDLL_DLL_SIZE_LIMIT 26112)

add_test(NAME dll_pe_layout
  COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/check-pe.sh $<TARGET_FILE:wolfet>
    ${PROJECT_SOURCE_DIR}/plugin/resources/settings.cfg ${CMAKE_OBJDUMP} ${SDLL_DLL_SIZE_LIMIT})

set(SDLL_ZIP_NAME wolfet-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME}.zip)
add_test(NAME dll_zip_ships_dll
  COMMAND ${CMAKE_COMMAND} -DCPACK=${CMAKE_CPACK_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
    -DZIP=${CMAKE_BINARY_DIR}/${SDLL_ZIP_NAME} -DDLL=$<TARGET_FILE:wolfet>
    -DHOST=$<TARGET_FILE:wolfet-host> -P ${PROJECT_SOURCE_DIR}/cmake/CheckPackage.cmake)
set_tests_properties(dll_zip_ships_dll PROPERTIES FIXTURES_SETUP sdll_zip)

add_test(NAME dll_reproducible
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
    -DREPRO_DIR=${CMAKE_BINARY_DIR}/reproducibility
    -DGENERATOR=${CMAKE_GENERATOR} -DMAKE_PROGRAM=${CMAKE_MAKE_PROGRAM}
    -DTOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE} -DBUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DCPACK=${CMAKE_CPACK_COMMAND} -DDLL=$<TARGET_FILE:wolfet>
    -DZIP=${CMAKE_BINARY_DIR}/${SDLL_ZIP_NAME} -DZIP_NAME=${SDLL_ZIP_NAME}
    -P ${PROJECT_SOURCE_DIR}/cmake/CheckReproducible.cmake)
# A whole second build: alone, so it competes with no other heavy test.
set_tests_properties(dll_reproducible PROPERTIES
  FIXTURES_REQUIRED sdll_zip RUN_SERIAL TRUE TIMEOUT 1200)
