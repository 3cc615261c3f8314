// libFuzzer target for the decoders of the reporting library: Base64 text and cipher text
// come from files and protected debug information that anyone may have altered.
// Built natively with clang, AddressSanitizer and UndefinedBehaviorSanitizer by the host
// tree (target reporting_fuzz); ctest runs it for a short, bounded time. A longer run:
//   build/host/tests/reporting/fuzz/reporting_fuzz/reporting_fuzz -max_total_time=600 <corpus directory>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "reporting/Ebase64.h"
#include "reporting/Eencrypt.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

// Decodes into a heap block of exactly the announced size, so that the sanitizer sees any
// byte written beyond it.
void FuzzBase64(const char* text, std::size_t length)
{
    const std::size_t size = CalcDecodedSize(text, length);
    Check(size <= length / 4 * 3);
    std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[size]);
    Check(Base64Decode(text, length, bytes.get()) == size);

    const std::string decoded = Base64DecodeString(std::string(text, length));
    Check(decoded.size() == size && std::memcmp(decoded.data(), bytes.get(), size) == 0);

    // The same bytes as data: encoding them and decoding the result gives them back.
    const std::string encoded = Base64EncodeToString(text, length);
    Check(encoded.size() == CalcEncodedSize(length));
    Check(Base64DecodeString(encoded) == std::string(text, length));
}

// The first byte, when there is one, says how much of the rest is the password.
void FuzzCipher(const std::uint8_t* data, std::size_t length)
{
    const std::size_t keyLength = length > 0 ? std::min<std::size_t>(data[0] % 32, length - 1) : 0;
    const std::size_t skip = length > 0 ? 1 + keyLength : 0;
    InitKey(std::string(reinterpret_cast<const char*>(data) + (skip > 0 ? 1 : 0), keyLength));
    const std::uint8_t* text = data + skip;
    const std::size_t textLength = length - skip;

    std::unique_ptr<std::uint8_t[]> plain(new std::uint8_t[textLength]);
    Decrypt(text, plain.get(), textLength);
    std::unique_ptr<std::uint8_t[]> again(new std::uint8_t[textLength]);
    Encrypt(plain.get(), again.get(), textLength);
    Check(std::memcmp(again.get(), text, textLength) == 0);

    // In place gives the same as out of place.
    Decrypt(again.get(), again.get(), textLength);
    Check(std::memcmp(again.get(), plain.get(), textLength) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzBase64(reinterpret_cast<const char*>(data), size);
    FuzzCipher(data, size);
    return 0;
}
