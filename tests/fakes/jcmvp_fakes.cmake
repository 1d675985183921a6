# The JCMVP test doubles, each library in a folder of its own under
# ${CMAKE_BINARY_DIR}/fakes so that a test process picks exactly the doubles
# it names in LD_LIBRARY_PATH (in front of the real siblings); on Windows a
# scenario folder holds them (tests/CMakeLists.txt). Call log and switches:
# tests/fakes/fake_jcmvp.cpp.
set(KX_FAKES_DIR ${CMAKE_BINARY_DIR}/fakes)
set(KX_JCMVP_FAKE_TARGETS)

# kx_add_jcmvp_fake(target file-stem folder [DEF file] sources...)
function(kx_add_jcmvp_fake target stem folder)
  kx_add_sibling_library(${target} ${stem} ${ARGN})
  set_target_properties(${target} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${KX_FAKES_DIR}/${folder}
                        RUNTIME_OUTPUT_DIRECTORY ${KX_FAKES_DIR}/${folder})
  set_property(GLOBAL APPEND PROPERTY KX_FAKES_IN_${folder} ${target})
  set(KX_JCMVP_FAKE_TARGETS ${KX_JCMVP_FAKE_TARGETS} ${target} PARENT_SCOPE)
endfunction()

# The logging status library, and one variant per missing entry point.
kx_add_jcmvp_fake(kxjcmvp_fake_log kxjcmvp jcmvp fakes/fake_jcmvp.cpp)
set(KX_JCMVP_ENTRY_POINTS KxJCMVPGetStatus KxJCMVPPowerUpSelfTest JCMVPSetStatus JCMVPGetStatus
    JCMVPPowerUpSelfTest JCMVPRsaKeyPairTest)
foreach(entry IN LISTS KX_JCMVP_ENTRY_POINTS)
  kx_add_jcmvp_fake(kxjcmvp_fake_no_${entry} kxjcmvp jcmvp-no-${entry} fakes/fake_jcmvp.cpp)
  target_compile_definitions(kxjcmvp_fake_no_${entry} PRIVATE KX_FAKE_OMIT_${entry})
endforeach()

# The five siblings with logging mode setters: the real sibling source with
# its setter renamed away (an object library of its own, so the rename does
# not reach the fake setter), plus fake_jcmvp.cpp's setter under the real name.
# kx_add_sibling_object(sibling setter): object library kx_fake_obj_<sibling>.
function(kx_add_sibling_object sibling setter)
  add_library(kx_fake_obj_${sibling} OBJECT ${CMAKE_SOURCE_DIR}/siblings/${sibling}.cpp)
  target_link_libraries(kx_fake_obj_${sibling} PRIVATE kx_family_abi kx_warnings kx_sibling_platform)
  target_compile_definitions(kx_fake_obj_${sibling} PRIVATE ${setter}=${setter}Removed)
endfunction()

foreach(pair kxhmac:KxHMACSetJCMVPMode kxcore:KxCORESetJCMVPMode kxrng:KxRngSetJCMVPMode
        kxsha2:KxSHASetJCMVPMode kxsha1:KxSHA1SetJCMVPMode)
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 sibling)
  list(GET pair 1 setter)
  kx_add_sibling_object(${sibling} ${setter})
  set(def "")
  if(EXISTS ${CMAKE_SOURCE_DIR}/siblings/${sibling}.def)
    set(def DEF ${CMAKE_SOURCE_DIR}/siblings/${sibling}.def)
  endif()
  kx_add_jcmvp_fake(kxjcmvp_fake_setter_${sibling} ${sibling} setters ${def} fakes/fake_jcmvp.cpp)
  target_compile_definitions(kxjcmvp_fake_setter_${sibling} PRIVATE KX_FAKE_SETTER=${setter}
                             KX_FAKE_SETTER_NAME="${setter}")
  target_link_libraries(kxjcmvp_fake_setter_${sibling} PRIVATE kx_fake_obj_${sibling} kx_sibling_platform)
endforeach()

# libkxsha1.so without its mode setter (kxrsa still links its digest).
kx_add_jcmvp_fake(kxjcmvp_fake_sha1_no_setter kxsha1 no-sha1-setter
                  DEF ${CMAKE_CURRENT_SOURCE_DIR}/fakes/kxsha1_no_setter.def)
target_link_libraries(kxjcmvp_fake_sha1_no_setter PRIVATE kx_fake_obj_kxsha1 kx_sibling_platform)

# A libkxrsa.so whose operations give wrong results.
kx_add_jcmvp_fake(kxjcmvp_fake_broken_rsa kxrsa broken-rsa fakes/fake_broken_rsa.cpp)
target_compile_definitions(kxjcmvp_fake_broken_rsa PRIVATE KXRSA_BUILDING)
