# The exception library's module data block, written into an exe at build time.
#
# zv_exception_data(TARGET <exe or dll> OPTIONS <file> [PASSWORD <text>]
#                   [DEBUG_DATA <file> | NO_DEBUG_DATA])
#   Gives the module the RCDATA resource "ELDATA": the options of <file> (format in
#   tools/eldata/README.md), the table of the runtime symbols the library looks up, the
#   password check of <text> (empty by default) and the library's own debug data: by
#   default written from the DWARF of the module's first link (tools/eldata/debug_data.py,
#   texts enciphered under the same password), with "<module file>.debug.json" (the
#   description), "<module file>.debug-expected.tsv" (what the data answers for every run)
#   and "<module file>.debug-edges.tsv" beside the module; the bytes of DEBUG_DATA instead
#   (crafted data for tests), or none with NO_DEBUG_DATA. Call it after everything else that
#   configures the module's sources and compile settings: they are taken over at the call.
#   A SHARED library works as an exe does; it holds no framework application, so its
#   symbol table is empty. Its .def files go to both links.
#
# The symbol table holds addresses of the final image, which exist only once it is linked.
# So the exe's objects are linked twice: a first time into "<exe>.stage1/" (same objects,
# libraries and flags), whose link map gives the addresses; the block is written from it,
# compiled into a resource object with the cross windres, and the exe proper is linked
# from the same objects plus that resource. The linker puts .rsrc after the code and data
# sections, so adding it moves no code: the addresses of the first link are those of the
# second (tests/exceptions compares the final exe's block with its own map).
#
# The build fails, with the tool's "file:line: Option: message", on a bad options file.

find_package(Python3 REQUIRED COMPONENTS Interpreter)
if(WIN32)
  find_program(ZV_WINDRES NAMES ${ZV_TRIPLE}-windres REQUIRED)
endif()
set(ZV_DATA_BLOCK_TOOL ${CMAKE_SOURCE_DIR}/tools/eldata/data_block.py)
set(ZV_DATA_BLOCK_TOOL_DEPENDS
  ${ZV_DATA_BLOCK_TOOL}
  ${CMAKE_SOURCE_DIR}/tools/eldata/options_stream.py
  ${CMAKE_SOURCE_DIR}/tools/eldata/options_file.py
  ${CMAKE_SOURCE_DIR}/tools/eldata/block_cipher.py
)
set(ZV_DEBUG_DATA_TOOL ${CMAKE_SOURCE_DIR}/tools/eldata/debug_data.py)
set(ZV_DEBUG_DATA_TOOL_DEPENDS
  ${ZV_DEBUG_DATA_TOOL}
  ${CMAKE_SOURCE_DIR}/tools/eldata/debug_dwarf.py
  ${CMAKE_SOURCE_DIR}/tools/eldata/block_cipher.py
)
# The DWARF readers are Debian's Python packages (python3-pefile, python3-pyelftools).
find_program(ZV_DEBIAN_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)

