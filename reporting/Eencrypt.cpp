#include "reporting/Eencrypt.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "reporting/Ehash.h"

namespace {

using TBlock = std::array<std::uint8_t, 8>;

constexpr std::uint32_t Delta = 0x9E3779B9;
constexpr int Cycles = 32;

// The current key. Only the exception-handling path touches it, one exception at a time,
// so it needs no lock (see the header).
std::uint32_t Key[4] = {0, 0, 0, 0};

std::uint32_t LoadBigEndian(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

void StoreBigEndian(std::uint32_t value, std::uint8_t* p)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

// The halves' mixing adds (R xor k0) where TEA would XOR it in; data protected with this
// cipher only decrypts with exactly this round function.
std::uint32_t MixLeft(std::uint32_t r, std::uint32_t sum) { return (r << 4) + (r ^ Key[0]) + ((r >> 5) ^ sum) + Key[1]; }
std::uint32_t MixRight(std::uint32_t l, std::uint32_t sum) { return (l << 4) + (l ^ Key[2]) + ((l >> 5) ^ sum) + Key[3]; }

TBlock Encipher(const TBlock& block)
{
    std::uint32_t l = LoadBigEndian(block.data()), r = LoadBigEndian(block.data() + 4);
    std::uint32_t sum = 0;
    for (int i = 0; i < Cycles; ++i) {
        sum += Delta;
        l += MixLeft(r, sum);
        r += MixRight(l, sum);
    }
    TBlock out;
    StoreBigEndian(l, out.data());
    StoreBigEndian(r, out.data() + 4);
    return out;
}

TBlock Decipher(const TBlock& block)
{
    std::uint32_t l = LoadBigEndian(block.data()), r = LoadBigEndian(block.data() + 4);
    std::uint32_t sum = Delta * Cycles; // 0xC6EF3720 modulo 2^32
    for (int i = 0; i < Cycles; ++i) {
        r -= MixRight(l, sum);
        l -= MixLeft(r, sum);
        sum -= Delta;
    }
    TBlock out;
    StoreBigEndian(l, out.data());
    StoreBigEndian(r, out.data() + 4);
    return out;
}

TBlock InitialChain()
{
    TBlock chain;
    chain.fill(0xFF);
    return chain;
}

// The tail of 1 to 7 bytes after the last full block, XORed with the enciphered chaining
// block. Both directions do the same thing, which is why a tail costs no padding.
void FeedbackTail(const TBlock& chain, const std::uint8_t* in, std::uint8_t* out, std::size_t length)
{
    const TBlock stream = Encipher(chain);
    for (std::size_t i = 0; i < length; ++i) out[i] = in[i] ^ stream[i];
}

} // namespace

static_assert(Delta * Cycles == 0xC6EF3720);

void InitKey(const std::string& password)
{
    TMD5Digest digest;
    GetMD5(digest, password.data(), password.size());
    for (int i = 0; i < 4; ++i) Key[i] = LoadBigEndian(digest.data() + 4 * i);
}

// The chaining block lives on the stack of each call: it starts over at eight 0xFF bytes
// every time anyway, and a local copy keeps a call independent of any other.
void Encrypt(const void* source, void* destination, std::size_t length)
{
    const std::uint8_t* in = static_cast<const std::uint8_t*>(source);
    std::uint8_t* out = static_cast<std::uint8_t*>(destination);
    TBlock chain = InitialChain();
    for (; length >= 8; length -= 8, in += 8, out += 8) {
        TBlock block;
        for (int i = 0; i < 8; ++i) block[i] = in[i] ^ chain[i];
        chain = Encipher(block);
        std::memcpy(out, chain.data(), 8);
    }
    if (length > 0) FeedbackTail(chain, in, out, length);
}

void Decrypt(const void* source, void* destination, std::size_t length)
{
    const std::uint8_t* in = static_cast<const std::uint8_t*>(source);
    std::uint8_t* out = static_cast<std::uint8_t*>(destination);
    TBlock chain = InitialChain();
    for (; length >= 8; length -= 8, in += 8, out += 8) {
        // Copied first: in place, writing the plain text overwrites the next chaining block.
        TBlock cipher;
        std::memcpy(cipher.data(), in, 8);
        const TBlock plain = Decipher(cipher);
        for (int i = 0; i < 8; ++i) out[i] = plain[i] ^ chain[i];
        chain = cipher;
    }
    if (length > 0) FeedbackTail(chain, in, out, length);
}
