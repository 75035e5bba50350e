# Warnings and sanitizers, in the form of the compiler at hand: GCC and
# Clang (MinGW-w64 included) take the -W/-f forms, MSVC the /W forms.
#
#   VELT_WERROR            warnings are errors
#   VELT_SANITIZE          AddressSanitizer and UndefinedBehaviorSanitizer
#                          (MSVC: AddressSanitizer, the only one it has)
#   VELT_SANITIZE_THREADS  ThreadSanitizer (GCC and Clang; not with VELT_SANITIZE)

option(VELT_WERROR "Treat compiler warnings as errors" OFF)
option(VELT_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(VELT_SANITIZE_THREADS "Build with ThreadSanitizer" OFF)

if(VELT_SANITIZE AND VELT_SANITIZE_THREADS)
  message(FATAL_ERROR "VELT_SANITIZE and VELT_SANITIZE_THREADS cannot be combined")
endif()

if(MSVC)
  # The sources are UTF-8; /permissive- and /Zc:__cplusplus give the
  # standard's rules and value of __cplusplus.
  add_compile_options(/W4 /utf-8 /permissive- /Zc:__cplusplus)
  if(VELT_WERROR)
    add_compile_options(/WX)
  endif()
  if(VELT_SANITIZE)
    add_compile_options(/fsanitize=address)
  endif()
  if(VELT_SANITIZE_THREADS)
    message(FATAL_ERROR "MSVC has no ThreadSanitizer")
  endif()
else()
  add_compile_options(-Wall -Wextra)
  if(VELT_WERROR)
    add_compile_options(-Werror)
  endif()
  if(VELT_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
  endif()
  if(VELT_SANITIZE_THREADS)
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
  endif()
endif()
