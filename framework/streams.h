// Streams: sequential and random access to bytes, and the stream in memory.
//
// Portable: the streams over files and handles are in filestreams.h.
// Positions and sizes are 64-bit; a single Read or Write moves at most INT_MAX bytes.
// A stream is used by one thread at a time.
#pragma once

#include <cstdint>
#include <string>

#include "object.h"

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
    RUNTIME_CLASS(TStream, TObject)
public:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    // Copies up to count bytes to buffer from the position on and advances the position;
    // returns the number copied, 0 at the end or when the source fails.
    virtual int Read(void* buffer, int count) = 0;
    // Copies count bytes from buffer at the position, growing the stream as needed, and
    // advances the position; returns the number written (fewer when the target fails).
    virtual int Write(const void* buffer, int count) = 0;
    // Moves the position to offset from origin; returns the new position, or -1 when the
    // stream cannot seek there.
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

    std::int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(std::int64_t position) { Seek(position, soBeginning); }
    // The default finds the end by seeking and comes back.
    virtual std::int64_t Size();
    // Truncates or extends the stream; the default does nothing. A position past the new
    // end moves back to it.
    virtual void SetSize(std::int64_t size);

    // Read and Write that move exactly count bytes or raise EReadError "Stream read error"
    // / EWriteError "Stream write error".
    void ReadBuffer(void* buffer, int count);
    void WriteBuffer(const void* buffer, int count);
    // Copies count bytes from source's position on into this stream; count 0 copies the
    // whole of source from its start. Returns the number copied. Raises EReadError when
    // source ends early, EWriteError when this stream takes fewer bytes.
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

// A stream in a growable block of memory that it owns.
class TMemoryStream : public TStream {
    RUNTIME_CLASS(TMemoryStream, TStream)
public:
    TMemoryStream() = default;
    ~TMemoryStream() override;

    // The stream's bytes, Size() of them; null while the stream has no storage. Valid
    // until the stream next grows, is cleared or goes.
    void* Memory() const noexcept { return FMemory; }

    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    // Any position may be set; reads past the end give nothing and a write past the end
    // fills the gap with zero bytes.
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return FSize; }
    // New bytes are zero. Raises EStreamError "Out of memory while expanding memory stream"
    // when the memory cannot be had.
    void SetSize(std::int64_t size) override;
    // Frees the storage; size and position become 0.
    void Clear() noexcept;

    // Replaces the content with the whole of stream (read from its start); position 0.
    void LoadFromStream(TStream& stream);
    // The two file operations are defined with the file streams (filestreams.cpp), so
    // only the Windows build has them.
    // Replaces the content with the file's; raises EFOpenError as TFileStream does.
    void LoadFromFile(const std::string& fileName);
    // Writes the whole content, whatever the position, at stream's position.
    void SaveToStream(TStream& stream);
    // Creates (or empties) the file and writes the content; raises EFCreateError.
    void SaveToFile(const std::string& fileName);

private:
    void Reserve(std::int64_t capacity);

    char* FMemory = nullptr;
    std::int64_t FSize = 0;
    std::int64_t FCapacity = 0;
    std::int64_t FPosition = 0;
};
