// The print spooler stand-in: the installed printers, their device modes and capabilities, the
// default printer, and raw jobs that send bytes to a printer unchanged.
//
// The printers are the "PDF file" printer (port "FILE:"), which always exists and writes each
// job to a PDF file, and the CUPS queues when a CUPS server answers. Drawing jobs go through
// printer DCs (CreateDC and StartDoc in wingdi.h); raw jobs through StartDocPrinter and
// WritePrinter. Strings are UTF-8. Failures return FALSE (or 0 / -1 as noted) and set the
// reason in GetLastError (winerror.h).
#pragma once

#include "platform/win/winerror.h"
#include "platform/win/wingdi.h"

// ---- Profile (the "win.ini" settings) ----
// Kept in the program's settings folder as win.ini. Reading "windows"/"device" with no stored
// value answers the default printer as "name,driver,port".
DWORD GetProfileString(LPCSTR section, LPCSTR key, LPCSTR def, char* out, DWORD size);
BOOL WriteProfileString(LPCSTR section, LPCSTR key, LPCSTR value);  // value null removes the key

// ---- Enumeration ----
enum : DWORD {
  PRINTER_ENUM_DEFAULT = 0x1,
  PRINTER_ENUM_LOCAL = 0x2,
  PRINTER_ENUM_CONNECTIONS = 0x4,
  PRINTER_ENUM_NAME = 0x8,
  PRINTER_ENUM_REMOTE = 0x10,
  PRINTER_ENUM_SHARED = 0x20,
  PRINTER_ENUM_NETWORK = 0x40,
};
enum : DWORD {
  PRINTER_ATTRIBUTE_DEFAULT = 0x4,
  PRINTER_ATTRIBUTE_LOCAL = 0x40,
  PRINTER_ATTRIBUTE_NETWORK = 0x10
};
struct PRINTER_INFO_4A {
  LPSTR pPrinterName;
  LPSTR pServerName;
  DWORD Attributes;
};
struct PRINTER_INFO_5A {
  LPSTR pPrinterName;
  LPSTR pPortName;  // ports separated by commas
  DWORD Attributes;
  DWORD DeviceNotSelectedTimeout;
  DWORD TransmissionRetryTimeout;
};
using PRINTER_INFO_4 = PRINTER_INFO_4A;
using PRINTER_INFO_5 = PRINTER_INFO_5A;
// Levels 4 and 5. The entries and then their strings are packed into buf; when cbBuf is too
// small the call fails with ERROR_INSUFFICIENT_BUFFER and *needed tells the size. The printer
// list is read afresh on every call (a CUPS queue added meanwhile appears).
BOOL EnumPrinters(DWORD flags, LPSTR name, DWORD level, BYTE* buf, DWORD cbBuf, DWORD* needed,
                  DWORD* returned);
// The default printer's name; *size is in characters with the terminator.
BOOL GetDefaultPrinter(char* buffer, DWORD* size);
// Makes a printer the default (writes "windows"/"device"); FALSE for an unknown printer.
BOOL SetDefaultPrinter(LPCSTR name);

// ---- Printer handles and device modes ----
struct PRINTER_DEFAULTSA {
  LPSTR pDatatype;
  DEVMODEA* pDevMode;
  DWORD DesiredAccess;
};
using PRINTER_DEFAULTS = PRINTER_DEFAULTSA;
BOOL OpenPrinter(LPCSTR name, HANDLE* printer, const PRINTER_DEFAULTSA* defaults);
BOOL ClosePrinter(HANDLE printer);

enum : DWORD {
  DM_UPDATE = 1,
  DM_COPY = 2,
  DM_PROMPT = 4,
  DM_MODIFY = 8,
  DM_OUT_DEFAULT = DM_UPDATE,
  DM_OUT_BUFFER = DM_COPY,
  DM_IN_PROMPT = DM_PROMPT,
  DM_IN_BUFFER = DM_MODIFY,
};
// mode 0 (or a null output without DM_OUT_BUFFER): the size of the device mode in bytes.
// Otherwise the printer's device mode (the one given to OpenPrinter, or its defaults), with
// DM_IN_BUFFER the fields of *in merged that the printer accepts, is copied to *out with
// DM_OUT_BUFFER. DM_IN_PROMPT shows no driver dialog here: the settings are taken as they are.
// Returns IDOK (1), or -1 for a bad handle or missing output buffer.
LONG DocumentProperties(HWND wnd, HANDLE printer, LPCSTR device, DEVMODEA* out, const DEVMODEA* in,
                        DWORD mode);

// ---- Raw jobs ----
struct DOC_INFO_1A {
  LPSTR pDocName;
  LPSTR pOutputFile;  // a file (a .prn file, say) instead of the printer
  LPSTR pDatatype;    // "RAW" (or null)
};
using DOC_INFO_1 = DOC_INFO_1A;
// Starts a raw job: the bytes written reach the output file, or the printer unchanged (the PDF
// printer without a file writes them to a .prn file in the documents folder). Returns a job
// number, 0 on failure. A printer has one raw job at a time.
DWORD StartDocPrinter(HANDLE printer, DWORD level, const DOC_INFO_1A* info);
BOOL StartPagePrinter(HANDLE printer);
BOOL EndPagePrinter(HANDLE printer);
BOOL WritePrinter(HANDLE printer, const void* buf, DWORD count, DWORD* written);
BOOL EndDocPrinter(HANDLE printer);  // delivers the job
BOOL AbortPrinter(HANDLE printer);   // throws the job away, leaving no file
