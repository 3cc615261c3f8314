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

# zv_fuzz_test(<name> SOURCES ... [DEPENDS ...] [CORPUS dir ...] [ARGS ...])
#   A libFuzzer target built with clang, AddressSanitizer and UBSan from the given sources
#   (libFuzzer needs clang, whatever compiler the host tree is configured with, so it is
#   compiled by a command of its own), in the folder "fuzz/<name>" of the current build
#   folder, and a ctest test of the same name that runs it for 20 seconds. New inputs go to
#   the folder's corpus; the CORPUS folders only seed it. An input that fails is saved
#   beside the exe. DEPENDS: headers and targets the build depends on besides SOURCES.
find_program(ZV_CLANGXX NAMES clang++ clang++-14 DOC "clang++ with libFuzzer, for the fuzz targets")
function(zv_fuzz_test name)
  cmake_parse_arguments(F "" "" "SOURCES;DEPENDS;CORPUS;ARGS" ${ARGN})
  if(NOT ZV_CLANGXX)
    message(FATAL_ERROR "clang++ not found: the fuzz target ${name} needs it (Debian packages clang, libclang-rt-14-dev)")
  endif()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/fuzz/${name})
  add_custom_command(
    OUTPUT ${dir}/${name}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}/corpus
    COMMAND ${ZV_CLANGXX} -std=c++20 -g -O1 -Wall -Wextra -Werror
            -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
            -I${CMAKE_SOURCE_DIR} ${F_SOURCES} ${ZLIB_LIBRARIES} -o ${dir}/${name}
    DEPENDS ${F_SOURCES} ${F_DEPENDS}
    COMMENT "Building the fuzz target ${name} with clang"
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${dir}/${name})
  # A short bounded run keeps ./test fast.
  add_test(NAME ${name}
    COMMAND ${dir}/${name} -max_total_time=20 -timeout=10 -rss_limit_mb=1024 -print_final_stats=1
            -artifact_prefix=${dir}/ ${F_ARGS} ${dir}/corpus ${F_CORPUS}
    WORKING_DIRECTORY ${dir})
  set_tests_properties(${name} PROPERTIES TIMEOUT 120)
endfunction()
