# Third-party libraries for the Windows builds, all from Debian packages:
# GoogleTest is built from its packaged sources with the cross compiler (GoogleTestSources.cmake);
# zlib comes prebuilt for mingw (libz-mingw-w64-dev).

include(GoogleTestSources)

find_package(ZLIB REQUIRED)

# minizip, the zip/unzip add-on of zlib: Debian builds it only for Linux, so its sources
# are taken from Debian's zlib source package (tools/prerequisites.sh fetches them) and
# built here with the cross compiler.
# The same name as in tools/prerequisites.sh, which fetches them there; the environment
# variable of that name moves both.
if(DEFINED ENV{ZV_MINIZIP_SOURCE})
  set(zv_minizip_default $ENV{ZV_MINIZIP_SOURCE})
else()
  set(zv_minizip_default /var/cache/zorvan-deps/minizip)
endif()
set(ZV_MINIZIP_SOURCE ${zv_minizip_default} CACHE PATH "minizip sources from Debian's zlib source package")
if(NOT EXISTS ${ZV_MINIZIP_SOURCE}/zip.c)
  message(FATAL_ERROR "minizip sources not found in ${ZV_MINIZIP_SOURCE}: run tools/prerequisites.sh")
endif()
add_library(minizip STATIC
  ${ZV_MINIZIP_SOURCE}/ioapi.c
  ${ZV_MINIZIP_SOURCE}/zip.c
  ${ZV_MINIZIP_SOURCE}/unzip.c
  ${ZV_MINIZIP_SOURCE}/iowin32.c
)
target_include_directories(minizip SYSTEM PUBLIC ${ZV_MINIZIP_SOURCE})
target_link_libraries(minizip PUBLIC ZLIB::ZLIB)
# Third-party code: built as it is, without our warning flags.
target_compile_options(minizip PRIVATE -w)
