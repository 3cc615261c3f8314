// Guarded execution of the library's own steps (start-up, shutdown): a failure either
// goes to the installed error-reporting callback or comes back as one exception that
// names the step. Portable.
#include <atomic>

#include "exceptions/EcoreHelpers.h"
#include "framework/format.h"
#include "framework/strutils.h"

namespace {

std::atomic<TSafeExecErrorCallback> SafeExecErrorCallback{nullptr};

} // namespace

TSafeExecErrorCallback SetSafeExecErrorCallback(TSafeExecErrorCallback callback) noexcept
{
    return SafeExecErrorCallback.exchange(callback);
}

std::string CodeAddressText(std::uintptr_t address)
{
    return IntToHex(static_cast<long long>(address), static_cast<int>(sizeof(std::uintptr_t) * 2));
}

void SafeExec(void (*proc)(), const std::string& name)
{
    std::string message;
    try {
        proc();
        return;
    } catch (const EIgnoreException&) {
        throw;
    } catch (const Exception& failure) {
        message = failure.Message();
    } catch (...) {
        message = "General internal error.";
    }
    // Outside the handlers: the callback and the new exception must not run while the
    // failure is still being handled (a callback may itself use exceptions).
    if (const TSafeExecErrorCallback callback = SafeExecErrorCallback.load()) {
        const auto address = reinterpret_cast<std::uintptr_t>(proc);
        callback(Format("%s (Address: %s)", {name, CodeAddressText(address)}));
        throw EAbort();
    }
    throw Exception(Format("Critical error at: \"%s\"\r\nError: \"%s\".", {name, message}));
}
