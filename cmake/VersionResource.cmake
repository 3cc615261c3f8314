# A version resource for a Windows module.
#
# zv_version_resource(TARGET <exe or dll> DESCRIPTION <text> VERSION <a.b.c.d>)
#   Gives <target> a VERSIONINFO resource: the fixed file and product version a.b.c.d,
#   and one string table (US English, Windows Latin-1, the first and only translation)
#   with FileDescription, FileVersion, ProductName ("Zorvan Menu Utility"),
#   ProductVersion and OriginalFilename. Reports and process lists read the description
#   and version from it. Call it before zv_exception_data, which takes the sources over.

function(zv_version_resource)
  cmake_parse_arguments(V "" "TARGET;DESCRIPTION;VERSION" "" ${ARGN})
  if(NOT V_TARGET OR NOT TARGET ${V_TARGET} OR NOT V_DESCRIPTION OR NOT V_VERSION)
    message(FATAL_ERROR "zv_version_resource: TARGET <module>, DESCRIPTION and VERSION are required")
  endif()
  if(NOT V_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "zv_version_resource: VERSION must be four numbers a.b.c.d, not '${V_VERSION}'")
  endif()
  foreach(part 1 2 3 4)
    if(CMAKE_MATCH_${part} GREATER 65535)
      message(FATAL_ERROR "zv_version_resource: each part of VERSION is at most 65535")
    endif()
  endforeach()
  set(commas "${CMAKE_MATCH_1},${CMAKE_MATCH_2},${CMAKE_MATCH_3},${CMAKE_MATCH_4}")
  get_target_property(type ${V_TARGET} TYPE)
  if(type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY")
    set(file_type "0x2L") # VFT_DLL
    set(suffix ".dll")
  else()
    set(file_type "0x1L") # VFT_APP
    set(suffix ".exe")
  endif()
  # A double quote inside a resource-script string is written twice.
  string(REPLACE "\"" "\"\"" description "${V_DESCRIPTION}")
  get_target_property(output_name ${V_TARGET} OUTPUT_NAME)
  if(NOT output_name)
    set(output_name ${V_TARGET})
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${V_TARGET}.version.rc)
  file(CONFIGURE OUTPUT ${rc} CONTENT [==[
// Written by cmake/VersionResource.cmake.
1 VERSIONINFO
FILEVERSION @commas@
PRODUCTVERSION @commas@
FILEFLAGSMASK 0x3FL
FILEFLAGS 0x0L
FILEOS 0x40004L
FILETYPE @file_type@
FILESUBTYPE 0x0L
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904E4"
    BEGIN
      VALUE "FileDescription", "@description@"
      VALUE "FileVersion", "@V_VERSION@"
      VALUE "ProductName", "Zorvan Menu Utility"
      VALUE "ProductVersion", "@V_VERSION@"
      VALUE "OriginalFilename", "@output_name@@suffix@"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x0409, 1252
  END
END
]==] @ONLY)
  target_sources(${V_TARGET} PRIVATE ${rc})
endfunction()
