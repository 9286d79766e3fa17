// The last-error code of each thread, the texts of the system error codes (FormatMessage) and
// the mapping from errno.
#include "platform/win/winerror.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
thread_local DWORD LastError = ERROR_SUCCESS;

// The system's wording of the codes the platform reports, without the final CR LF.
struct TErrorText {
  DWORD Code;
  const char* Text;
};
constexpr TErrorText ErrorTexts[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, "Incorrect function."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command."},
    {ERROR_OUTOFMEMORY, "Not enough memory resources are available to complete this operation."},
    {ERROR_INVALID_DRIVE, "The system cannot find the drive specified."},
    {ERROR_NOT_SAME_DEVICE, "The system cannot move the file to a different disk drive."},
    {ERROR_NO_MORE_FILES, "There are no more files."},
    {ERROR_WRITE_PROTECT, "The media is write protected."},
    {ERROR_NOT_READY, "The device is not ready."},
    {ERROR_WRITE_FAULT, "The system cannot write to the specified device."},
    {ERROR_READ_FAULT, "The system cannot read from the specified device."},
    {ERROR_GEN_FAILURE, "A device attached to the system is not functioning."},
    {ERROR_SHARING_VIOLATION,
     "The process cannot access the file because it is being used by another process."},
    {ERROR_HANDLE_EOF, "Reached the end of the file."},
    {ERROR_HANDLE_DISK_FULL, "The disk is full."},
    {ERROR_NOT_SUPPORTED, "The request is not supported."},
    {ERROR_FILE_EXISTS, "The file exists."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_BROKEN_PIPE, "The pipe has been ended."},
    {ERROR_DISK_FULL, "There is not enough space on the disk."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
    {ERROR_INVALID_LEVEL, "The system call level is not correct."},
    {ERROR_DIR_NOT_EMPTY, "The directory is not empty."},
    {ERROR_BUSY, "The requested resource is in use."},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
    {ERROR_DIRECTORY, "The directory name is invalid."},
    {ERROR_MR_MID_NOT_FOUND,
     "The system cannot find message text for message number 0x%1 in the message file for %2."},
    {ERROR_CAN_NOT_COMPLETE, "Cannot complete this function."},
    {ERROR_CANCELLED, "The operation was canceled by the user."},
    {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle."},
    {ERROR_TIMEOUT, "This operation returned because the timeout period expired."},
    {ERROR_INVALID_PRINTER_NAME, "The printer name is invalid."},
    {ERROR_INVALID_DATATYPE, "The specified datatype is invalid."},
    {ERROR_SPL_NO_STARTDOC, "A StartDocPrinter call was not issued."},
    {ERROR_PRINTER_NOT_FOUND, "No printers were found."},
};

const char* SystemText(DWORD code) {
  for (const TErrorText& t : ErrorTexts)
    if (t.Code == code) return t.Text;
  return nullptr;
}

// The text of insert number n (1-based) with its printf-style format ("s" when none was given).
// False when the argument cannot be had.
bool InsertText(int n, const std::string& fmt, DWORD flags, va_list* args, std::string* out) {
  if (!args) return false;
  char buf[64];
  if (flags & FORMAT_MESSAGE_ARGUMENT_ARRAY) {
    DWORD_PTR v = reinterpret_cast<const DWORD_PTR*>(args)[n - 1];
    if (fmt == "s") {
      const char* s = reinterpret_cast<const char*>(v);
      *out = s ? s : "";
      return true;
    }
    // Numeric inserts: the value as a 32-bit number, as the format wants it.
    const char* conversion = fmt == "d" || fmt == "ld" || fmt == "i" ? "%d"
                             : fmt == "u" || fmt == "lu"             ? "%u"
                             : fmt == "x" || fmt == "lx"             ? "%x"
                             : fmt == "X" || fmt == "lX"             ? "%X"
                                                                     : nullptr;
    if (!conversion) return false;
    if (conversion[1] == 'd')
      std::snprintf(buf, sizeof buf, conversion, static_cast<int>(v));
    else
      std::snprintf(buf, sizeof buf, conversion, static_cast<unsigned>(v));
    *out = buf;
    return true;
  }
  // A va_list holds the arguments in order: skip to the n-th. Only strings can be read this way.
  if (fmt != "s") return false;
  va_list copy;
  va_copy(copy, *args);
  for (int i = 1; i < n; ++i) (void)va_arg(copy, const char*);
  const char* s = va_arg(copy, const char*);
  va_end(copy);
  *out = s ? s : "";
  return true;
}

// Expands the escapes and inserts of a message. False (with the error code set) when an insert
// has no argument.
bool Expand(const char* src, DWORD flags, va_list* args, std::string* out, bool* endsWithoutBreak) {
  const bool ignore = flags & FORMAT_MESSAGE_IGNORE_INSERTS;
  for (const char* p = src; *p; ++p) {
    if (*p != '%') {
      out->push_back(*p);
      continue;
    }
    char c = p[1];
    if (c >= '1' && c <= '9') {
      const char* start = p;
      int n = c - '0';
      p += 1;
      if (p[1] >= '0' && p[1] <= '9') n = n * 10 + (*++p - '0');
      std::string fmt = "s";
      if (p[1] == '!') {
        const char* close = std::strchr(p + 2, '!');
        if (close) {
          fmt.assign(p + 2, close);
          p = close;
        }
      }
      if (ignore) {
        out->append(start, p + 1);
        continue;
      }
      std::string text;
      if (!InsertText(n, fmt, flags, args, &text)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
      }
      out->append(text);
      continue;
    }
    if (c == 0) {
      out->push_back('%');
      break;
    }
    ++p;
    switch (c) {
      case '0':
        *endsWithoutBreak = true;
        return true;
      case 'n':
        out->append("\r\n");
        break;
      case 'r':
        out->push_back('\r');
        break;
      case 't':
        out->push_back('\t');
        break;
      case 'b':
        out->push_back(' ');
        break;
      default:
        out->push_back(c);
        break;  // %%, %., %! give the character itself
    }
  }
  return true;
}
}  // namespace

void SetLastError(DWORD code) { LastError = code; }
DWORD GetLastError() { return LastError; }

DWORD Win32ErrorFromErrno(int e) {
  switch (e) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
      return ERROR_ACCESS_DENIED;
    case EROFS:
      return ERROR_WRITE_PROTECT;
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case EXDEV:
      return ERROR_NOT_SAME_DEVICE;
    case EBUSY:
    case ETXTBSY:
      return ERROR_SHARING_VIOLATION;
    case EPIPE:
      return ERROR_BROKEN_PIPE;
    case ENOSYS:
    case EOPNOTSUPP:
      return ERROR_NOT_SUPPORTED;
    case ETIMEDOUT:
      return ERROR_TIMEOUT;
    case ECANCELED:
      return ERROR_CANCELLED;
    case ENXIO:
    case ENODEV:
      return ERROR_NOT_READY;
    default:
      return ERROR_GEN_FAILURE;
  }
}

