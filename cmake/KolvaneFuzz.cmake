# The fuzzing build: clang's libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer over
# every target of the project, so the code under test is instrumented, not only the fuzz targets.
# Undefined behaviour aborts instead of being reported and carried on, so it counts as a finding.
option(KOLVANE_FUZZ "Build the fuzz targets (clang only); scripts/fuzz.sh builds and runs them" OFF)

if(KOLVANE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "KOLVANE_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  target_compile_options(kolvane_common INTERFACE
                         -fsanitize=fuzzer-no-link,address,undefined
                         -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(kolvane_common INTERFACE -fsanitize=address,undefined)
endif()
