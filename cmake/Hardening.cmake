# Debian's hardening flags, as dpkg-buildflags gives them with hardening=+all, for every optimised build
# (the package's, the tests' and the benchmarks'): fortified C library calls, the strong stack protector,
# format strings checked, and relocations made read-only at start (relro, now). The compiler builds
# position-independent executables by default, as it does for dpkg-buildflags. Fortify needs the optimiser,
# so Debug builds go without it; the fuzzing build has its address checks instead.
if(STRATO_FUZZ)
  return()
endif()
add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
# The fortified calls check in place of the library calls that AddressSanitizer watches, so a sanitized build
# goes without them.
if(NOT STRATO_SANITIZE)
  add_compile_definitions($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
endif()
add_link_options(LINKER:-z,relro LINKER:-z,now)
