# cpack: one Debian package of everything installed (the library, headers,
# tools, CMake and pkg-config files, the test doubles). Its dependencies are
# read off the installed binaries by dpkg-shlibdeps (package dpkg-dev).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME librevuziva)
set(CPACK_PACKAGE_VENDOR "REVuziva developers")
set(CPACK_PACKAGE_CONTACT "REVuziva developers <revuziva@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "logging components for Linux desktop applications")
set(CPACK_PACKAGE_DESCRIPTION
  "REVuziva is a C++20 library of non-visual logging components for Linux desktop
applications: a tagged log file in text or XML, exception records with source
lines and report sections, application and dataset event logs, folder,
registry and shell monitors, event log access and input validation. This
package holds the shared library, its headers, the CMake and pkg-config files,
the map file generator and the other tools, and the test doubles.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The tools need the library of this same package.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
