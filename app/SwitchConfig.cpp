#include "app/SwitchConfig.h"

#include "framework/filestreams.h"
#include "framework/sysutils.h"

std::string ConfigFilePathFor(const std::string& exePath)
{
    return ChangeFileExt(exePath, ".ini");
}

char AttentionCharFor(const std::string& altChar)
{
    return SameText(altChar, "No") || SameText(altChar, "false") ? kTilde : kGraveAccent;
}

const std::string& DefaultConfigText()
{
    static const std::string text = [] {
        std::string lines[] = {
            ";Configuration file for ZorvanMenu.exe",
            "; Remove the semicolon and edit the names as needed",
            "[Serial]",
            "Comport=COM1",
            std::string("; Change to AltChar=Yes to use the ") + kGraveAccent + " rather than the ~ character",
            "AltChar=No",
            "",
            "[SwitchNames]",
        };
        std::string result;
        for (const auto& line : lines) result += line + "\r\n";
        // The single-digit numbers get two blanks so that all twenty line up.
        for (int k = 0; k < kMaxSwitches; ++k) {
            const int number = k + 1;
            std::string line = std::string(k >= 14 ? ";" : "") + char(kFirstSwitchLetter + k) +
                               " = Turn on switch " + (number < 10 ? " " : "") + std::to_string(number);
            result += line + "\r\n";
        }
        return result;
    }();
    return text;
}

void WriteDefaultConfig(const std::string& path)
{
    TFileStream file(path, fmCreate);
    file.WriteBuffer(DefaultConfigText().data(), static_cast<int>(DefaultConfigText().size()));
}

std::string MissingFileQuestion(const std::string& path)
{
    return "The file " + path + " is missing.\nShall I create one?" +
           "\n\nNOTE: You can edit this file to add or remove switch buttons.";
}

std::string SwitchCaption(char letter, const std::string& name)
{
    return std::string("&") + letter + " - " + name;
}

std::string SwitchHint(char letter)
{
    return std::string("Press ") + letter + " or click this button to turn on the port";
}
