// Not a test: measures the component's queued write path on a COM port wired to the
// Linux side (tools/serial-benchmark runs it). For each line rate it writes a burst through
// the transmit queue and reports the throughput against the line rate, then the latency
// from WriteByte to the byte's arrival on the Linux side.
//
// A pseudo-terminal moves bytes as fast as they are written, whatever rate it is set to,
// so the throughput shows the component's own overhead, far above the line rate.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "framework/thread.h"
#include "serial/VaComm.h"
#include "tests/support/serial_peer.h"

namespace {

using zv::test::SerialPeer;

double NowMs()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void Pump(DWORD timeoutMs)
{
    if (WaitForSingleObject(SyncEvent(), timeoutMs) == WAIT_OBJECT_0) CheckSynchronize();
}

struct Rate {
    TVaBaudrate Setting;
    int Bps;
    int BurstBytes;
};

void Throughput(TVaComm& comm, SerialPeer& peer, const Rate& rate)
{
    std::string burst(static_cast<size_t>(rate.BurstBytes), '\0');
    for (size_t i = 0; i < burst.size(); ++i) burst[i] = static_cast<char>(i * 7);
    std::string received;
    double lastArrival = 0;
    std::atomic<bool> done{false};
    HANDLE running = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread reader([&] {
        SetEvent(running);
        received = peer.Read(burst.size(), 60'000);
        lastArrival = NowMs();
        done = true;
    });
    WaitForSingleObject(running, INFINITE);
    CloseHandle(running);

    const double start = NowMs();
    constexpr int kChunk = 256;
    for (size_t offset = 0; offset < burst.size(); offset += kChunk) {
        int count = static_cast<int>(std::min<size_t>(kChunk, burst.size() - offset));
        comm.WriteBuffer(burst.data() + offset, count);
    }
    const double queued = NowMs();
    while (!done) Pump(10);
    reader.join();

    const double elapsed = lastArrival - start;
    const double bytesPerSecond = received.size() * 1000.0 / std::max(elapsed, 0.001);
    const double lineRate = rate.Bps / 10.0;  // 8N1: ten bit times per byte
    std::printf("%6d baud: %d bytes queued in %.1f ms, all arrived after %.1f ms%s\n", rate.Bps, rate.BurstBytes,
                queued - start, elapsed, received == burst ? "" : " (DATA MISMATCH)");
    std::printf("             %.0f bytes/s = %.1f%% of the line rate (%.0f bytes/s)\n", bytesPerSecond,
                bytesPerSecond * 100.0 / lineRate, lineRate);
}

void Latency(TVaComm& comm, SerialPeer& peer, int bps)
{
    constexpr int kSamples = 50;
    std::vector<double> samples;
    // The burst's last transmit-empty report may still wait for the main thread; until it
    // has run, the write thread writes nothing.
    comm.Drain(1000);
    peer.Discard();
    for (int i = 0; i < kSamples; ++i) {
        const double start = NowMs();
        comm.WriteByte(static_cast<unsigned char>('0' + i % 10));
        std::string got = peer.Read(1, 2000);
        const double arrived = NowMs();
        if (got.size() == 1) samples.push_back(arrived - start);
        // The write thread waits for the main thread to take its transmit-empty report.
        comm.Drain(1000);
    }
    if (samples.empty()) {
        std::printf("%6d baud: no byte arrived\n", bps);
        return;
    }
    std::sort(samples.begin(), samples.end());
    std::printf("%6d baud: WriteByte to arrival over %zu bytes: min %.2f ms, median %.2f ms, max %.2f ms\n", bps,
                samples.size(), samples.front(), samples[samples.size() / 2], samples.back());
}

} // namespace

int main()
{
    try {
        SerialPeer peer = SerialPeer::Connect("COM1");
        const Rate rates[] = {{br9600, 9600, 4096}, {br115200, 115200, 65536}};
        for (const Rate& rate : rates) {
            TVaComm comm(nullptr);
            comm.SetDeviceName("COM1");
            comm.SetBaudrate(rate.Setting);
            comm.Open();
            PurgeComm(comm.Handle(), PURGE_RXCLEAR | PURGE_TXCLEAR);
            peer.Discard();
            Throughput(comm, peer, rate);
            Latency(comm, peer, rate.Bps);
            comm.Close();
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "serial_benchmark: %s\n", e.what());
        return 1;
    }
}
