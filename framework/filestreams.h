// Streams over handles and named files: the platform half of the streams.
#pragma once

#include <windows.h>

#include <string>

#include "handles.h"
#include "streams.h"

// A stream over a file, pipe or device handle that someone else owns and closes.
class THandleStream : public TStream {
    RUNTIME_CLASS(THandleStream, TStream)
public:
    explicit THandleStream(HANDLE handle) noexcept : FHandle(handle) {}

    HANDLE Handle() const noexcept { return FHandle; }

    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    // Raises EOSError when the system refuses to move the end of file.
    void SetSize(std::int64_t size) override;

protected:
    HANDLE FHandle;
};

// TFileStream modes: one of fmCreate, fmOpenRead, fmOpenWrite, fmOpenReadWrite, or-ed
// with one share flag. fmCreate creates the file or empties an existing one, opened for
// reading and writing. Without a share flag (fmShareCompat) the file is opened exclusively.
enum : unsigned {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareCompat = 0x0000,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyRead = 0x0030,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFF00,
};

// A stream over a named file; owns and closes its handle.
class TFileStream : public THandleStream {
    RUNTIME_CLASS(TFileStream, THandleStream)
public:
    // Raises EFCreateError "Cannot create file \"%s\". %s" (fmCreate) or EFOpenError
    // "Cannot open file \"%s\". %s" with fileName as given and the system's error text.
    TFileStream(const std::string& fileName, unsigned mode);
    ~TFileStream() override;

    const std::string& FileName() const noexcept { return FFileName; }

private:
    std::string FFileName;
    // The handle THandleStream works on; closed when the stream goes.
    TFileHandle FFile;
};
