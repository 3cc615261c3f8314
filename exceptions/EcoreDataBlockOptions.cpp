// A data block's options into an options object: the stream reader adapts to the block's
// data version, which it takes from LastVantrelVersion.
#include "exceptions/EcoreDataBlock.h"

#include "exceptions/Ecore.h"
#include "framework/streams.h"

static_assert(NewestDataBlockVersion == VantrelLogCurrentVersion);

namespace {

// Holds LastVantrelVersion at a block's version for one load, and restores it however the
// load ends.
class TLoadingVersion {
public:
    explicit TLoadingVersion(int version) noexcept : FSaved(LastVantrelVersion) { LastVantrelVersion = version; }
    ~TLoadingVersion() { LastVantrelVersion = FSaved; }
    TLoadingVersion(const TLoadingVersion&) = delete;
    TLoadingVersion& operator=(const TLoadingVersion&) = delete;

private:
    int FSaved;
};

} // namespace

bool LoadDataBlockOptions(const TModuleDataBlock& block, TVantrelModuleOptions& options) noexcept
{
    try {
        TMemoryStream stream;
        stream.WriteBuffer(block.Options.data(), static_cast<int>(block.Options.size()));
        stream.SetPosition(0);
        const TLoadingVersion loading(block.DataVersion);
        options.LoadFromStream(stream);
        return true;
    } catch (...) {
        return false;
    }
}
