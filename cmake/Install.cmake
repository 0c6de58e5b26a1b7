# cmake --install: the library, its headers, the tools, a pkg-config file and
# a CMake package, all relative to the prefix so that an installed tree can
# be moved. Two components: "library" (everything a program needs to be built
# and run) and "testing" (the test doubles, for applications' own tests).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(REVUZIVA_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/revuziva)
# Headers include each other as "core/LogBase.h"; programs may write that or
# <revuziva/core/LogBase.h>, so both folders are on the include path.
set(REVUZIVA_INSTALL_HEADERDIR ${CMAKE_INSTALL_INCLUDEDIR}/revuziva)

install(TARGETS revuziva EXPORT revuzivaTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library
  INCLUDES DESTINATION ${REVUZIVA_INSTALL_HEADERDIR} ${CMAKE_INSTALL_INCLUDEDIR})

# revuziva_install_headers(COMPONENT <name> DIRS <dir>... [EXCLUDE <regex>]
# [EXPORTED_ONLY]): installs the headers below each folder of the source tree,
# keeping their paths, less those whose path matches the expression. With
# EXPORTED_ONLY, a header that opens namespace rv but never as RV_API is the
# library's own (its functions aren't exported) and stays out.
function(revuziva_install_headers)
  cmake_parse_arguments(PARSE_ARGV 0 arg "EXPORTED_ONLY" "COMPONENT;EXCLUDE" "DIRS")
  foreach(dir IN LISTS arg_DIRS)
    file(GLOB_RECURSE headers CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/${dir}/*.h)
    if(arg_EXCLUDE)
      list(FILTER headers EXCLUDE REGEX "${arg_EXCLUDE}")
    endif()
    foreach(header IN LISTS headers)
      if(arg_EXPORTED_ONLY)
        file(READ ${PROJECT_SOURCE_DIR}/${header} text)
        if(text MATCHES "namespace rv" AND NOT text MATCHES "RV_API")
          continue()
        endif()
      endif()
      get_filename_component(folder ${header} DIRECTORY)
      install(FILES ${header} DESTINATION ${REVUZIVA_INSTALL_HEADERDIR}/${folder} COMPONENT ${arg_COMPONENT})
    endforeach()
  endforeach()
endfunction()

# The public headers are the exported headers of the units and of platform/,
# less the real-window set's, which include the toolkit's and serve only the
# library and its test doubles.
revuziva_install_headers(COMPONENT library DIRS platform core exception applog monitors checks package
  EXCLUDE "^platform/fltk/" EXPORTED_ONLY)

set_target_properties(revuziva_testing PROPERTIES EXPORT_NAME testing)
install(TARGETS revuziva_testing EXPORT revuzivaTestingTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT testing
  INCLUDES DESTINATION ${REVUZIVA_INSTALL_HEADERDIR} ${CMAKE_INSTALL_INCLUDEDIR})
if(REVUZIVA_WITH_FLTK)
  revuziva_install_headers(COMPONENT testing DIRS testing)
else()
  revuziva_install_headers(COMPONENT testing DIRS testing EXCLUDE "/Fltk[^/]*\\.h$")
endif()

# revuziva_install_program(target): installs a program into bin/, finding
# the library beside it wherever the prefix has gone, and exports it as
# revuziva::<target> (revuziva_add_map() runs revuziva::mapgen).
function(revuziva_install_program target)
  file(RELATIVE_PATH libdir ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${libdir}")
  install(TARGETS ${target} EXPORT revuzivaTargets
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT library)
endfunction()

install(EXPORT revuzivaTargets NAMESPACE revuziva:: DESTINATION ${REVUZIVA_INSTALL_CMAKEDIR}
  COMPONENT library)
install(EXPORT revuzivaTestingTargets NAMESPACE revuziva:: DESTINATION ${REVUZIVA_INSTALL_CMAKEDIR}
  COMPONENT testing)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/revuzivaConfig.cmake.in
  ${PROJECT_BINARY_DIR}/revuzivaConfig.cmake
  INSTALL_DESTINATION ${REVUZIVA_INSTALL_CMAKEDIR})
# A program built for 1.x builds against any later 1.y.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/revuzivaConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
    ${PROJECT_BINARY_DIR}/revuzivaConfig.cmake
    ${PROJECT_BINARY_DIR}/revuzivaConfigVersion.cmake
    ${PROJECT_SOURCE_DIR}/cmake/MapFile.cmake
  DESTINATION ${REVUZIVA_INSTALL_CMAKEDIR} COMPONENT library)

# The pkg-config file finds the prefix from its own place (${pcfiledir}).
file(RELATIVE_PATH REVUZIVA_PC_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" REVUZIVA_PC_PREFIX "${REVUZIVA_PC_PREFIX}")
file(RELATIVE_PATH REVUZIVA_PC_INCLUDEDIR ${CMAKE_INSTALL_PREFIX} ${CMAKE_INSTALL_FULL_INCLUDEDIR})
file(RELATIVE_PATH REVUZIVA_PC_LIBDIR ${CMAKE_INSTALL_PREFIX} ${CMAKE_INSTALL_FULL_LIBDIR})
configure_file(${PROJECT_SOURCE_DIR}/cmake/revuziva.pc.in ${PROJECT_BINARY_DIR}/revuziva.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/revuziva.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT library)
