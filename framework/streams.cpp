#include "streams.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "exceptions.h"

namespace {

// Read and Write take an int count, so whole-content transfers go in pieces of this size.
constexpr std::int64_t kMaxChunk = 1 << 30;

[[noreturn]] void RaiseOutOfMemory()
{
    throw EStreamError("Out of memory while expanding memory stream");
}

} // namespace

// ---- TStream ----

std::int64_t TStream::Size()
{
    std::int64_t position = Seek(0, soCurrent);
    std::int64_t size = Seek(0, soEnd);
    Seek(position, soBeginning);
    return size;
}

void TStream::SetSize(std::int64_t)
{
}

void TStream::ReadBuffer(void* buffer, int count)
{
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int count)
{
    if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count)
{
    if (count < 0) return 0;
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    constexpr int kBufferSize = 0xF000;
    std::vector<char> buffer(static_cast<size_t>(std::min<std::int64_t>(count, kBufferSize)));
    std::int64_t left = count;
    while (left > 0) {
        int n = static_cast<int>(std::min<std::int64_t>(left, kBufferSize));
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

// ---- TMemoryStream ----

TMemoryStream::~TMemoryStream()
{
    std::free(FMemory);
}

void TMemoryStream::Clear() noexcept
{
    std::free(FMemory);
    FMemory = nullptr;
    FSize = FCapacity = FPosition = 0;
}

// Grows the block geometrically so a run of small writes costs amortised constant time.
void TMemoryStream::Reserve(std::int64_t capacity)
{
    if (capacity <= FCapacity) return;
    std::int64_t grown = std::max<std::int64_t>({capacity, FCapacity + FCapacity / 2, 256});
    if (static_cast<std::uint64_t>(grown) > SIZE_MAX) grown = capacity;
    if (static_cast<std::uint64_t>(capacity) > SIZE_MAX) RaiseOutOfMemory();
    void* memory = std::realloc(FMemory, static_cast<size_t>(grown));
    if (!memory) RaiseOutOfMemory();
    FMemory = static_cast<char*>(memory);
    FCapacity = grown;
}

void TMemoryStream::SetSize(std::int64_t size)
{
    size = std::max<std::int64_t>(size, 0);
    Reserve(size);
    if (size > FSize) std::memset(FMemory + FSize, 0, static_cast<size_t>(size - FSize));
    FSize = size;
    if (FPosition > FSize) FPosition = FSize;
}

int TMemoryStream::Read(void* buffer, int count)
{
    if (FPosition < 0 || count <= 0 || FPosition >= FSize) return 0;
    int n = static_cast<int>(std::min<std::int64_t>(FSize - FPosition, count));
    std::memcpy(buffer, FMemory + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int TMemoryStream::Write(const void* buffer, int count)
{
    if (FPosition < 0 || count <= 0) return 0;
    std::int64_t end = FPosition + count;
    if (end > FSize) {
        Reserve(end);
        if (FPosition > FSize) std::memset(FMemory + FSize, 0, static_cast<size_t>(FPosition - FSize));
        FSize = end;
    }
    std::memcpy(FMemory + FPosition, buffer, static_cast<size_t>(count));
    FPosition = end;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    switch (origin) {
    case soBeginning: FPosition = offset; break;
    case soCurrent: FPosition += offset; break;
    case soEnd: FPosition = FSize + offset; break;
    }
    return FPosition;
}

void TMemoryStream::LoadFromStream(TStream& stream)
{
    stream.SetPosition(0);
    std::int64_t size = stream.Size();
    SetSize(size);
    for (std::int64_t done = 0; done < size;) {
        int n = static_cast<int>(std::min(size - done, kMaxChunk));
        stream.ReadBuffer(FMemory + done, n);
        done += n;
    }
    FPosition = 0;
}

void TMemoryStream::SaveToStream(TStream& stream)
{
    for (std::int64_t done = 0; done < FSize;) {
        int n = static_cast<int>(std::min(FSize - done, kMaxChunk));
        stream.WriteBuffer(FMemory + done, n);
        done += n;
    }
}
