// The calling thread's last-error code (SetLastError/GetLastError), the error numbers the
// platform's calls report through it, their texts (FormatMessage with
// FORMAT_MESSAGE_FROM_SYSTEM) and the mapping from the C library's errno values. Each thread has
// its own code, starting at 0.
#pragma once

#include <cstdarg>

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
  ERROR_INVALID_FUNCTION = 1,
  ERROR_TOO_MANY_OPEN_FILES = 4,
  ERROR_OUTOFMEMORY = 14,
  ERROR_INVALID_DRIVE = 15,
  ERROR_NOT_SAME_DEVICE = 17,
  ERROR_NO_MORE_FILES = 18,
  ERROR_WRITE_PROTECT = 19,
  ERROR_NOT_READY = 21,
  ERROR_READ_FAULT = 30,
  ERROR_GEN_FAILURE = 31,
  ERROR_SHARING_VIOLATION = 32,
  ERROR_HANDLE_EOF = 38,
  ERROR_HANDLE_DISK_FULL = 39,
  ERROR_FILE_EXISTS = 80,
  ERROR_BROKEN_PIPE = 109,
  ERROR_DISK_FULL = 112,
  ERROR_INVALID_NAME = 123,
  ERROR_DIR_NOT_EMPTY = 145,
  ERROR_BUSY = 170,
  ERROR_ALREADY_EXISTS = 183,
  ERROR_FILENAME_EXCED_RANGE = 206,
  ERROR_DIRECTORY = 267,
  ERROR_MR_MID_NOT_FOUND = 317,
  ERROR_INVALID_WINDOW_HANDLE = 1400,
  ERROR_TIMEOUT = 1460,
};

void SetLastError(DWORD code);
DWORD GetLastError();

// The error code closest to an errno value (ENOENT gives ERROR_FILE_NOT_FOUND, EACCES
// ERROR_ACCESS_DENIED, ...); 0 gives ERROR_SUCCESS and values without a match ERROR_GEN_FAILURE.
DWORD Win32ErrorFromErrno(int e);
// Sets the calling thread's last-error code from errno and returns it.
DWORD SetLastErrorFromErrno();

enum : DWORD {
  FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100,
  FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200,
  FORMAT_MESSAGE_FROM_STRING = 0x00000400,
  FORMAT_MESSAGE_FROM_HMODULE = 0x00000800,
  FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000,
  FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000,
  FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FF,
};
// The text of a system error code (FORMAT_MESSAGE_FROM_SYSTEM), worded and ended with CR LF as
// the system gives it, or of a format string (FORMAT_MESSAGE_FROM_STRING, lpSource). Inserts
// %1..%99 stay as they are with FORMAT_MESSAGE_IGNORE_INSERTS; otherwise they take the strings
// of the arguments (an array of DWORD_PTR holding const char* with
// FORMAT_MESSAGE_ARGUMENT_ARRAY, else the const char* values of the va_list in order); %% gives
// %, %n a line break, %0 ends the text without one. The language is ignored (texts are English).
// The text goes into buffer (size chars, terminator included) and its length is returned. On
// failure the result is 0 with the reason in GetLastError: ERROR_MR_MID_NOT_FOUND for an unknown
// code, ERROR_INSUFFICIENT_BUFFER when the text does not fit (the buffer then holds as much as
// fits, terminated), ERROR_INVALID_PARAMETER for a missing buffer, inserts without arguments or
// an unsupported source (message tables of modules do not exist here).
// FORMAT_MESSAGE_ALLOCATE_BUFFER: buffer is really a char** that receives a new text the caller
// frees with LocalFree (size is then the least number of chars to allocate).
DWORD FormatMessage(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer,
                    DWORD size, va_list* args);
inline DWORD FormatMessageA(DWORD f, LPCVOID s, DWORD id, DWORD lang, LPSTR b, DWORD n,
                            va_list* a) {
  return FormatMessage(f, s, id, lang, b, n, a);
}
// Frees what FormatMessage allocated (null is accepted); returns null on success.
HANDLE LocalFree(HANDLE mem);
