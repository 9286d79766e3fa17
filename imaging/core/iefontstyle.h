// The font style set of a logical font, for the text of the imaging library's vector objects and
// captions. Kept apart from ieutils.h because it needs the class library's font types.
#pragma once

#include "platform/vcl/graphics.h"

// Bold at weight 700 or more, italic, underline and strike-out from their flags; empty for nil.
TFontStyles IELogFontStyle(const LOGFONT* LogFont);
