# Two builds of the same source give the same bytes: configures a fresh
# folder with what the zip ships (the DLL and the host program, no tests;
# the same generator, toolchain and build type), builds and packs it at
# least two seconds after the first DLL was linked, so a time stamp would
# show, then compares its DLL and zip with the first build's.
#   cmake -DSOURCE_DIR= -DREPRO_DIR= -DGENERATOR= -DMAKE_PROGRAM= -DTOOLCHAIN_FILE=
#         -DBUILD_TYPE= -DCPACK= -DDLL= -DZIP= -DZIP_NAME= -P CheckReproducible.cmake
foreach(var SOURCE_DIR REPRO_DIR GENERATOR TOOLCHAIN_FILE BUILD_TYPE CPACK DLL ZIP ZIP_NAME)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CheckReproducible.cmake: ${var} is not set")
  endif()
endforeach()
foreach(file ${DLL} ${ZIP})
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "no ${file} to compare with")
  endif()
endforeach()

file(TIMESTAMP ${DLL} first_link "%s" UTC)
string(TIMESTAMP now "%s" UTC)
math(EXPR age "${now} - ${first_link}")
if(age LESS 2)
  execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 2)
endif()

file(REMOVE_RECURSE ${REPRO_DIR})
file(MAKE_DIRECTORY ${REPRO_DIR})
set(make_program)
if(MAKE_PROGRAM)
  set(make_program -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM})
endif()
foreach(step
    "${CMAKE_COMMAND};-S;${SOURCE_DIR};-B;${REPRO_DIR};-G;${GENERATOR};${make_program};-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE};-DCMAKE_BUILD_TYPE=${BUILD_TYPE};-DSDLL_BUILD_TESTS=OFF"
    "${CMAKE_COMMAND};--build;${REPRO_DIR}"
    "${CPACK}")
  execute_process(COMMAND ${step} WORKING_DIRECTORY ${REPRO_DIR} RESULT_VARIABLE result
    OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "the second build failed at ${step}:\n${output}")
  endif()
endforeach()

set(differ)
foreach(pair "${DLL};${REPRO_DIR}/plugin/wolfet.dll" "${ZIP};${REPRO_DIR}/${ZIP_NAME}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${pair} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    list(GET pair 0 first)
    list(APPEND differ ${first})
  endif()
endforeach()
if(differ)
  message(FATAL_ERROR "a second build gives other bytes for: ${differ} (see ${REPRO_DIR})")
endif()
file(REMOVE_RECURSE ${REPRO_DIR})
message(STATUS "a second build in another folder gives the same wolfet.dll and zip")
