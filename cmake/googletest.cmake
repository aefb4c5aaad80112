# GoogleTest: the system's build for the native host; for every other target it is built
# from Debian's sources (package googletest) with the target's own compiler.
include(GoogleTest)
if(NOT CMAKE_CROSSCOMPILING AND NOT KORV_FORCE_GTEST_SOURCE)
  find_package(GTest REQUIRED)
else()
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()

# Registers a test program's cases, one process per case. Discovery runs at test time,
# so a build does not need Wine or qemu to be running.
function(korv_add_gtest target)
  target_link_libraries(${target} PRIVATE GTest::gtest_main)
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300 ${ARGN})
endfunction()
