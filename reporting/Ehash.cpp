#include "reporting/Ehash.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// The MSB-first table of the polynomial 0x1021 (entry 1 is 0x1021), fixed at compile time.
constexpr std::array<std::uint16_t, 256> MakeCRC16Table()
{
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned value = i << 8;
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 0x8000) ? (value << 1) ^ 0x1021 : value << 1;
        table[i] = static_cast<std::uint16_t>(value);
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> CRC16Table = MakeCRC16Table();
static_assert(CRC16Table[1] == 0x1021);

// floor(abs(sin(i + 1)) * 2^32), as RFC 1321 lists them.
constexpr std::uint32_t MD5Sines[64] = {
    0xD76AA478, 0xE8C7B756, 0x242070DB, 0xC1BDCEEE,
    0xF57C0FAF, 0x4787C62A, 0xA8304613, 0xFD469501,
    0x698098D8, 0x8B44F7AF, 0xFFFF5BB1, 0x895CD7BE,
    0x6B901122, 0xFD987193, 0xA679438E, 0x49B40821,
    0xF61E2562, 0xC040B340, 0x265E5A51, 0xE9B6C7AA,
    0xD62F105D, 0x02441453, 0xD8A1E681, 0xE7D3FBC8,
    0x21E1CDE6, 0xC33707D6, 0xF4D50D87, 0x455A14ED,
    0xA9E3E905, 0xFCEFA3F8, 0x676F02D9, 0x8D2A4C8A,
    0xFFFA3942, 0x8771F681, 0x6D9D6122, 0xFDE5380C,
    0xA4BEEA44, 0x4BDECFA9, 0xF6BB4B60, 0xBEBFBC70,
    0x289B7EC6, 0xEAA127FA, 0xD4EF3085, 0x04881D05,
    0xD9D4D039, 0xE6DB99E5, 0x1FA27CF8, 0xC4AC5665,
    0xF4292244, 0x432AFF97, 0xAB9423A7, 0xFC93A039,
    0x655B59C3, 0x8F0CCC92, 0xFFEFF47D, 0x85845DD1,
    0x6FA87E4F, 0xFE2CE6E0, 0xA3014314, 0x4E0811A1,
    0xF7537E82, 0xBD3AF235, 0x2AD7D2BB, 0xEB86D391,
};

// Left rotations of each round, four per round.
constexpr unsigned MD5Shifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

constexpr std::uint32_t RotateLeft(std::uint32_t x, unsigned n) { return (x << n) | (x >> (32 - n)); }

std::uint32_t LoadLittleEndian(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void MD5Block(std::uint32_t state[4], const std::uint8_t* block)
{
    std::uint32_t m[16];
    for (int i = 0; i < 16; ++i) m[i] = LoadLittleEndian(block + 4 * i);
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (unsigned i = 0; i < 64; ++i) {
        const unsigned round = i / 16;
        std::uint32_t f;
        unsigned word;
        switch (round) {
        case 0: f = (b & c) | (~b & d); word = i; break;
        case 1: f = (b & d) | (c & ~d); word = (5 * i + 1) % 16; break;
        case 2: f = b ^ c ^ d; word = (3 * i + 5) % 16; break;
        default: f = c ^ (b | ~d); word = (7 * i) % 16; break;
        }
        const std::uint32_t rotated = RotateLeft(a + f + MD5Sines[i] + m[word], MD5Shifts[round][i % 4]);
        a = d;
        d = c;
        c = b;
        b = b + rotated;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

} // namespace

std::uint16_t GetCRC16(const std::string& text)
{
    std::uint16_t value = 0;
    for (unsigned char c : text)
        value = static_cast<std::uint16_t>(CRC16Table[(c ^ (value >> 8)) & 0xFF] ^ ((value << 8) & 0xFFFF));
    return value;
}

std::uint32_t GetCRC32(const void* buffer, std::size_t length)
{
    if (!buffer) return 0;
    // zlib counts in uInt (32 bits even on 64-bit Windows); longer buffers go in pieces.
    const Bytef* bytes = static_cast<const Bytef*>(buffer);
    uLong crc = crc32(0L, Z_NULL, 0);
    while (length > 0) {
        const uInt piece = static_cast<uInt>(std::min<std::size_t>(length, UINT_MAX));
        crc = crc32(crc, bytes, piece);
        bytes += piece;
        length -= piece;
    }
    return static_cast<std::uint32_t>(crc);
}

void GetMD5(TMD5Digest& digest, const void* buffer, std::size_t length)
{
    std::uint32_t state[4] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};
    const std::uint8_t* bytes = static_cast<const std::uint8_t*>(buffer);
    const std::uint64_t bitCount = static_cast<std::uint64_t>(length) * 8;

    const std::size_t fullBlocks = length / 64;
    for (std::size_t i = 0; i < fullBlocks; ++i) MD5Block(state, bytes + 64 * i);

    // The rest, the 0x80 end mark, zeros and the bit count fill one or two more blocks.
    std::uint8_t tail[128] = {};
    const std::size_t rest = length % 64;
    if (rest > 0) std::memcpy(tail, bytes + 64 * fullBlocks, rest);
    tail[rest] = 0x80;
    const std::size_t tailLength = rest < 56 ? 64 : 128;
    for (int i = 0; i < 8; ++i) tail[tailLength - 8 + i] = static_cast<std::uint8_t>(bitCount >> (8 * i));
    for (std::size_t offset = 0; offset < tailLength; offset += 64) MD5Block(state, tail + offset);

    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<std::uint8_t>(state[i] >> (8 * j));
}
