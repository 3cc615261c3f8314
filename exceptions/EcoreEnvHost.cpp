// The host build's environment for the text expansion: the C library's, so that option
// texts expand there as well.
#include <cstdlib>

#include "exceptions/EcoreHelpers.h"

std::string GetEnvVariable(const std::string& name)
{
    const char* value = std::getenv(name.c_str());
    return value ? std::string(value) : std::string();
}
