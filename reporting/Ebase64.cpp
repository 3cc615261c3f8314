#include "reporting/Ebase64.h"

#include <array>
#include <cstdint>

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char Fill = '=';

// Every character outside the alphabet, "=" included, maps to 0xFF; the decoder uses those
// bits as they are rather than rejecting the text.
constexpr std::array<std::uint8_t, 256> MakeDecodingTable()
{
    std::array<std::uint8_t, 256> table{};
    table.fill(0xFF);
    for (std::uint8_t i = 0; i < 64; ++i) table[static_cast<unsigned char>(Alphabet[i])] = i;
    return table;
}

constexpr std::array<std::uint8_t, 256> DecodingTable = MakeDecodingTable();

std::uint8_t Sextet(char c) { return DecodingTable[static_cast<unsigned char>(c)]; }

} // namespace

std::size_t CalcEncodedSize(std::size_t length)
{
    return (length + 2) / 3 * 4;
}

std::size_t CalcDecodedSize(const char* text, std::size_t length)
{
    if (length == 0 || length % 4 != 0) return 0;
    std::size_t size = length / 4 * 3;
    if (text[length - 2] == Fill)
        size -= 2;
    else if (text[length - 1] == Fill)
        size -= 1;
    return size;
}

void Base64Encode(const void* source, std::size_t length, char* destination)
{
    const std::uint8_t* in = static_cast<const std::uint8_t*>(source);
    for (; length >= 3; length -= 3, in += 3) {
        const std::uint32_t group = std::uint32_t(in[0]) << 16 | std::uint32_t(in[1]) << 8 | in[2];
        *destination++ = Alphabet[(group >> 18) & 0x3F];
        *destination++ = Alphabet[(group >> 12) & 0x3F];
        *destination++ = Alphabet[(group >> 6) & 0x3F];
        *destination++ = Alphabet[group & 0x3F];
    }
    if (length == 0) return;
    const std::uint32_t group = std::uint32_t(in[0]) << 16 | (length == 2 ? std::uint32_t(in[1]) << 8 : 0);
    *destination++ = Alphabet[(group >> 18) & 0x3F];
    *destination++ = Alphabet[(group >> 12) & 0x3F];
    *destination++ = length == 2 ? Alphabet[(group >> 6) & 0x3F] : Fill;
    *destination = Fill;
}

std::size_t Base64Decode(const char* source, std::size_t length, void* destination)
{
    const std::size_t size = CalcDecodedSize(source, length);
    std::uint8_t* out = static_cast<std::uint8_t*>(destination);
    std::size_t written = 0;
    // The byte count comes from CalcDecodedSize, so a "=" placed where it does not end
    // the data (first or second place, or any earlier group) decodes as all-ones bits and
    // can never make the decoder write more than the caller made room for.
    for (std::size_t i = 0; i < length && written < size; i += 4) {
        const std::uint8_t a = Sextet(source[i]), b = Sextet(source[i + 1]);
        const std::uint8_t c = Sextet(source[i + 2]), d = Sextet(source[i + 3]);
        out[written++] = static_cast<std::uint8_t>(a << 2 | b >> 4);
        if (written < size) out[written++] = static_cast<std::uint8_t>(b << 4 | c >> 2);
        if (written < size) out[written++] = static_cast<std::uint8_t>(c << 6 | d);
    }
    return written;
}

std::string Base64EncodeToString(const void* buffer, std::size_t length)
{
    std::string text(CalcEncodedSize(length), '\0');
    Base64Encode(buffer, length, text.data());
    return text;
}

std::string Base64EncodeString(const std::string& text)
{
    return Base64EncodeToString(text.data(), text.size());
}

std::string Base64DecodeString(const std::string& text)
{
    std::string bytes(CalcDecodedSize(text.data(), text.size()), '.');
    Base64Decode(text.data(), text.size(), bytes.data());
    return bytes;
}
