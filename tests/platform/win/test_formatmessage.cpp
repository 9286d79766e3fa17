// FormatMessage: the system's texts of the error codes, inserts, buffers that are too small,
// allocated buffers, and the mapping of errno values to error codes.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/win/winerror.h"

namespace {

std::string SystemText(DWORD code, DWORD flags = FORMAT_MESSAGE_IGNORE_INSERTS) {
  char buf[512];
  DWORD n =
      FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM | flags, nullptr, code, 0, buf, sizeof buf, nullptr);
  return n ? std::string(buf, n) : std::string("<failed>");
}

TEST(FormatMessage, SystemTextsOfTheCodesThePlatformSetsEndWithCrLf) {
  struct Case {
    DWORD Code;
    const char* Text;
  } cases[] = {
      {ERROR_SUCCESS, "The operation completed successfully.\r\n"},
      {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
      {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified.\r\n"},
      {ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
      {ERROR_INVALID_HANDLE, "The handle is invalid.\r\n"},
      {ERROR_INVALID_PARAMETER, "The parameter is incorrect.\r\n"},
      {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small.\r\n"},
      {ERROR_CANCELLED, "The operation was canceled by the user.\r\n"},
      {ERROR_INVALID_PRINTER_NAME, "The printer name is invalid.\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(SystemText(c.Code), c.Text) << c.Code;
}

TEST(FormatMessage, EveryCodeOfTheHeaderHasAText) {
  for (DWORD code :
       {ERROR_NOT_ENOUGH_MEMORY, ERROR_WRITE_FAULT, ERROR_NOT_SUPPORTED, ERROR_INVALID_LEVEL,
        ERROR_INVALID_DATATYPE, ERROR_PRINTER_NOT_FOUND, ERROR_SPL_NO_STARTDOC,
        ERROR_CAN_NOT_COMPLETE, ERROR_DISK_FULL, ERROR_FILE_EXISTS, ERROR_DIR_NOT_EMPTY})
    EXPECT_NE(SystemText(code), "<failed>") << code;
}

TEST(FormatMessage, UnknownCodeFailsWithMessageNotFound) {
  char buf[64] = "untouched";
  SetLastError(0);
  EXPECT_EQ(FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                          987654, 0, buf, sizeof buf, nullptr),
            0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_MR_MID_NOT_FOUND));
  EXPECT_STREQ(buf, "untouched");
}

TEST(FormatMessage, InsertsStayWhenIgnoredAndAreFilledFromAnArgumentArray) {
  EXPECT_EQ(SystemText(ERROR_MR_MID_NOT_FOUND),
            "The system cannot find message text for message number 0x%1 in the message file for "
            "%2.\r\n");
  DWORD_PTR args[] = {reinterpret_cast<DWORD_PTR>("7B"), reinterpret_cast<DWORD_PTR>("System")};
  char buf[256];
  DWORD n =
      FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY, nullptr,
                    ERROR_MR_MID_NOT_FOUND, 0, buf, sizeof buf, reinterpret_cast<va_list*>(args));
  EXPECT_EQ(std::string(buf, n),
            "The system cannot find message text for message number 0x7B in the message file for "
            "System.\r\n");
  // Inserts without arguments are refused rather than read from nowhere.
  SetLastError(0);
  EXPECT_EQ(FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_MR_MID_NOT_FOUND, 0, buf,
                          sizeof buf, nullptr),
            0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(FormatMessage, FormatStringsWithEscapesAndNumbers) {
  DWORD_PTR args[] = {reinterpret_cast<DWORD_PTR>("photo.jpg"), 42, 255};
  struct Case {
    const char* Source;
    const char* Want;
  } cases[] = {
      {"File %1 not found", "File photo.jpg not found"},
      {"%2!d! of %3!x!%n%1", "42 of ff\r\nphoto.jpg"},
      {"100%% sure%0 cut here", "100% sure"},
      {"%1%1", "photo.jpgphoto.jpg"},
  };
  for (const Case& c : cases) {
    char buf[128];
    DWORD n = FormatMessage(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, c.Source, 0,
                            0, buf, sizeof buf, reinterpret_cast<va_list*>(args));
    EXPECT_EQ(std::string(buf, n), c.Want) << c.Source;
  }
}

TEST(FormatMessage, NoLineBreakWithMaximumWidthMask) {
  EXPECT_EQ(SystemText(ERROR_ACCESS_DENIED,
                       FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK),
            "Access is denied.");
}

TEST(FormatMessage, SmallBufferFailsButHoldsATerminatedPrefix) {
  char buf[9];
  std::memset(buf, 'X', sizeof buf);
  SetLastError(0);
  EXPECT_EQ(
      FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, buf, 8, nullptr),
      0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_STREQ(buf, "Access ");
  EXPECT_EQ(buf[8], 'X');  // nothing written past the given size
  // Exactly the text plus its terminator fits.
  char exact[20];
  EXPECT_EQ(FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, exact, 20,
                          nullptr),
            19u);
  EXPECT_EQ(FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, exact, 19,
                          nullptr),
            0u);
  EXPECT_EQ(FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, nullptr, 19,
                          nullptr),
            0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(FormatMessage, AllocatedBufferIsFreedWithLocalFree) {
  char* text = nullptr;
  DWORD n = FormatMessage(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, ERROR_FILE_NOT_FOUND, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::string(text, n), "The system cannot find the file specified.\r\n");
  EXPECT_EQ(text[n], 0);
  EXPECT_EQ(LocalFree(text), nullptr);
  EXPECT_EQ(LocalFree(nullptr), nullptr);
}

TEST(FormatMessage, ErrnoValuesMapToTheNearestCode) {
  struct Case {
    int Errno;
    DWORD Code;
  } cases[] = {
      {0, ERROR_SUCCESS},
      {ENOENT, ERROR_FILE_NOT_FOUND},
      {ENOTDIR, ERROR_PATH_NOT_FOUND},
      {EACCES, ERROR_ACCESS_DENIED},
      {EPERM, ERROR_ACCESS_DENIED},
      {EEXIST, ERROR_FILE_EXISTS},
      {ENOSPC, ERROR_DISK_FULL},
      {EBADF, ERROR_INVALID_HANDLE},
      {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
      {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
      {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
      {EROFS, ERROR_WRITE_PROTECT},
      {ELOOP, ERROR_GEN_FAILURE},
  };
  for (const Case& c : cases) EXPECT_EQ(Win32ErrorFromErrno(c.Errno), c.Code) << c.Errno;
  errno = ENOENT;
  EXPECT_EQ(SetLastErrorFromErrno(), DWORD(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

}  // namespace
