// The Linux side of a COM port, for tests.
//
// A test declared with SERIAL_PORTS (see cmake/WineTesting.cmake) runs with each named
// port mapped to a pseudo-terminal; the runner bridges the pty's Linux end to a
// loopback TCP listener and names it in ZV_SERIAL_PEER_<PORT>. SerialPeer connects to
// it: what the program writes to the port arrives here, and what is written here
// arrives at the port.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace zv::test {

class SerialPeer {
public:
    // True when the runner mapped `port` ("COM1") for this test.
    static bool IsMapped(const std::string& port);

    // Connects to the Linux side of `port`, retrying for a few seconds while the bridge
    // comes up. Throws std::runtime_error when the port is not mapped or cannot be reached.
    static SerialPeer Connect(const std::string& port);

    SerialPeer(SerialPeer&& other) noexcept;
    SerialPeer& operator=(SerialPeer&&) = delete;
    SerialPeer(const SerialPeer&) = delete;
    ~SerialPeer();

    // Sends bytes towards the port. Throws std::runtime_error on a socket failure.
    void Write(std::string_view bytes);

    // Reads until `count` bytes have arrived or `timeoutMs` has passed since the call;
    // returns what arrived (possibly fewer bytes).
    std::string Read(size_t count, DWORD timeoutMs);

    // One received byte with its arrival time in milliseconds since the call.
    struct TimedByte {
        unsigned char Byte;
        double ArrivalMs;
    };
    // Like Read, but stamps every byte as it arrives.
    std::vector<TimedByte> ReadTimed(size_t count, DWORD timeoutMs);

    // Drops whatever has arrived so far.
    void Discard();

private:
    explicit SerialPeer(SOCKET socket) : FSocket(socket) {}
    // Waits up to timeoutMs for bytes and appends what one receive call gets to
    // FPending; returns false on timeout.
    bool ReceiveSome(DWORD timeoutMs);

    SOCKET FSocket = INVALID_SOCKET;
    std::string FPending;  // received, not yet handed out
};

} // namespace zv::test
