#include "tests/support/serial_peer.h"

#include <ws2tcpip.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace zv::test {
namespace {

void StartWinsockOnce()
{
    static const int started = [] {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
        return 0;
    }();
    (void)started;
}

std::string PeerAddress(const std::string& port)
{
    const char* value = std::getenv(("ZV_SERIAL_PEER_" + port).c_str());
    return value ? value : "";
}

double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

bool SerialPeer::IsMapped(const std::string& port)
{
    return !PeerAddress(port).empty();
}

SerialPeer SerialPeer::Connect(const std::string& port)
{
    std::string address = PeerAddress(port);
    size_t colon = address.rfind(':');
    if (colon == std::string::npos)
        throw std::runtime_error(port + " is not mapped: declare it in the test's SERIAL_PORTS");
    StartWinsockOnce();

    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<u_short>(std::atoi(address.c_str() + colon + 1)));
    if (inet_pton(AF_INET, address.substr(0, colon).c_str(), &target.sin_addr) != 1)
        throw std::runtime_error("bad peer address " + address);

    // The bridge listens only once its pty exists; give it a moment.
    auto start = std::chrono::steady_clock::now();
    for (;;) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET) throw std::runtime_error("socket failed");
        if (connect(s, reinterpret_cast<sockaddr*>(&target), sizeof target) == 0) {
            BOOL noDelay = TRUE;
            setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
            return SerialPeer(s);
        }
        closesocket(s);
        if (MillisecondsSince(start) > 10'000) throw std::runtime_error("cannot reach the peer of " + port);
        Sleep(50);
    }
}

SerialPeer::SerialPeer(SerialPeer&& other) noexcept
    : FSocket(other.FSocket), FPending(std::move(other.FPending))
{
    other.FSocket = INVALID_SOCKET;
}

SerialPeer::~SerialPeer()
{
    if (FSocket != INVALID_SOCKET) closesocket(FSocket);
}

void SerialPeer::Write(std::string_view bytes)
{
    while (!bytes.empty()) {
        int sent = send(FSocket, bytes.data(), static_cast<int>(bytes.size()), 0);
        if (sent <= 0) throw std::runtime_error("send to the serial peer failed: " + std::to_string(WSAGetLastError()));
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
}

bool SerialPeer::ReceiveSome(DWORD timeoutMs)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(FSocket, &readable);
    timeval timeout{static_cast<long>(timeoutMs / 1000), static_cast<long>((timeoutMs % 1000) * 1000)};
    if (select(0, &readable, nullptr, nullptr, &timeout) <= 0) return false;
    char buffer[4096];
    int received = recv(FSocket, buffer, sizeof buffer, 0);
    if (received <= 0) throw std::runtime_error("the serial peer closed");
    FPending.append(buffer, static_cast<size_t>(received));
    return true;
}

std::string SerialPeer::Read(size_t count, DWORD timeoutMs)
{
    auto start = std::chrono::steady_clock::now();
    while (FPending.size() < count) {
        double left = timeoutMs - MillisecondsSince(start);
        if (left <= 0 || !ReceiveSome(static_cast<DWORD>(left))) break;
    }
    std::string out = FPending.substr(0, count);
    FPending.erase(0, out.size());
    return out;
}

std::vector<SerialPeer::TimedByte> SerialPeer::ReadTimed(size_t count, DWORD timeoutMs)
{
    std::vector<TimedByte> out;
    auto start = std::chrono::steady_clock::now();
    auto take = [&](double stamp) {
        while (!FPending.empty() && out.size() < count) {
            out.push_back({static_cast<unsigned char>(FPending.front()), stamp});
            FPending.erase(0, 1);
        }
    };
    take(0);
    while (out.size() < count) {
        double left = timeoutMs - MillisecondsSince(start);
        if (left <= 0 || !ReceiveSome(static_cast<DWORD>(left))) break;
        take(MillisecondsSince(start));
    }
    return out;
}

void SerialPeer::Discard()
{
    while (ReceiveSome(0)) {
    }
    FPending.clear();
}

} // namespace zv::test
