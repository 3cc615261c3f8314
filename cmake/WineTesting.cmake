# Every Windows test exe runs under Wine through tools/wine-run, which gives it the
# prefix of this architecture, a display, and the serial ports it asks for.

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(ZV_ARCH win32)
else()
  set(ZV_ARCH win64)
endif()
set(ZV_HOST_TOOLS_DIR ${CMAKE_SOURCE_DIR}/build/host CACHE PATH "Build tree of the host-side tools")

set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_SOURCE_DIR}/tools/wine-run --arch ${ZV_ARCH} --build-dir ${CMAKE_BINARY_DIR}
    --host-tools ${ZV_HOST_TOOLS_DIR})

# zv_wine_test(<name> SOURCES ... [LIBS ...] [SERIAL_PORTS COM1 ...] [DESKTOP] [TIMEOUT s])
#   A GoogleTest exe run as one ctest test. SERIAL_PORTS: each port is mapped to a
#   pseudo-terminal whose Linux side the test reaches through zv::test::SerialPeer.
#   DESKTOP: the test drives windows with input, so it runs alone on the display.
function(zv_wine_test name)
  cmake_parse_arguments(T "DESKTOP" "TIMEOUT" "SOURCES;LIBS;SERIAL_PORTS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} zv_testsupport GTest::gtest GTest::gmock)
  zv_executable(${name})
  add_test(NAME ${name} COMMAND ${name})
  set(locks)
  set(env "ZV_TEST_NAME=${name}")
  if(T_SERIAL_PORTS)
    string(REPLACE ";" "," ports "${T_SERIAL_PORTS}")
    list(APPEND env "ZV_SERIAL_PORTS=${ports}")
    # One prefix per architecture: its COM ports are shared by every test of it.
    list(APPEND locks serial)
  endif()
  if(T_DESKTOP)
    list(APPEND locks desktop)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${env}")
  if(locks)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${locks}")
  endif()
endfunction()
