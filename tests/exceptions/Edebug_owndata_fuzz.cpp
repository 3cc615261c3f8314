// libFuzzer target for the own debug data lookup and the export name splitting: the data
// block's bytes and a module's export names come from the module's file, which may be
// damaged or forged; neither may crash, hang or read outside what it was given.
// Built natively with clang, AddressSanitizer and UndefinedBehaviorSanitizer by the host
// tree (target Edebug_owndata_fuzz), seeded with the data own_writer.py writes. The first
// 8 bytes of an input choose the data version, the password's validity and the address.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "exceptions/EdebugNames.h"
#include "exceptions/EdebugOwnData.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

const int Versions[] = {404, 420, 423, 500, 501, 502, 6015};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 8) return 0;
    TOwnDebugDataKey key;
    key.DataVersion = Versions[data[0] % (sizeof Versions / sizeof Versions[0])];
    key.PasswordValid = (data[1] & 1) != 0;
    key.Password = "Own pass";
    std::uint32_t address = 0;
    std::memcpy(&address, data + 4, 4);
    // Most inputs are seeds: aim at the code they describe.
    if (data[2] & 1) address = 0x1000 + (address % 0x2000);

    // A heap block of exactly the data's size, so that the sanitizer sees any read past it.
    const std::size_t length = size - 8;
    std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[length ? length : 1]);
    if (length) std::memcpy(bytes.get(), data + 8, length);
    const TOwnDebugCodeReader readCode = [&](std::uint32_t at, void* buffer, std::size_t count) {
        if (at >= length || count > length - at) return false;
        std::memcpy(buffer, bytes.get() + at, count);
        return true;
    };
    const TOwnDebugLocation location = FindOwnDebugLocation(length ? bytes.get() : nullptr, length, key, address, readCode);
    Check(location.Found || (location.UnitName.empty() && location.ProcedureName.empty() && location.Line == 0));
    Check(location.ProcedureLine >= 0);
    // Every text is built from bytes of the data: a part of n bytes behind its length byte
    // reads, without a valid password, as "?", the Base64 form of 4 characters per 3 bytes
    // begun, and the "." before the next part; one byte parts make 6 of 2.
    Check(location.UnitName.size() <= 3 * length + 8);

    const TExportNameParts parts = SplitExportName(std::string(reinterpret_cast<const char*>(data + 8), length));
    Check(parts.Detail <= ddUnitAndProcedure);
    return 0;
}
