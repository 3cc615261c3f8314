// The failure report of the look-and-feel library's GDI calls; internal to the library.
#pragma once

// Raises EOSError "<api> failed." with the system text of the last error when there is
// one: GDI calls mostly leave the last error alone, so the code is not always set.
[[noreturn]] void cxRaiseGdiError(const char* api);