function(zv_exception_data)
  cmake_parse_arguments(D "NO_DEBUG_DATA" "TARGET;OPTIONS;PASSWORD;DEBUG_DATA" "" ${ARGN})
  if(NOT D_TARGET OR NOT TARGET ${D_TARGET} OR NOT D_OPTIONS)
    message(FATAL_ERROR "zv_exception_data: TARGET <existing exe or dll> and OPTIONS <file> are required")
  endif()
  if(NOT WIN32)
    message(FATAL_ERROR "zv_exception_data: only Windows modules carry the data block")
  endif()
  set(exe ${D_TARGET})
  get_filename_component(options ${D_OPTIONS} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})

  get_target_property(type ${exe} TYPE)
  if(NOT type STREQUAL "EXECUTABLE" AND NOT type STREQUAL "SHARED_LIBRARY")
    message(FATAL_ERROR "zv_exception_data: ${exe} is neither an exe nor a SHARED library")
  endif()

  # The module's sources become an object library that both links share; module-definition
  # files are no objects and are given to each link.
  get_target_property(sources ${exe} SOURCES)
  set(def_files ${sources})
  list(FILTER def_files INCLUDE REGEX "\\.def$")
  list(FILTER sources EXCLUDE REGEX "\\.def$")
  add_library(${exe}_objects OBJECT ${sources})
  foreach(property COMPILE_OPTIONS COMPILE_DEFINITIONS INCLUDE_DIRECTORIES COMPILE_FEATURES)
    get_target_property(value ${exe} ${property})
    if(value)
      set_property(TARGET ${exe}_objects PROPERTY ${property} "${value}")
    endif()
  endforeach()
  get_target_property(libraries ${exe} LINK_LIBRARIES)
  if(NOT libraries)
    set(libraries)
  endif()
  target_link_libraries(${exe}_objects PRIVATE ${libraries})
  set_property(TARGET ${exe} PROPERTY SOURCES $<TARGET_OBJECTS:${exe}_objects> ${def_files})

  # The first link: the same name in a folder of its own, with its own map, so that
  # nothing but the resource tells the two images apart.
  set(stage_dir ${CMAKE_CURRENT_BINARY_DIR}/${exe}.stage1)
  set(stage_map ${stage_dir}/${exe}.map)
  if(type STREQUAL "SHARED_LIBRARY")
    add_library(${exe}_stage1 SHARED $<TARGET_OBJECTS:${exe}_objects> ${def_files})
    # The same file name, and the import library kept in the folder as well.
    get_target_property(prefix ${exe} PREFIX)
    if(NOT prefix STREQUAL "prefix-NOTFOUND")
      set_target_properties(${exe}_stage1 PROPERTIES PREFIX "${prefix}")
    endif()
    set_target_properties(${exe}_stage1 PROPERTIES ARCHIVE_OUTPUT_DIRECTORY ${stage_dir})
  else()
    add_executable(${exe}_stage1 $<TARGET_OBJECTS:${exe}_objects>)
  endif()
  target_link_libraries(${exe}_stage1 PRIVATE ${libraries})
  get_target_property(link_options ${exe} LINK_OPTIONS)
  if(link_options)
    list(FILTER link_options EXCLUDE REGEX "-Map=")
    target_link_options(${exe}_stage1 PRIVATE ${link_options})
  endif()
  target_link_options(${exe}_stage1 PRIVATE "LINKER:-Map=${stage_map}")
  set_target_properties(${exe}_stage1 PROPERTIES
    OUTPUT_NAME ${exe} RUNTIME_OUTPUT_DIRECTORY ${stage_dir})

  set(data_dir ${CMAKE_CURRENT_BINARY_DIR}/${exe}.eldata)
  set(block ${data_dir}/ELDATA.bin)
  set(script ${data_dir}/ELDATA.rc)
  set(resource ${data_dir}/ELDATA.res.o)
  set(password_args)
  if(DEFINED D_PASSWORD)
    set(password_args --password "${D_PASSWORD}")
  endif()
  set(debug_args)
  set(debug_depends)
  set(debug_commands)
  set(debug_outputs)
  if(D_DEBUG_DATA)
    get_filename_component(debug_data ${D_DEBUG_DATA} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    set(debug_args --debug-data ${debug_data})
    set(debug_depends ${debug_data})
  elseif(NOT D_NO_DEBUG_DATA)
    # From the first link's DWARF: its code lies at the final image's addresses. The side
    # files are copied beside the module once it is linked.
    set(debug_data ${data_dir}/debug.data)
    set(debug_outputs ${debug_data} ${data_dir}/debug.json ${data_dir}/debug-expected.tsv
        ${data_dir}/debug-edges.tsv)
    set(debug_args --debug-data ${debug_data})
    set(debug_depends ${ZV_DEBUG_DATA_TOOL_DEPENDS})
    set(debug_commands
      COMMAND ${ZV_DEBIAN_PYTHON3} ${ZV_DEBUG_DATA_TOOL} $<TARGET_FILE:${exe}_stage1> ${debug_data}
              --root ${CMAKE_SOURCE_DIR} ${password_args}
              --description ${data_dir}/debug.json --expected ${data_dir}/debug-expected.tsv
              --edges ${data_dir}/debug-edges.tsv)
    add_custom_command(TARGET ${exe} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy ${data_dir}/debug.json $<TARGET_FILE:${exe}>.debug.json
      COMMAND ${CMAKE_COMMAND} -E copy ${data_dir}/debug-expected.tsv $<TARGET_FILE:${exe}>.debug-expected.tsv
      COMMAND ${CMAKE_COMMAND} -E copy ${data_dir}/debug-edges.tsv $<TARGET_FILE:${exe}>.debug-edges.tsv
      VERBATIM)
  endif()
  add_custom_command(
    OUTPUT ${block} ${script} ${resource} ${debug_outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${data_dir}
    ${debug_commands}
    COMMAND ${Python3_EXECUTABLE} ${ZV_DATA_BLOCK_TOOL} --options ${options} ${password_args} ${debug_args}
            --map ${stage_map} --rc ${script} ${block}
    COMMAND ${ZV_WINDRES} --input-format=rc --output-format=coff -i ${script} -o ${resource}
    DEPENDS ${exe}_stage1 ${options} ${debug_depends} ${ZV_DATA_BLOCK_TOOL_DEPENDS}
    COMMENT "Writing the exception data block of ${exe}"
    VERBATIM)
  set_source_files_properties(${resource} PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)
  target_sources(${exe} PRIVATE ${resource})
endfunction()
