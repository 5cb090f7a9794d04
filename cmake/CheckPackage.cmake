# The zip ships the very DLL and host program that were built and tested:
# packs the build folder with cpack, then compares the zip's wolfet.dll and
# wolfet-host.exe with the built ones.
#   cmake -DCPACK=<cpack> -DBUILD_DIR=<dir> -DZIP=<zip> -DDLL=<dll> -DHOST=<exe> -P CheckPackage.cmake
foreach(var CPACK BUILD_DIR ZIP DLL HOST)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CheckPackage.cmake: ${var} is not set")
  endif()
endforeach()

file(REMOVE ${ZIP})
execute_process(COMMAND ${CPACK} WORKING_DIRECTORY ${BUILD_DIR} RESULT_VARIABLE result
  OUTPUT_QUIET)
if(NOT result EQUAL 0 OR NOT EXISTS ${ZIP})
  message(FATAL_ERROR "cpack made no ${ZIP}")
endif()

set(unpacked ${BUILD_DIR}/package/unpacked)
file(REMOVE_RECURSE ${unpacked})
file(MAKE_DIRECTORY ${unpacked})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${ZIP} WORKING_DIRECTORY ${unpacked}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${ZIP} does not unpack")
endif()
file(GLOB shipped RELATIVE ${unpacked} ${unpacked}/*)
list(SORT shipped)
if(NOT shipped STREQUAL "INSTALL.txt;LICENSE;wolfet-host.exe;wolfet.dll")
  message(FATAL_ERROR
    "the zip holds ${shipped}, not INSTALL.txt, LICENSE, wolfet-host.exe and wolfet.dll")
endif()
foreach(pair "wolfet.dll;${DLL}" "wolfet-host.exe;${HOST}")
  list(GET pair 0 name)
  list(GET pair 1 built)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${unpacked}/${name} ${built}
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "the zip's ${name} is not the built ${built}")
  endif()
endforeach()
message(STATUS "the zip ships the tested wolfet.dll and wolfet-host.exe")
