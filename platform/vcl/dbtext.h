// Text forms of stored dates and numbers, shared by the fields and the data sets.
#pragma once

#include <string>

#include "platform/rtl/sysutils.h"

// "yyyy-mm-dd hh:nn:ss" (".zzz" added when there are milliseconds); for display, a value without
// a time of day is shown as the date alone.
std::string DbDateTimeToText(TDateTime V, bool ForDisplay);
// Reads "yyyy-mm-dd" or "yyyy/mm/dd", optionally followed by " hh:nn", ":ss" and ".zzz" (or "T"
// before the time). False when the text is no such date.
bool DbTextToDateTime(const std::string& Text, TDateTime& V);
// Shortest text that reads back as the same double in most cases ("%.15g").
std::string DbFloatToText(double V);
