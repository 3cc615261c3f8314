// Throughput of the reporting library's encoders on this machine, in MB/s, beside zlib's
// CRC-32 (the yardstick) and the line rate of the network link a bug report travels over
// (mail attachments and HTTP uploads are Base64; the report text carries the CRC-16).
// Not a test: it prints figures and has no pass mark. Built natively by the host tree:
//   cmake --build build/host --target reporting_benchmark
//   build/host/tests/reporting/reporting_benchmark [line rate in Mbit/s, default 1000]
// Build type RelWithDebInfo (the host preset's) gives the figures that matter.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "reporting/Ebase64.h"
#include "reporting/Eencrypt.h"
#include "reporting/Ehash.h"
#include "tests/support/benchmark_timing.h"

namespace {

constexpr std::size_t BufferSize = 1 << 20;

volatile std::uint32_t Sink; // keeps the optimiser from dropping the work

// Bytes processed per second by one call of run.
double MegabytesPerSecond(const std::function<void()>& run)
{
    return BufferSize / SecondsPerRun(run) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    const double lineMbits = argc > 1 ? std::atof(argv[1]) : 1000.0;
    if (lineMbits <= 0) {
        std::fprintf(stderr, "usage: %s [line rate in Mbit/s]\n", argv[0]);
        return 2;
    }
    const double lineRate = lineMbits / 8; // MB/s

    std::vector<std::uint8_t> bytes(BufferSize);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
    const std::string text(bytes.begin(), bytes.end());
    const std::string encoded = Base64EncodeString(text);
    std::vector<char> encodeOut(CalcEncodedSize(BufferSize));
    std::vector<std::uint8_t> decodeOut(BufferSize), cipherOut(BufferSize);
    InitKey("benchmark");

    const struct {
        const char* name;
        std::function<void()> run;
    } rows[] = {
        {"CRC-32 (zlib)", [&] { Sink = GetCRC32(bytes.data(), bytes.size()); }},
        {"CRC-16", [&] { Sink = GetCRC16(text); }},
        {"MD5", [&] { TMD5Digest d; GetMD5(d, bytes.data(), bytes.size()); Sink = d[0]; }},
        {"Base64 encode", [&] { Base64Encode(bytes.data(), bytes.size(), encodeOut.data()); Sink = encodeOut[7]; }},
        // Counted in decoded bytes, like the others, so the columns compare.
        {"Base64 decode", [&] { Sink = static_cast<std::uint32_t>(Base64Decode(encoded.data(), encoded.size(), decodeOut.data())); }},
        {"Decrypt", [&] { Decrypt(bytes.data(), cipherOut.data(), bytes.size()); Sink = cipherOut[5]; }},
    };

    std::printf("%-16s %10s %12s %14s\n", "encoder", "MB/s", "x CRC-32", "x line rate");
    double yardstick = 0;
    for (const auto& row : rows) {
        const double rate = MegabytesPerSecond(row.run);
        if (yardstick == 0) yardstick = rate;
        std::printf("%-16s %10.1f %12.2f %14.1f\n", row.name, rate, rate / yardstick, rate / lineRate);
    }
    std::printf("line rate: %.0f Mbit/s = %.1f MB/s; %zu-byte buffers\n", lineMbits, lineRate, BufferSize);
    return 0;
}
