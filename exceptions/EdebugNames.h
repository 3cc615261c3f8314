// Export names as locations: the last source of a procedure name for an address that no
// debug data covers is the name of the export whose code holds it. Portable.
#pragma once

#include <cstdint>
#include <string>

// How much a call-stack entry knows of its location.
enum TVantrelDebugDetail : std::uint8_t {
    ddNone = 0,             // hidden entry
    ddModule = 1,           // only the module is known
    ddProcedure = 2,        // a procedure name from an export
    ddUnitAndProcedure = 3,
    ddSourceCode = 4,       // with a line number
};

struct TExportNameParts {
    std::string UnitName;
    std::string ClassName;
    std::string ProcedureName;
    TVantrelDebugDetail Detail = ddModule; // ddModule: the name tells nothing usable
};

// Splits an export name into unit, class and procedure:
// - a name of the Pascal compiler's mangling ("@Unit@Class@Proc$params", not "@$..."): the
//   parameter encoding cut, the "@"s made separators ("@@" standing for "@_"), then split;
// - another name with "." is cut before its first "@" and split at ".";
//   two parts are unit (with ".pas") and procedure, three are unit, class and procedure:
//   ddUnitAndProcedure; any other number of parts: ddModule;
// - a name of the C++ compiler's mangling ("_Z..."), demangled: class (or namespace) is
//   what stands before the last "::", the procedure what follows, without its parameter
//   list; ddProcedure, as the unit is not known;
// - another name without "." is a plain procedure name: ddProcedure.
// A name beginning with "?" (another compiler's mangling, which tells no unit) is never
// used: ddModule. In the split forms a procedure beginning with "@" gets "_" instead.
TExportNameParts SplitExportName(const std::string& name);
