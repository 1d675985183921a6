# Debian packages by CPack (cpack -G DEB in the build folder):
#   kxrsa       the seven shared libraries and the documentation
#   kxrsa-dev   header, CMake package, pkg-config file, section 3 pages
#   kxrsa-tools the kxrsa command and its page (when it is built)
# Depends are computed from the binaries' shared-library needs.
set(CPACK_PACKAGE_NAME kxrsa)
set(CPACK_PACKAGE_VENDOR "the kxrsa developers")
set(CPACK_PACKAGE_CONTACT "kxrsa developers <maintainers@users.noreply.c-seed-a31d176c.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "RSA primitives of the kx family of cryptographic libraries")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development)
if(TARGET kxrsa_tool)
  list(APPEND CPACK_COMPONENTS_ALL tools)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The libraries find each other in the runtime package itself.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_FULL_LIBDIR})
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME kxrsa)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
  "RSA primitives of the kx family: libkxrsa.so and its sibling libraries\n"
  "Strong-prime key generation, raw RSA operations, PKCS #1 v1.5, OAEP and PSS.")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_GENERATE_SHLIBS ON)

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME kxrsa-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
  "RSA primitives of the kx family: development files\n"
  "The header kxrsa.h, the CMake package, the pkg-config file and manual pages.")
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME kxrsa-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
  "RSA primitives of the kx family: the kxrsa command\n"
  "Key generation, encryption, signatures and raw operations on PEM and DER key files.")
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)

include(CPack)
