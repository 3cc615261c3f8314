// The switch panel's configuration file: where it lives, the attention character its
// AltChar value selects, the default file offered when it is missing, and the texts of
// the port buttons made from its switch names.
#pragma once

#include <string>

constexpr char kSerialSection[] = "Serial";
constexpr char kComPortKey[] = "ComPort";
constexpr char kAltCharKey[] = "AltChar";
constexpr char kSwitchNamesSection[] = "SwitchNames";
constexpr char kDefaultComPort[] = "COM1";
constexpr char kDefaultAltChar[] = "No";

// The letters that can name a switch port: A to T.
constexpr int kMaxSwitches = 20;
constexpr char kFirstSwitchLetter = 'A';

constexpr char kTilde = '~';
constexpr char kGraveAccent = '`';

// The executable's path with its extension replaced by ".ini" (".ini" appended when the
// file name has no dot).
std::string ConfigFilePathFor(const std::string& exePath);

// "No" and "false", whole and in any letter case, keep the tilde; every other value,
// the empty one included, selects the grave accent.
char AttentionCharFor(const std::string& altChar);

// The commented default file, exactly as written: 28 lines, each ended by CR LF.
const std::string& DefaultConfigText();

// Writes the default file to path in one piece. Raises EFCreateError
// ("Cannot create file \"%s\". %s") or EWriteError when it cannot.
void WriteDefaultConfig(const std::string& path);

// The question asked when the file is missing.
std::string MissingFileQuestion(const std::string& path);

// The caption, with the letter as accelerator, and the hint of a port button.
std::string SwitchCaption(char letter, const std::string& name);
std::string SwitchHint(char letter);
