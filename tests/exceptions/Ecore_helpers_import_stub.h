#pragma once

// The import library's stub of kernel32's GetTickCount linked into the test exe.
const void* GetTickCountStubAddress();
