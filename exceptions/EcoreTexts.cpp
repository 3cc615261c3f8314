// The line rules of the customized-texts file.
#include "EcoreTexts.h"

#include "Econsts.h"
#include "framework/strutils.h"

std::string TextsCountKey(TMessageType messageType)
{
    return "Count " + std::string(MessageTypeName(messageType));
}

std::string TextsLineKey(TMessageType messageType, int line)
{
    return std::string(MessageTypeName(messageType)) + std::to_string(line);
}

std::vector<std::string> TextToLines(const std::string& text)
{
    std::vector<std::string> lines(1);
    for (std::size_t index = 0; index < text.size(); ++index) {
        const char c = text[index];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && index + 1 < text.size() && text[index + 1] == '\n') ++index;
            lines.emplace_back();
        } else {
            lines.back().push_back(c);
        }
    }
    return lines;
}

std::string QuotedTextLine(const std::string& line)
{
    return '"' + line + '"';
}

std::string TextFromLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    if (text.size() >= 2) text.resize(text.size() - 2);
    return text;
}

std::string TextsCollectionName(const std::string& fileName)
{
    return ChangeFileExt(ExtractFileName(fileName), "");
}
