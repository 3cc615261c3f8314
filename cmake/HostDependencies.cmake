# Third-party libraries for the host (Linux) build, which tests the portable parts of the
# program natively: GoogleTest from its packaged sources, as the Windows builds use it,
# and the system zlib (zlib1g-dev).

include(GoogleTestSources)

find_package(ZLIB REQUIRED)

# zv_host_test(<name> SOURCES ... [LIBS ...])
#   A native GoogleTest exe run as one ctest test of the same name (./test finds its
#   report by that name).
function(zv_host_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  zv_executable(${name})
  add_test(NAME ${name} COMMAND ${name})
endfunction()

# zv_sanitized(<target>)
#   Builds and links the target with AddressSanitizer and UndefinedBehaviorSanitizer; any
#   finding ends the process (no recovery), so a test that trips one fails.
function(zv_sanitized target)
  target_compile_options(${target} PUBLIC -fsanitize=address,undefined -fno-sanitize-recover=all
                                          -fno-omit-frame-pointer)
  target_link_options(${target} PUBLIC -fsanitize=address,undefined -fno-sanitize-recover=all)
endfunction()
