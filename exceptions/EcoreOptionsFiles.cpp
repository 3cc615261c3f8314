// The options stream in a file of its own.
#include "Ecore.h"
#include "framework/filestreams.h"

void TVantrelModuleOptions::SaveToFile(const std::string& fileName)
{
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

void TVantrelModuleOptions::LoadFromFile(const std::string& fileName)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}
