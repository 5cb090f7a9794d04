# wolfet-host as a Linux program: `cmake --install` puts it in bin/, the
# plug-in and the stand-in game in lib/wolfet-host/, where it looks for
# them by its own place, and the README and docs in share/doc/; `cpack`
# makes a Debian package of the same.
install(TARGETS wolfet-host RUNTIME DESTINATION bin)
install(TARGETS wolfet LIBRARY DESTINATION lib/wolfet-host)
install(TARGETS fake-et RUNTIME DESTINATION lib/wolfet-host)
install(FILES README.md LICENSE SECURITY.md DESTINATION share/doc/wolfet-host)
install(DIRECTORY docs/ DESTINATION share/doc/wolfet-host/docs)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wolfet-host)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "wolfet-host maintainers")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Host for the Wolf ET engine plug-in: settings, engine check, servers, host and join")
# The libraries it links (the C++ runtime, libcrypto), as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
