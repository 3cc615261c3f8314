// Helper routines for option values: environment-variable expansion, working files, the
// settings-file access of the dialogs, guarded execution and address checks.
//
// The declarations here are what the options store and the rest of the library call; the
// routines that touch the platform are defined in the Windows build only.
#pragma once

#include <string>

// Replaces every "%NAME%" (a run of name characters between two "%") with the value of
// that environment variable, the empty text when it is not set; a "%" without a closing
// one stays in the text.
std::string ExpandEnvVars(const std::string& text);
// The value of the environment variable, read in full; empty when it is not set.
std::string GetEnvVariable(const std::string& name);
// Makes fileName a file that can be used: it stays when the file can be opened at its
// place (for reading, or for reading and writing); otherwise it moves into the user's
// "\VantrelLog" application-data folder (with a folder named after the executable when
// createAppFolder is set). False, with fileName unchanged, when neither place works.
bool GetWorkingFile(std::string& fileName, bool createAppFolder, bool forReading);
