# Flags for our own targets. Third-party code (GoogleTest, minizip) does not get
# warnings-as-errors; only targets passed to zv_our_code() do.

# Debug information stays in every build: later tools resolve addresses from it.
add_compile_options(-g)
# Reproducible: no absolute source paths in the objects and, on Windows, no link time stamp.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=)
if(WIN32)
  # One self-contained exe: no libstdc++/libgcc/winpthread DLLs beside it.
  add_link_options(-static -Wl,--no-insert-timestamp)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    # Doubles computed in SSE registers round as they do on x86_64; x87 keeps 80-bit
    # intermediates and the two builds would disagree in the last digit.
    add_compile_options(-msse2 -mfpmath=sse)
  endif()
endif()

function(zv_our_code target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# An executable of ours: warnings as errors and a linker map file beside it.
function(zv_executable target)
  zv_our_code(${target})
  if(WIN32)
    target_link_options(${target} PRIVATE "LINKER:-Map=$<TARGET_FILE_DIR:${target}>/${target}.map")
  endif()
endfunction()
