// Customized texts with their environment-variable references expanded. A file of its
// own so that only its callers need the helpers' expansion linked in.
#include "Ecore.h"
#include "EcoreHelpers.h"

std::string TVantrelModuleOptions::GetCustomizedExpandedTexts(TMessageType messageType) const
{
    return ExpandEnvVars(GetCustomizedTexts(messageType));
}
