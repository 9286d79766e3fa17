// IEOpenClipboard (see ieclipboard.h).
#include "platform/win/ieclipboard.h"

#include "platform/rtl/threads.h"
#include "platform/win/winuser.h"

BOOL IEOpenClipboard() {
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (attempt > 0) Sleep(20);
    if (OpenClipboard(nullptr)) return TRUE;
  }
  return FALSE;
}
