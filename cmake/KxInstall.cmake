# Install rules: the seven libraries (runtime), the header, CMake package,
# pkg-config file and section 3 manual pages (development), documentation.
include(CMakePackageConfigHelpers)

set(KX_FAMILY_LIBRARIES kxrng kxcore kxsha1 kxsha2 kxhmac kxjcmvp)
# Installed side by side: libkxrsa.so finds its siblings (and dlopen finds the
# status library and libkxhmac.so) through RUNPATH $ORIGIN, after
# LD_LIBRARY_PATH, so a replacement put earlier on the search path still wins.
set_target_properties(kxrsa ${KX_FAMILY_LIBRARIES} PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS kxrsa EXPORT kxrsaTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS ${KX_FAMILY_LIBRARIES}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime)
install(FILES include/kxrsa.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)

# CMake package: find_package(kxrsa) gives the imported target kxrsa::kxrsa.
set(KX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kxrsa)
install(EXPORT kxrsaTargets NAMESPACE kxrsa:: DESTINATION ${KX_CMAKE_DIR} COMPONENT development)
configure_package_config_file(cmake/kxrsaConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/kxrsaConfig.cmake INSTALL_DESTINATION ${KX_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/kxrsaConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kxrsaConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/kxrsaConfigVersion.cmake
        DESTINATION ${KX_CMAKE_DIR} COMPONENT development)

# pkg-config: the prefix is found from the .pc file's own place, so that an
# installed tree can be moved.
set(KX_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH KX_PC_TO_PREFIX /${KX_PC_DIR} /)
string(REGEX REPLACE "/$" "" KX_PC_TO_PREFIX "${KX_PC_TO_PREFIX}")
configure_file(cmake/kxrsa.pc.in ${CMAKE_CURRENT_BINARY_DIR}/kxrsa.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kxrsa.pc DESTINATION ${KX_PC_DIR} COMPONENT development)

# Manual pages: section 3 (the library) with the development files, section 1
# (the command) with the command.
install(DIRECTORY man/man3 DESTINATION ${CMAKE_INSTALL_MANDIR} COMPONENT development
        FILES_MATCHING PATTERN "*.3")
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/man/man1)
  install(DIRECTORY man/man1 DESTINATION ${CMAKE_INSTALL_MANDIR} COMPONENT tools
          FILES_MATCHING PATTERN "*.1")
endif()

install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)
