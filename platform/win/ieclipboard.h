// Opening the clipboard when another window may hold it for a moment.
#pragma once

#include "platform/win/windef.h"

// Tries OpenClipboard(nil) up to 10 times, 20 ms apart; FALSE when every attempt fails.
BOOL IEOpenClipboard();
