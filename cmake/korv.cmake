# Project-wide helpers: product flags, sanitizers, optional subdirectories.

# Adds each listed subdirectory that has a CMakeLists.txt, so folders can arrive one at a time.
function(korv_add_subdirectories)
  foreach(dir IN LISTS ARGN)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

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
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)
  # Release builds are stripped.
  add_link_options($<$<CONFIG:Release,MinSizeRel>:-s>)
endif()

# Product code: no exceptions, no RTTI, warnings on.
function(korv_product_target target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -fno-exceptions -fno-rtti)
endfunction()

# A GUI-subsystem Windows program (WinExec waits for these until they first idle).
function(korv_gui_program target)
  target_link_options(${target} PRIVATE -mwindows)
endfunction()
