// TClipboard: the clipboard as an object (text, bitmaps, named formats), over the window
// manager's clipboard. Clipboard() is the program's one instance.
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/persistent.h"
#include "platform/rtl/sysutils.h"
#include "platform/win/winuser.h"

class TBitmap;

class TClipboard : public TPersistent {
  ORV_CLASS(TClipboard, TPersistent)
public:
  TClipboard() = default;
  // Opens the clipboard, retrying for a while when another window holds it (as the original
  // callers do); EClipboardException "Cannot open clipboard" when it stays taken. Nested
  // opens count.
  void Open();
  void Close();
  void Clear();
  bool HasFormat(UINT Format) const;
  int FormatCount() const;
  std::string AsText() const;
  void SetAsText(const std::string& Value);
  // Bytes of a named or numbered format ("IMAGERY RAW FORMAT", ...).
  void SetBuffer(UINT Format, const std::vector<uint8_t>& Data);
  std::vector<uint8_t> GetBuffer(UINT Format) const;
  // A copy of the bitmap goes on the clipboard; GetBitmap fills Dest with what is there.
  void SetBitmap(TBitmap* Source);
  bool GetBitmap(TBitmap* Dest) const;
  void Assign(TPersistent* Source) override;

private:
  int FOpenCount = 0;
};

ORV_EXCEPTION(EClipboardException, Exception)

TClipboard* Clipboard();
