# Hardening flags for every library and program of the build, set here only.
# ELF: the whole relocation table bound at load and then read-only (-z now,
# -z relro), no executable stack, stack canaries and stack-clash probes,
# control-flow protection on x86-64, and the fortified libc calls in optimised
# builds (_FORTIFY_SOURCE needs the optimiser). PE (the Windows toolchain):
# ASLR, DEP and high-entropy ASLR, what its linker offers.
include(CheckCXXCompilerFlag)

add_compile_options(-fstack-protector-strong)
check_cxx_compiler_flag(-fstack-clash-protection KX_HAS_STACK_CLASH_PROTECTION)
if(KX_HAS_STACK_CLASH_PROTECTION)
  add_compile_options(-fstack-clash-protection)
endif()
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  add_compile_options(-fcf-protection)
endif()
add_compile_options("$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")

if(WIN32)
  # mingw-w64 keeps the stack-protector and fortify runtime in libssp, which
  # the driver links only when it sees the flag at link time too.
  add_link_options(-fstack-protector-strong LINKER:--dynamicbase LINKER:--nxcompat LINKER:--high-entropy-va)
else()
  add_link_options(LINKER:-z,now LINKER:-z,relro LINKER:-z,noexecstack)
endif()
