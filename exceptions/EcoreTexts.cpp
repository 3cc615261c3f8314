// The line rules of the customized-texts file.
#include "EcoreTexts.h"

#include "Econsts.h"
#include "EcoreHelpers.h"
#include "framework/strutils.h"

std::string TextsCountKey(TMessageType messageType)
{
    return RawStringsCountKey(std::string(MessageTypeName(messageType)));
}

std::string TextsLineKey(TMessageType messageType, int line)
{
    return RawStringsLineKey(std::string(MessageTypeName(messageType)), line);
}

std::string TextsCollectionName(const std::string& fileName)
{
    return ChangeFileExt(ExtractFileName(fileName), "");
}
