// The settings-file access of the library (the dialogs' "VantrelLog.ini"): the
// platform's private-profile functions over a file placed by the working-file rule.
// Windows.
#include <windows.h>

#include "exceptions/EcoreHelpers.h"
#include "framework/sysutils.h"

namespace {

constexpr DWORD ValueBufferSize = 2048;
// The default that tells a missing key from any value a line of the file can hold.
constexpr const char* MissingValue = "<|missing line|>";

// The settings file resolved for reading or writing; empty when it cannot be used.
std::string UsableSettingsFile(const std::string& fileName, bool forReading)
{
    std::string path = SettingsFilePath(fileName);
    if (!GetWorkingFile(path, false, forReading)) return {};
    return path;
}

std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& defaultValue)
{
    std::string buffer(ValueBufferSize, '\0');
    const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                                                  ValueBufferSize, path.c_str());
    buffer.resize(length);
    return buffer;
}

bool HasLineBreak(const std::string& value) noexcept
{
    return value.find_first_of("\r\n") != std::string::npos;
}

bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const char* value)
{
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value, path.c_str()) != 0;
}

} // namespace

std::string SettingsFilePath(const std::string& fileName)
{
    if (fileName.empty() || !ExtractFilePath(fileName).empty()) return fileName;
    return ApplicationDataFolder() + "\\VantrelLog\\" + fileName;
}

std::string ReadString(const std::string& fileName, const std::string& section, const std::string& key,
                       const std::string& defaultValue)
{
    const std::string path = UsableSettingsFile(fileName, true);
    if (path.empty()) return defaultValue;
    return ReadProfileString(path, section, key, defaultValue);
}

int ReadInteger(const std::string& fileName, const std::string& section, const std::string& key, int defaultValue)
{
    return StrToIntDef(ReadString(fileName, section, key, ""), defaultValue);
}

bool ReadBool(const std::string& fileName, const std::string& section, const std::string& key, bool defaultValue)
{
    return ReadInteger(fileName, section, key, defaultValue ? 1 : 0) == 1;
}

bool WriteString(const std::string& fileName, const std::string& section, const std::string& key,
                 const std::string& value)
{
    // A line break would end the value early and start a line of its own, a key or a
    // section the file never had; multi-line values go through WriteRawStrings.
    if (HasLineBreak(value)) return false;
    const std::string path = UsableSettingsFile(fileName, false);
    return !path.empty() && WriteProfileString(path, section, key, value.c_str());
}

bool WriteInteger(const std::string& fileName, const std::string& section, const std::string& key, int value)
{
    return WriteString(fileName, section, key, IntToStr(value));
}

bool WriteBool(const std::string& fileName, const std::string& section, const std::string& key, bool value)
{
    return WriteString(fileName, section, key, value ? "1" : "0");
}

std::string ReadRawStrings(const std::string& fileName, const std::string& section, const std::string& key,
                           const std::string& defaultValue)
{
    const std::string path = UsableSettingsFile(fileName, true);
    if (path.empty()) return defaultValue;
    const int count = StrToIntDef(ReadProfileString(path, section, RawStringsCountKey(key), ""), 0);
    if (count <= 0) return defaultValue;
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        // A count larger than the lines present (a hand-edited file) reads the lines
        // there are rather than asking for millions of missing keys.
        std::string line = ReadProfileString(path, section, RawStringsLineKey(key, i), MissingValue);
        if (line == MissingValue) break;
        lines.push_back(std::move(line));
    }
    return JoinRawLines(lines);
}

bool WriteRawStrings(const std::string& fileName, const std::string& section, const std::string& key,
                     const std::string& value)
{
    const std::string path = UsableSettingsFile(fileName, false);
    if (path.empty()) return false;
    const std::vector<std::string> lines = SplitRawLines(value);
    const int oldCount = StrToIntDef(ReadProfileString(path, section, RawStringsCountKey(key), ""), 0);
    bool written = true;
    const int count = static_cast<int>(lines.size());
    for (int i = 0; i < count; ++i)
        written = WriteProfileString(path, section, RawStringsLineKey(key, i), QuoteRawLine(lines[i]).c_str())
            && written;
    written = WriteProfileString(path, section, RawStringsCountKey(key), IntToStr(count).c_str()) && written;
    for (int i = count; i < oldCount; ++i) {
        const std::string lineKey = RawStringsLineKey(key, i);
        if (ReadProfileString(path, section, lineKey, MissingValue) == MissingValue) break;
        written = WriteProfileString(path, section, lineKey, nullptr) && written;
    }
    return written;
}
