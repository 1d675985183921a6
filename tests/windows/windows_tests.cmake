# The Windows-only tests: the DLLs' export and import tables, and loading
# kxrsa.dll beside an incomplete family.

# nlohmann-json is header-only: its Debian headers serve the cross-build too,
# reached through a folder that holds nothing else of /usr/include.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/json-include)
file(CREATE_LINK /usr/include/nlohmann ${CMAKE_BINARY_DIR}/json-include/nlohmann SYMBOLIC)
target_include_directories(test_wycheproof SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/json-include)

# kxrsa.dll exports exactly the ten functions by name and imports the four
# siblings as the family expects; no DLL needs anything but system DLLs.
set(dll_args)
foreach(dll IN LISTS KX_FAMILY_DLLS)
  list(APPEND dll_args $<TARGET_FILE:${dll}>)
endforeach()
string(REPLACE ";" "|" dll_args "${dll_args}")
add_test(NAME test_exports_windows
         COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} "-DDLLS=${dll_args}"
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/windows/check_dll_tables.cmake)

# A kxrng.dll whose generator has a name but no export number 1.
kx_add_sibling_library(kxrng_no_ordinal kxrng DEF ${CMAKE_CURRENT_SOURCE_DIR}/fakes/kxrng_no_ordinal.def
                       ${CMAKE_SOURCE_DIR}/siblings/kxrng.cpp)
target_link_libraries(kxrng_no_ordinal PRIVATE kx_sibling_platform)
set_target_properties(kxrng_no_ordinal PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fakes/rng-no-ordinal)

# Loading kxrsa.dll from a folder that holds the whole family, one that lacks
# a sibling, and one whose kxrng.dll has no export number 1. The program links
# no family DLL and lives in a folder without any, so each load starts from
# nothing and finds the family only beside kxrsa.dll.
add_executable(test_load_kxrsa windows/test_load_kxrsa.cpp)
set_target_properties(test_load_kxrsa PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KX_SCENARIOS_DIR}/load-runner)
target_link_libraries(test_load_kxrsa PRIVATE kx_public GTest::gtest GTest::gtest_main kx_warnings)
target_compile_definitions(test_load_kxrsa PRIVATE KX_SCENARIOS_DIR="${KX_SCENARIOS_DIR}")
kx_windows_scenario(load-complete)
kx_windows_scenario(load-rng-no-ordinal kxrng_no_ordinal)
add_dependencies(test_load_kxrsa kx_load_scenarios)
foreach(scenario WholeFamilyLoadsAndRuns GeneratorWithoutExportNumberOneFailsTheLoad)
  add_test(NAME test_load_kxrsa_${scenario} COMMAND test_load_kxrsa --gtest_filter=LoadKxRsa.${scenario})
endforeach()
foreach(missing kxrng kxcore kxsha1 kxsha2)
  add_test(NAME test_load_kxrsa_no_${missing} COMMAND test_load_kxrsa --gtest_filter=LoadKxRsa.MissingSiblingFailsTheLoad)
  set_tests_properties(test_load_kxrsa_no_${missing} PROPERTIES ENVIRONMENT KX_LOAD_SCENARIO=load-no-${missing})
endforeach()
foreach(missing kxrng kxcore kxsha1 kxsha2)
  add_custom_target(kx_scenario_load-no-${missing}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${KX_SCENARIOS_DIR}/load-complete ${KX_SCENARIOS_DIR}/load-no-${missing}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${KX_SCENARIOS_DIR}/load-no-${missing}/${missing}.dll
    DEPENDS kx_scenario_load-complete VERBATIM)
endforeach()
add_custom_target(kx_load_scenarios DEPENDS kx_scenario_load-complete kx_scenario_load-rng-no-ordinal
                  kx_scenario_load-no-kxrng kx_scenario_load-no-kxcore kx_scenario_load-no-kxsha1
                  kx_scenario_load-no-kxsha2)
