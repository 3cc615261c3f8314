// The process's environment for the text expansion of option values.
#include <windows.h>

#include "exceptions/EcoreHelpers.h"

std::string GetEnvVariable(const std::string& name)
{
    // Most values fit the first buffer; a longer one is read again with the size the
    // call asked for, and once more should it grow meanwhile (another thread may set it).
    std::string buffer(1024, '\0');
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetEnvironmentVariableA(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};  // not set (ERROR_ENVVAR_NOT_FOUND), or set to ""
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.assign(length, '\0');  // length counts the terminating zero here
    }
}
