// The calling thread's last-error code (SetLastError/GetLastError) and the error numbers the
// platform's calls report through it. Each thread has its own code, starting at 0.
#pragma once

#include "platform/win/windef.h"

enum : DWORD {
  ERROR_SUCCESS = 0,
  ERROR_FILE_NOT_FOUND = 2,
  ERROR_PATH_NOT_FOUND = 3,
  ERROR_ACCESS_DENIED = 5,
  ERROR_INVALID_HANDLE = 6,
  ERROR_NOT_ENOUGH_MEMORY = 8,
  ERROR_WRITE_FAULT = 29,
  ERROR_NOT_SUPPORTED = 50,
  ERROR_INVALID_PARAMETER = 87,
  ERROR_INSUFFICIENT_BUFFER = 122,
  ERROR_INVALID_LEVEL = 124,
  ERROR_CANCELLED = 1223,
  ERROR_INVALID_PRINTER_NAME = 1801,
  ERROR_INVALID_DATATYPE = 1804,
  ERROR_PRINTER_NOT_FOUND = 3012,
  ERROR_SPL_NO_STARTDOC = 3003,
  ERROR_CAN_NOT_COMPLETE = 1003,
};

void SetLastError(DWORD code);
DWORD GetLastError();
