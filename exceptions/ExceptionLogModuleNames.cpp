// The portable rules of the modules list: the NT-prefixed file names the loader may give,
// and the two facts of a module's headers that decide its kind.
#include <cstring>

#include "exceptions/ExceptionLogModules.h"

std::string StripNtPathPrefix(const std::string& fileName)
{
    const std::size_t question = fileName.find('?');
    if (question == std::string::npos) return fileName;
    const std::size_t colon = fileName.find(':', question + 1);
    // The drive letter stands one character before the colon; with none (a colon at the
    // very start cannot follow a "?") the name is left as it is rather than cut wrongly.
    if (colon == std::string::npos || colon == 0) return fileName;
    return fileName.substr(colon - 1);
}

namespace {

constexpr std::uint16_t DosSignature = 0x5A4D;     // "MZ"
constexpr std::uint32_t PeSignature = 0x00004550;  // "PE\0\0"
constexpr std::size_t DosNewHeaderOffset = 0x3C;   // e_lfanew
constexpr std::size_t CharacteristicsOffset = 22;  // in the NT headers: signature 4, Machine..SizeOfOptionalHeader 18
constexpr std::uint16_t FileDllCharacteristic = 0x2000; // IMAGE_FILE_DLL

template <class T>
T ReadAt(const unsigned char* bytes, std::size_t offset)
{
    T value;
    std::memcpy(&value, bytes + offset, sizeof value);
    return value;
}

} // namespace

TImageHeaderFacts ReadImageHeaderFacts(const void* headers, std::size_t size) noexcept
{
    const auto* bytes = static_cast<const unsigned char*>(headers);
    if (!bytes || size < DosNewHeaderOffset + 4) return {};
    if (ReadAt<std::uint16_t>(bytes, 0) != DosSignature) return {};
    const std::uint32_t ntOffset = ReadAt<std::uint32_t>(bytes, DosNewHeaderOffset);
    // Compared without adding to ntOffset first, so a forged offset cannot wrap around.
    if (ntOffset > size || size - ntOffset < CharacteristicsOffset + 2) return {};
    if (ReadAt<std::uint32_t>(bytes, ntOffset) != PeSignature) return {};
    const std::uint16_t characteristics = ReadAt<std::uint16_t>(bytes, ntOffset + CharacteristicsOffset);
    return {true, (characteristics & FileDllCharacteristic) != 0};
}
