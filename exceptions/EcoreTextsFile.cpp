// The customized-texts file through the platform's INI functions.
#include <windows.h>

#include <vector>

#include "Ecore.h"
#include "EcoreHelpers.h"
#include "EcoreTexts.h"
#include "framework/exceptions.h"
#include "framework/format.h"
#include "framework/inifile.h"
#include "framework/sysutils.h"

namespace {

// An INI value never holds a line break, so this default tells a missing line from an
// empty one.
const std::string MissingLine = "\n";

// Appends "key=value" and its terminating null to a section's entry list. A null inside
// the value would end the entry early, so it is left out.
void AppendEntry(std::string& entries, const std::string& key, const std::string& value)
{
    entries += key;
    entries += '=';
    for (char c : value) {
        if (c != '\0') entries += c;
    }
    entries += '\0';
}

// Replaces the keys of section in the file with entries (each "key=value" ending in a
// null); raises EIniFileException "Unable to write to %s" when the platform refuses.
void WriteSection(const std::string& fileName, const std::string& section, std::string entries)
{
    entries += '\0';
    if (!WritePrivateProfileSectionA(section.c_str(), entries.c_str(), fileName.c_str())) {
        const DWORD error = GetLastError();
        throw EIniFileException(Format("Unable to write to %s. %s", {fileName, SysErrorMessage(error)}));
    }
    // The platform may keep the file in a cache and write it later; flush it now (the
    // result of this request says nothing, Wine answers it with failure).
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, fileName.c_str());
}

}  // namespace

void TVantrelModuleOptions::SaveCustomizedTextsToFile(const std::string& fileName)
{
    // The whole section in one call: it replaces the keys written before (the lines of a
    // longer text would otherwise stay behind its new count), and key by key the platform
    // rewrites the file for each of the few hundred keys.
    std::string entries;
    for (int index = 0; index < MessageTypeCount; ++index) {
        const auto messageType = static_cast<TMessageType>(index);
        const std::vector<std::string> lines = SplitRawLines(FCustomizedTexts[index]);
        AppendEntry(entries, TextsCountKey(messageType), std::to_string(lines.size()));
        for (std::size_t line = 0; line < lines.size(); ++line) {
            AppendEntry(entries, TextsLineKey(messageType, static_cast<int>(line)), QuoteRawLine(lines[line]));
        }
    }
    WriteSection(fileName, std::string(TextsFileSection), entries);
    SetTextsCollection(TextsCollectionName(fileName));
}

void TVantrelModuleOptions::LoadCustomizedTextsFromFile(const std::string& fileName)
{
    // The INI functions answer every key of a missing file with its default, which would
    // make a mistyped name load nothing and still rename the collection. (A bare name is
    // the platform's to find, in the Windows directory.)
    if (!ExtractFilePath(fileName).empty() && !FileExists(fileName)) {
        throw EFOpenError(Format("Cannot open file \"%s\". %s", {fileName, SysErrorMessage(ERROR_FILE_NOT_FOUND)}));
    }
    const std::string section(TextsFileSection);
    const TIniFile ini(fileName);
    BulkChange([&] {
        for (int index = 0; index < MessageTypeCount; ++index) {
            const auto messageType = static_cast<TMessageType>(index);
            const int count = ini.ReadInteger(section, TextsCountKey(messageType), 0);
            if (count <= 0) continue;
            // The reader has removed the quotes around each line already. A count beyond
            // the lines present ends at the first missing one, so a wrong count cannot
            // keep the loop reading for long.
            std::vector<std::string> lines;
            for (int line = 0; line < count; ++line) {
                std::string value = ini.ReadString(section, TextsLineKey(messageType, line), MissingLine);
                if (value == MissingLine) break;
                lines.push_back(std::move(value));
            }
            SetCustomizedTexts(messageType, JoinRawLines(lines));
        }
        SetTextsCollection(TextsCollectionName(fileName));
    });
}
