# STRATO_SANITIZE builds everything, the programs, their tests and the processes they start, with
# AddressSanitizer and UndefinedBehaviorSanitizer (scripts/test --sanitize, in build-sanitize/). Undefined
# behaviour stops the program as an address fault does, so that any finding fails its test.
option(STRATO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(STRATO_SANITIZE)
  set(sanitizer_flags -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_compile_options(${sanitizer_flags})
  add_link_options(${sanitizer_flags})
endif()
