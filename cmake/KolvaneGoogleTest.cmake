# GoogleTest for the test programs: the host's package natively; for Windows built with the
# target's compiler from Debian's googletest sources, which provide GTest::gtest and
# GTest::gtest_main as the package does.
set(KOLVANE_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
    "GoogleTest sources, built for the target when cross-compiling for Windows")

if(CMAKE_CROSSCOMPILING AND WIN32)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # GoogleTest's own Windows threading, rather than winpthread's emulation of pthreads.
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  # SYSTEM: the project's warnings stay about the project's code, not GoogleTest's headers.
  add_subdirectory(${KOLVANE_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest
                   EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# Natively every case is its own CTest entry. Under an emulator each program runs once, as
# starting wine costs about a second, and passes only on GoogleTest's summary of at least one
# passed test with no failure: wine's exit status alone does not show that the program ran.
function(kolvane_add_gtest target)
  if(NOT CMAKE_CROSSCOMPILING)
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 30)
    return()
  endif()
  add_test(NAME ${target} COMMAND ${target})
  set_tests_properties(${target} PROPERTIES
    PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [1-9][0-9]* tests?\\."
    FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\];wine-run: exit status"
    ENVIRONMENT "KOLVANE_WINE_SHARE=${PROJECT_SOURCE_DIR}:${PROJECT_BINARY_DIR}"
    TIMEOUT 1200)
endfunction()
