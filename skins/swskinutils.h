// Text helpers of the form skin engine's drawing utilities.
#pragma once

#include <string>

// Replaces every occurrence of Pattern in Text by Replacement. After a replacement the search
// starts again from the start of the new text, so occurrences formed by a replacement together
// with the text around it are replaced too; an occurrence lying wholly inside inserted text is
// not looked at again, so the call always ends (also when Replacement contains Pattern). An
// empty Pattern changes nothing.
std::string StringReplaceAll(const std::string& Text, const std::string& Pattern,
                             const std::string& Replacement);
// Text without any "&".
std::string RemoveAmpersands(const std::string& Text);
