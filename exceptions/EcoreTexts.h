// The line rules of the customized-texts file, apart from the INI access so that they
// are tested on every build.
//
// The file has the section TextsFileSection; for each message type the key
// "Count <member>" holds the number of lines and "<member><n>" (n from 0) the lines, each
// written in double quotes so that the blanks at its ends survive the INI reader.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Etypes.h"

inline constexpr std::string_view TextsFileSection = "Exception Log";

std::string TextsCountKey(TMessageType messageType);
std::string TextsLineKey(TMessageType messageType, int line);

// The lines a text is saved as: it is cut at every line break (CR LF, or a lone CR or LF,
// which an INI value cannot hold either), so n breaks give n + 1 lines; the empty text is
// one empty line. TextFromLines(TextToLines(t)) gives t back with every break as CR LF.
std::vector<std::string> TextToLines(const std::string& text);
// A line as written: in double quotes.
std::string QuotedTextLine(const std::string& line);
// The text of the lines read back (their quotes already removed by the INI reader): each
// line followed by CR LF, then one trailing CR LF removed.
std::string TextFromLines(const std::vector<std::string>& lines);
// The collection name a texts file gives: its file name without folder and extension.
std::string TextsCollectionName(const std::string& fileName);
