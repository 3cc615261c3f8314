// The line rules of the customized-texts file, apart from the INI access so that they
// are tested on every build.
//
// The file has the section TextsFileSection; each message type is a multi-line setting
// keyed by its member name: "Count <member>" holds the number of lines and "<member><n>"
// (n from 0) the lines, each written in double quotes so that the blanks at its ends
// survive the INI reader.
#pragma once

#include <string>
#include <string_view>

#include "Etypes.h"

inline constexpr std::string_view TextsFileSection = "Exception Log";

std::string TextsCountKey(TMessageType messageType);
std::string TextsLineKey(TMessageType messageType, int line);

// A text is saved as the lines of a multi-line setting (SplitRawLines of EcoreHelpers.h:
// cut at every CR LF, lone CR or lone LF, each line in double quotes) and read back with
// JoinRawLines, since the INI reader has removed the quotes already.
// The collection name a texts file gives: its file name without folder and extension.
std::string TextsCollectionName(const std::string& fileName);
