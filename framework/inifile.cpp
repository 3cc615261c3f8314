#include "inifile.h"

#include <windows.h>

#include <vector>

#include "exceptions.h"
#include "format.h"
#include "stringlist.h"
#include "sysutils.h"

namespace {

// Values longer than this less one are cut; the program relies on the 2047-character limit.
constexpr DWORD kValueBufferSize = 2048;

// Makes lines the whole content of strings, as one update.
void ReplaceContent(TStrings* strings, const std::vector<std::string>& lines)
{
    strings->BeginUpdate();
    try {
        strings->Clear();
        for (const std::string& line : lines) strings->Add(line);
    } catch (...) {
        strings->EndUpdate();
        throw;
    }
    strings->EndUpdate();
}

} // namespace

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName))
{
}

TIniFile::~TIniFile()
{
    UpdateFile();
}

void TIniFile::WriteError() const
{
    throw EIniFileException(Format("Unable to write to %s", {FFileName}));
}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue) const
{
    char buffer[kValueBufferSize];
    // No error to check: the function answers the default for every failure, a missing
    // file included, and that is the answer wanted.
    DWORD length = GetPrivateProfileStringA(section.c_str(), ident.c_str(), defaultValue.c_str(), buffer,
                                            kValueBufferSize, FFileName.c_str());
    return std::string(buffer, length);
}

int TIniFile::ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const
{
    return StrToIntDef(ReadString(section, ident, std::string()), defaultValue);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const
{
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value)
{
    if (!WritePrivateProfileStringA(section.c_str(), ident.c_str(), value.c_str(), FFileName.c_str())) WriteError();
}

void TIniFile::WriteInteger(const std::string& section, const std::string& ident, int value)
{
    WriteString(section, ident, IntToStr(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& ident, bool value)
{
    WriteString(section, ident, value ? "1" : "0");
}

void TIniFile::ReadNames(const char* section, TStrings* strings) const
{
    // The names come back as a list of zero-terminated strings ending with an empty one.
    // A list that does not fit is cut and reported as size - 2, so grow and ask again.
    std::vector<char> buffer(16384);
    DWORD length;
    for (;;) {
        length = GetPrivateProfileStringA(section, nullptr, nullptr, buffer.data(),
                                          static_cast<DWORD>(buffer.size()), FFileName.c_str());
        if (length + 2 < buffer.size()) break;
        buffer.resize(buffer.size() * 2);
    }
    std::vector<std::string> names;
    for (const char* p = buffer.data(); p < buffer.data() + length && *p; p += names.back().size() + 1)
        names.emplace_back(p);
    ReplaceContent(strings, names);
}

void TIniFile::ReadSection(const std::string& section, TStrings* strings) const
{
    ReadNames(section.c_str(), strings);
}

void TIniFile::ReadSections(TStrings* strings) const
{
    ReadNames(nullptr, strings);
}

void TIniFile::ReadSectionValues(const std::string& section, TStrings* strings) const
{
    TStringList keys;
    ReadSection(section, &keys);
    std::vector<std::string> lines;
    for (int i = 0; i < keys.Count(); ++i) {
        std::string key = keys.Strings(i);
        lines.push_back(key + "=" + ReadString(section, key, std::string()));
    }
    ReplaceContent(strings, lines);
}

bool TIniFile::SectionExists(const std::string& section) const
{
    TStringList keys;
    ReadSection(section, &keys);
    return keys.Count() > 0;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& ident) const
{
    TStringList keys;
    ReadSection(section, &keys);
    return keys.IndexOf(ident) >= 0;
}

void TIniFile::EraseSection(const std::string& section)
{
    if (!WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, FFileName.c_str())) WriteError();
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident)
{
    if (!WritePrivateProfileStringA(section.c_str(), ident.c_str(), nullptr, FFileName.c_str())) WriteError();
}

void TIniFile::UpdateFile()
{
    // The result says nothing: Wine answers this flush request with FALSE even when all
    // is well.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, FFileName.c_str());
}
