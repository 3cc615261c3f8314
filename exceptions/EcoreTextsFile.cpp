// The customized-texts file through the platform's INI functions.
#include <vector>

#include "Ecore.h"
#include "EcoreTexts.h"
#include "framework/exceptions.h"
#include "framework/format.h"
#include "framework/inifile.h"
#include "framework/sysutils.h"

namespace {

// An INI value never holds a line break, so this default tells a missing line from an
// empty one.
const std::string MissingLine = "\n";

}  // namespace

void TVantrelModuleOptions::SaveCustomizedTextsToFile(const std::string& fileName)
{
    const std::string section(TextsFileSection);
    {
        TIniFile ini(fileName);
        // Lines of a longer text saved before would otherwise stay behind the new count.
        if (ini.SectionExists(section)) ini.EraseSection(section);
        for (int index = 0; index < MessageTypeCount; ++index) {
            const auto messageType = static_cast<TMessageType>(index);
            const std::vector<std::string> lines = TextToLines(FCustomizedTexts[index]);
            ini.WriteInteger(section, TextsCountKey(messageType), static_cast<int>(lines.size()));
            for (std::size_t line = 0; line < lines.size(); ++line) {
                ini.WriteString(section, TextsLineKey(messageType, static_cast<int>(line)), QuotedTextLine(lines[line]));
            }
        }
    }
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
            SetCustomizedTexts(messageType, TextFromLines(lines));
        }
        SetTextsCollection(TextsCollectionName(fileName));
    });
}
