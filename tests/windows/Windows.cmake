# The Windows test suite (tests/CMakeLists.txt includes this for WIN32 in
# place of the Linux suites, which drive the POSIX stand-ins): the host
# boundary suite through the real DLL, the platform suite on the linked-in
# core (the very objects of the DLL) with the Win32 layer's calls watched
# and made to fail, and what only Windows shows, through the real DLL.
add_executable(sdll_wine_tests
  ${CMAKE_CURRENT_LIST_DIR}/../host_boundary_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../platform_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_faults.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wine_flow_test.cpp)
target_include_directories(sdll_wine_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(sdll_wine_tests PRIVATE hostkit sdll_core GTest::gtest_main sdll_warnings)
add_dependencies(sdll_wine_tests wolfet fake-et)
target_compile_definitions(sdll_wine_tests PRIVATE
  SDLL_PLUGIN_PATH="$<TARGET_FILE:wolfet>"
  SDLL_SCHEMA_FILE="${PROJECT_SOURCE_DIR}/plugin/resources/settings.cfg"
  SDLL_FAKE_GAME_PATH="$<TARGET_FILE:fake-et>")
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
  message(FATAL_ERROR "the Windows suite measures the 32-bit calling conventions: build it for i686")
endif()

# The 32-bit build is the shipped one: the suite loads the very DLL that
# cpack puts in the zip, under 32-bit Wine (cmake/wine32.sh: native or an
# emulated i386 machine, whichever this one allows). The suite, the suite
# again with the host's C runtime in binary mode, the demo host copied out
# beside the DLL and the poll measurement all run in one start of it.
add_executable(sdll_poll_cost ${PROJECT_SOURCE_DIR}/bench/win32/poll_cost.cpp)
target_link_libraries(sdll_poll_cost PRIVATE hostkit sdll_warnings)
add_dependencies(sdll_poll_cost wolfet fake-et)
target_compile_definitions(sdll_poll_cost PRIVATE
  SDLL_PLUGIN_PATH="$<TARGET_FILE:wolfet>" SDLL_FAKE_GAME_PATH="$<TARGET_FILE:fake-et>")

# The 32-bit Wine environment is made (once, then cached) by a test of its
# own, so that its cost is not counted against the suite's time limit; a
# cold emulated build takes a quarter of an hour on a small machine.
add_test(NAME wine32_prepare COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine32.sh prepare)
set_tests_properties(wine32_prepare PROPERTIES TIMEOUT 3600 FIXTURES_SETUP wine32)
add_test(NAME wine32_i686
  COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine32.sh run --timeout 1500
    --share ${PROJECT_SOURCE_DIR} --share ${CMAKE_BINARY_DIR}
    -- sh ${CMAKE_CURRENT_LIST_DIR}/i686-job.sh $<TARGET_FILE:sdll_wine_tests>
    $<TARGET_FILE:wolfet> $<TARGET_FILE:wolfet-host> $<TARGET_FILE:fake-et>
    $<TARGET_FILE:sdll_poll_cost>
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
set_tests_properties(wine32_i686 PROPERTIES TIMEOUT 3000 FIXTURES_REQUIRED wine32)
