# Project-wide helpers: large files, sanitizers, static Windows programs, product flags.

# Large-file support everywhere: 64-bit off_t, and fopen, fseeko and ftello that work past
# 2 GiB also on 32-bit Linux (mingw-w64 reads the same switch).
add_compile_definitions(_FILE_OFFSET_BITS=64)

if(KORV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # Link the C++ runtime and libgcc in, so the programs run from a CD on a bare Windows.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Windows 7 is the oldest Windows the programs are written for (see README.md).
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  # Release builds are stripped.
  add_link_options($<$<CONFIG:Release,MinSizeRel>:-s>)
endif()

# Product code: no exceptions, no RTTI, warnings on.
#
# On Windows it also formats text through msvcrt. mingw-w64's C++ headers send sscanf,
# snprintf and vsnprintf to mingw's own C99 implementations, which bring about 45 KB of
# code (floating-point conversion included) into every program; the formats the product
# uses (%d, %lu, %s, %.2s, %31s, %*s, %n) read and write the same through msvcrt's.
# __ms_vsscanf is msvcrt's sscanf; __ms_vsnprintf is msvcrt's _vsnprintf made to end the
# text and count like C99.
function(korv_product_target target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -fno-exceptions -fno-rtti)
  if(WIN32)
    target_compile_definitions(${target} PRIVATE __mingw_vsscanf=__ms_vsscanf __mingw_vsnprintf=__ms_vsnprintf)
  endif()
endfunction()

# A GUI-subsystem Windows program (WinExec waits for these until they first idle).
function(korv_gui_program target)
  target_link_options(${target} PRIVATE -mwindows)
endfunction()
