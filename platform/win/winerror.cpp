// The last-error code of each thread.
#include "platform/win/winerror.h"

namespace {
thread_local DWORD LastError = ERROR_SUCCESS;
}

void SetLastError(DWORD code) { LastError = code; }
DWORD GetLastError() { return LastError; }
