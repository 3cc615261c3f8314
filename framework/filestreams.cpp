#include "filestreams.h"

#include <algorithm>
#include <string>

#include "exceptions.h"
#include "format.h"
#include "stringlist.h"
#include "sysutils.h"

// ---- THandleStream ----

int THandleStream::Read(void* buffer, int count)
{
    if (count <= 0) return 0;
    DWORD read = 0;
    if (!ReadFile(FHandle, buffer, static_cast<DWORD>(count), &read, nullptr)) {
        // The short count is the report (the end of a pipe arrives this way too);
        // ReadBuffer turns it into EReadError.
        return static_cast<int>(read);
    }
    return static_cast<int>(read);
}

int THandleStream::Write(const void* buffer, int count)
{
    if (count <= 0) return 0;
    DWORD written = 0;
    if (!WriteFile(FHandle, buffer, static_cast<DWORD>(count), &written, nullptr)) {
        // As for Read: what moved before the failure is the answer; WriteBuffer raises.
        return static_cast<int>(written);
    }
    return static_cast<int>(written);
}

std::int64_t THandleStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    static const DWORD kMethods[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER result{};
    if (!SetFilePointerEx(FHandle, distance, &result, kMethods[origin])) return -1;
    return result.QuadPart;
}

void THandleStream::SetSize(std::int64_t size)
{
    std::int64_t position = Position();
    if (Seek(size, soBeginning) < 0) RaiseLastOSError();
    if (!SetEndOfFile(FHandle)) {
        DWORD error = GetLastError();
        Seek(position, soBeginning);
        RaiseLastOSError(error);
    }
    Seek(std::min(position, size), soBeginning);
}

// ---- TFileStream ----

namespace {

// The open mode's access and sharing, or false when the mode's bits name none.
bool TranslateMode(unsigned mode, DWORD& access, DWORD& share)
{
    static const DWORD kAccess[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    // Indexed by the share nibble: compatibility mode has no equivalent and is exclusive.
    static const DWORD kShare[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
    unsigned shareIndex = (mode & 0xF0) >> 4;
    if (shareIndex >= sizeof(kShare) / sizeof(kShare[0])) return false;
    share = kShare[shareIndex];
    if ((mode & fmCreate) == fmCreate) {
        access = GENERIC_READ | GENERIC_WRITE;
        return true;
    }
    if ((mode & 0x0F) > 2) return false;
    access = kAccess[mode & 0x0F];
    return true;
}

} // namespace

TFileStream::TFileStream(const std::string& fileName, unsigned mode)
    : THandleStream(INVALID_HANDLE_VALUE), FFileName(fileName)
{
    bool create = (mode & fmCreate) == fmCreate;
    DWORD access = 0, share = 0;
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_INVALID_PARAMETER;
    if (TranslateMode(mode, access, share)) {
        handle = CreateFileA(fileName.c_str(), access, share, nullptr, create ? CREATE_ALWAYS : OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) error = GetLastError();
    }
    if (handle == INVALID_HANDLE_VALUE) {
        if (create) throw EFCreateError(Format("Cannot create file \"%s\". %s", {fileName, SysErrorMessage(error)}));
        throw EFOpenError(Format("Cannot open file \"%s\". %s", {fileName, SysErrorMessage(error)}));
    }
    FFile.Reset(handle);
    FHandle = handle;
}

TFileStream::~TFileStream() = default;

// ---- TMemoryStream's file operations ----

void TMemoryStream::LoadFromFile(const std::string& fileName)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& fileName)
{
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

// ---- the string lists' file operations ----

void TStrings::LoadFromFile(const std::string& fileName)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TStrings::SaveToFile(const std::string& fileName) const
{
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}
