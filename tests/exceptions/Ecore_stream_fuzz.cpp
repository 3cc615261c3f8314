// libFuzzer target for the options stream reader: any input either loads or raises
// EReadError, never reads past its end or allocates beyond its size; whatever was loaded
// (in full or in part) is written back and must load again to the same options.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "exceptions/Ecore.h"
#include "framework/exceptions.h"
#include "framework/streams.h"

namespace {

std::string Saved(TVantrelModuleOptions& options)
{
    TMemoryStream stream;
    options.SaveToStream(stream);
    return std::string(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TMemoryStream input;
    input.WriteBuffer(data, static_cast<int>(size));
    input.SetPosition(0);
    TVantrelModuleOptions options("");
    try {
        options.LoadFromStream(input);
    } catch (const EReadError&) {
        // Refused; the object must still be whole, which the rest checks.
    }

    const std::string written = Saved(options);
    TMemoryStream copy;
    copy.WriteBuffer(written.data(), static_cast<int>(written.size()));
    copy.SetPosition(0);
    TVantrelModuleOptions again("");
    again.LoadFromStream(copy);
    if (Saved(again) != written) std::abort();
    return 0;
}
