# libFuzzer targets of the host build. libFuzzer needs clang, whatever compiler the host
# tree is configured with, so each target is compiled by a command of its own from the
# sources it needs, with AddressSanitizer and UndefinedBehaviorSanitizer.
#
# zv_fuzz_target(<name> SOURCES <files...> [HEADERS <files...>] [SEEDS <files...>]
#                [CORPUS <folders...>] [LINK <flags or libraries...>]
#                [DEPENDS <targets or files...>] [ARGS <libFuzzer options...>])
#
# builds <binary dir>/fuzz-targets/<name>/<name> and adds the ctest test <name>: a short
# bounded run (20 s) that keeps ./test fast; an input that fails is saved in that folder.
# SEEDS are copied into the target's corpus folder, which the runs add to; CORPUS folders
# are read as further seeds and never written.
find_program(ZV_CLANGXX NAMES clang++ clang++-14 DOC "clang++ with libFuzzer, for the fuzz targets")
if(NOT ZV_CLANGXX)
  message(FATAL_ERROR "clang++ not found: the fuzz targets need it (Debian packages clang, libclang-rt-14-dev)")
endif()

function(zv_fuzz_target name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;HEADERS;SEEDS;CORPUS;LINK;DEPENDS;ARGS")
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/fuzz-targets/${name})
  set(exe ${dir}/${name})
  set(seed_commands "")
  if(arg_SEEDS)
    set(seed_commands COMMAND ${CMAKE_COMMAND} -E copy ${arg_SEEDS} ${dir}/corpus)
  endif()
  add_custom_command(
    OUTPUT ${exe}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}/corpus
    ${seed_commands}
    COMMAND ${ZV_CLANGXX} -std=c++20 -g -O1 -Wall -Wextra -Werror
            -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
            -I${CMAKE_SOURCE_DIR} ${arg_SOURCES} ${arg_LINK} -o ${exe}
    DEPENDS ${arg_SOURCES} ${arg_HEADERS} ${arg_SEEDS} ${arg_DEPENDS}
    COMMENT "Building the fuzz target ${name} with clang"
    VERBATIM
  )
  add_custom_target(${name} ALL DEPENDS ${exe})
  add_test(NAME ${name}
    COMMAND ${exe} -max_total_time=20 -timeout=10 -rss_limit_mb=1024 -print_final_stats=1
            -artifact_prefix=${dir}/ ${arg_ARGS} ${dir}/corpus ${arg_CORPUS}
    WORKING_DIRECTORY ${dir})
  set_tests_properties(${name} PROPERTIES TIMEOUT 120)
endfunction()
