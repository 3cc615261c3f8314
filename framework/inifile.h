// TIniFile: an INI file read and written through the platform's private-profile functions.
//
// Every read goes to the platform, which parses the file: section and key names match
// without regard to ASCII case, blanks around names and values are dropped, matching
// quotes around a value are removed. The platform caches the file and writes it back
// on its own schedule; UpdateFile forces that. Any thread may use its own TIniFile; the
// platform serialises access to the file.
#pragma once

#include <string>

#include "object.h"

class TStrings;

class TIniFile : public TObject {
    RUNTIME_CLASS(TIniFile, TObject)
public:
    // A name without a path is looked up by the platform in the Windows directory.
    explicit TIniFile(std::string fileName);
    // Flushes the platform's cache of the file (UpdateFile).
    ~TIniFile() override;
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    const std::string& FileName() const noexcept { return FFileName; }

    // The value, at most 2047 characters of it. A key present with an empty value gives
    // ""; a missing file, section or key gives defaultValue.
    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue) const;
    // The value as a 32-bit integer: decimal with an optional sign, or hexadecimal after
    // "$" or "0x". Anything else, or nothing, gives defaultValue.
    int ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const;
    // An integer value other than 0 is true; no (integer) value gives defaultValue.
    bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const;

    // Each raises EIniFileException "Unable to write to %s" with the file name when the
    // platform refuses the write. Booleans are written as 1 and 0.
    void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& ident, int value);
    void WriteBool(const std::string& section, const std::string& ident, bool value);

    // Replace the content of strings (not null) with: the key names of section; the
    // section names; "name=value" for each key of section.
    void ReadSection(const std::string& section, TStrings* strings) const;
    void ReadSections(TStrings* strings) const;
    void ReadSectionValues(const std::string& section, TStrings* strings) const;
    // True when section has at least one key.
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& ident) const;

    // Removes section with its keys; raises EIniFileException when the platform refuses.
    void EraseSection(const std::string& section);
    // Removes one key; a missing one is no error. Raises EIniFileException when the
    // platform refuses.
    void DeleteKey(const std::string& section, const std::string& ident);
    // Writes the platform's cached copy of the file to disk.
    void UpdateFile();

private:
    [[noreturn]] void WriteError() const;
    // The platform's list of names (keys of section, or sections when section is null).
    void ReadNames(const char* section, TStrings* strings) const;

    std::string FFileName;
};
