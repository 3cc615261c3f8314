// The options' output and log file names: the portable rules of the helpers, applied to
// this object's OutputPath and log options, with the module's file for an empty name.
#include <windows.h>

#include "Ecore.h"
#include "EcoreHelpers.h"
#include "framework/sysutils.h"

namespace {

// The module's full file name when it is loaded, else the name the options were made with.
std::string ModuleFileOf(const TVantrelModuleOptions& options)
{
    if (options.ModuleHandle() != nullptr) {
        std::string path = GetModuleName(static_cast<HMODULE>(options.ModuleHandle()));
        if (!path.empty()) return path;
    }
    return options.ModuleName();
}

} // namespace

std::string TVantrelModuleOptions::OutputFile(const std::string& fileName) const
{
    return ::OutputFile(OutputPath(), fileName.empty() ? ModuleFileOf(*this) : fileName);
}

std::string TVantrelModuleOptions::OutputLogFile(const std::string& fileName) const
{
    const std::string computer =
        LogOptions().Contains(loAddComputerNameInLogFileName) ? LocalComputerName() : std::string();
    return OutputFile(LogFileNameFor(fileName.empty() ? ModuleFileOf(*this) : fileName, computer));
}
