// Constants of the exception library: the default options texts and the customizable
// texts with the names of their message types.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Etypes.h"

// The default sender address of SMTPFrom: a placeholder that a program's options replace.
inline constexpr std::string_view DefaultSMTPFrom = "bugreport@example.com";
// The default of TextsCollection: the collection the built-in texts belong to.
inline constexpr std::string_view DefaultTextsCollection = "English";
// The default HTMLLayout; "<%HTML_TAG%>" receives the report.
extern const std::string_view DefaultHTMLLayout;

// The member name of messageType (e.g. "mtDialog_Caption"), which is also its key in the
// customized-texts file; empty for a value that names no member.
std::string_view MessageTypeName(TMessageType messageType) noexcept;
// The built-in text of messageType; empty for a value that names no member.
std::string_view DefaultMessageText(TMessageType messageType) noexcept;
// The message type whose member name is name (exact case); nothing when none is.
std::optional<TMessageType> MessageTypeFromName(std::string_view name) noexcept;
