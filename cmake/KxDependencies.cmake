# Every dependency is looked up here, at configure time, and a missing one
# stops the configuration with the Debian package that provides it.

# kx_missing(what package [hint]): stop with the package to install.
function(kx_missing what package)
  set(hint "")
  if(ARGN)
    set(hint " ${ARGN}")
  endif()
  message(FATAL_ERROR "${what} not found: install the Debian package ${package} "
                      "(apt install ${package})${hint}")
endfunction()

find_package(PkgConfig QUIET)
if(NOT PKG_CONFIG_FOUND)
  kx_missing("pkg-config" pkg-config)
endif()

# The Windows cross-build (cmake/toolchain-mingw64.cmake) takes its digests
# and random bytes from the system (bcrypt) and builds GoogleTest from
# Debian's source package; its tests need no oracle library.
if(WIN32)
  if(NOT EXISTS /usr/src/googletest/CMakeLists.txt AND KX_BUILD_TESTS)
    kx_missing("GoogleTest sources" googletest)
  endif()
  return()
endif()

# Nettle computes the digests of the sibling libraries.
pkg_check_modules(NETTLE QUIET IMPORTED_TARGET nettle)
if(NOT NETTLE_FOUND)
  kx_missing("Nettle (nettle.pc)" nettle-dev)
endif()

# The oracles and frameworks of the tests and benchmarks; the library itself
# needs none of them.
if(KX_BUILD_TESTS OR KX_BUILD_BENCH)
  set(kx_off_hint "or configure with -DKX_BUILD_TESTS=OFF -DKX_BUILD_BENCH=OFF")
  find_package(OpenSSL 3 QUIET COMPONENTS Crypto)
  if(NOT OpenSSL_FOUND)
    kx_missing("OpenSSL 3 libcrypto" libssl-dev ${kx_off_hint})
  endif()
endif()

if(KX_BUILD_TESTS)
  find_package(GTest QUIET)
  if(NOT GTest_FOUND)
    kx_missing("GoogleTest" libgtest-dev ${kx_off_hint})
  endif()
  find_path(KX_GMPXX_INCLUDE gmpxx.h)
  find_library(KX_GMP_LIBRARY gmp)
  find_library(KX_GMPXX_LIBRARY gmpxx)
  if(NOT KX_GMPXX_INCLUDE OR NOT KX_GMP_LIBRARY OR NOT KX_GMPXX_LIBRARY)
    kx_missing("GMP (gmpxx.h, libgmp, libgmpxx)" libgmp-dev ${kx_off_hint})
  endif()
  find_package(nlohmann_json 3 QUIET)
  if(NOT nlohmann_json_FOUND)
    kx_missing("nlohmann-json" nlohmann-json3-dev ${kx_off_hint})
  endif()
endif()

if(KX_BUILD_BENCH)
  find_package(benchmark QUIET)
  if(NOT benchmark_FOUND)
    kx_missing("Google Benchmark" libbenchmark-dev "or configure with -DKX_BUILD_BENCH=OFF")
  endif()
endif()