DWORD SetLastErrorFromErrno() {
  DWORD code = Win32ErrorFromErrno(errno);
  SetLastError(code);
  return code;
}

DWORD FormatMessage(DWORD flags, LPCVOID source, DWORD messageId, DWORD, LPSTR buffer, DWORD size,
                    va_list* args) {
  if (!buffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char* templ = nullptr;
  bool system = false;
  if (flags & FORMAT_MESSAGE_FROM_STRING) {
    templ = static_cast<const char*>(source);
  } else if (flags & FORMAT_MESSAGE_FROM_SYSTEM) {
    templ = SystemText(messageId);
    system = true;
    if (!templ) {
      SetLastError(ERROR_MR_MID_NOT_FOUND);
      return 0;
    }
  }
  if (!templ) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string text;
  bool noBreak = false;
  if (!Expand(templ, flags, args, &text, &noBreak)) return 0;
  // System texts end with a line break, unless the caller asked for no regular line breaks
  // (a maximum width of FORMAT_MESSAGE_MAX_WIDTH_MASK).
  if (system && !noBreak &&
      (flags & FORMAT_MESSAGE_MAX_WIDTH_MASK) != FORMAT_MESSAGE_MAX_WIDTH_MASK)
    text.append("\r\n");
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    size_t n = std::max<size_t>(text.size() + 1, size);
    auto* mem = static_cast<char*>(std::calloc(n, 1));
    if (!mem) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    std::memcpy(mem, text.data(), text.size());
    *reinterpret_cast<char**>(buffer) = mem;
    return static_cast<DWORD>(text.size());
  }
  if (size == 0 || text.size() + 1 > size) {
    // Too small: keep what fits, terminated, and report the failure.
    if (size > 0) {
      std::memcpy(buffer, text.data(), size - 1);
      buffer[size - 1] = 0;
    }
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = 0;
  return static_cast<DWORD>(text.size());
}

HANDLE LocalFree(HANDLE mem) {
  std::free(mem);
  return nullptr;
}
