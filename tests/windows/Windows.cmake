# The Windows test suite, run under Wine (tests/CMakeLists.txt includes this
# for WIN32 in place of the Linux suites, which drive the POSIX stand-ins).
# It exercises the Win32 platform layer through the real DLL: the host
# boundary suite, which is system-neutral, and the flow with the stand-in
# game started through the shell.
add_executable(sdll_wine_tests
  ${CMAKE_CURRENT_LIST_DIR}/../host_boundary_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wine_flow_test.cpp)
target_include_directories(sdll_wine_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(sdll_wine_tests PRIVATE hostkit sdll_core GTest::gtest_main sdll_warnings)
add_dependencies(sdll_wine_tests wolfet fake-et)
target_compile_definitions(sdll_wine_tests PRIVATE
  SDLL_PLUGIN_PATH="$<TARGET_FILE:wolfet>"
  SDLL_SCHEMA_FILE="${PROJECT_SOURCE_DIR}/plugin/resources/settings.cfg"
  SDLL_FAKE_GAME_PATH="$<TARGET_FILE:fake-et>")
# One Wine process for the whole suite: each start costs far more than a
# test. The emulator (cmake/wine-run.sh, from the toolchain) keeps a private
# prefix in the build folder.
add_test(NAME wine_suite COMMAND sdll_wine_tests)
set_tests_properties(wine_suite PROPERTIES TIMEOUT 600
  ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all")

# The host's server browser as a Windows program: with no master answering
# (nothing listens on 127.0.0.1:9; Windows reports the port unreachable to
# the next read) its resends and deadline still end in the master's own
# message.
if(TARGET wolfet-host)
  add_test(NAME host_servers_no_master
    COMMAND wolfet-host --settings ${CMAKE_CURRENT_BINARY_DIR}/servers-test.json
            servers --master 127.0.0.1:9 --timeout 0.5)
  set_tests_properties(host_servers_no_master PROPERTIES TIMEOUT 120
    PASS_REGULAR_EXPRESSION "127.0.0.1:9 sent no server list within 0.5 s"
    ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all")
endif()
