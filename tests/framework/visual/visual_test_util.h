// Helpers shared by the visual framework tests: pumping the GUI thread's messages.
#pragma once

#include <windows.h>

#include <functional>

#include "framework/application.h"
#include "tests/support/gui_pump.h"

namespace zv::test {

} // namespace zv::test
