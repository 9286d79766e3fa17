// TClipboard over the window manager's clipboard.
#include "platform/vcl/clipbrd.h"

#include <chrono>
#include <thread>

#include "platform/vcl/graphics.h"

ORV_CLASS_IMPL(TClipboard, TPersistent)

TClipboard* Clipboard() {
  static TClipboard c;
  return &c;
}

void TClipboard::Open() {
  if (FOpenCount++ > 0) return;
  // Another window may hold it for a moment: try for about half a second.
  for (int i = 0; i < 50; ++i) {
    if (OpenClipboard(nullptr)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  FOpenCount = 0;
  throw EClipboardException("Cannot open clipboard");
}

void TClipboard::Close() {
  if (FOpenCount == 0) return;
  if (--FOpenCount == 0) CloseClipboard();
}

void TClipboard::Clear() {
  Open();
  EmptyClipboard();
  Close();
}

bool TClipboard::HasFormat(UINT Format) const { return IsClipboardFormatAvailable(Format) != FALSE; }

int TClipboard::FormatCount() const { return CountClipboardFormats(); }

std::string TClipboard::AsText() const { return GetClipboardText(); }

void TClipboard::SetAsText(const std::string& Value) {
  Open();
  EmptyClipboard();
  SetClipboardBytes(CF_TEXT, Value.c_str(), Value.size() + 1);
  Close();
}

void TClipboard::SetBuffer(UINT Format, const std::vector<uint8_t>& Data) {
  Open();
  SetClipboardBytes(Format, Data.data(), Data.size());
  Close();
}

std::vector<uint8_t> TClipboard::GetBuffer(UINT Format) const {
  size_t n = 0;
  if (!GetClipboardBytes(Format, nullptr, &n)) return {};
  std::vector<uint8_t> out(n);
  GetClipboardBytes(Format, out.data(), &n);
  return out;
}

void TClipboard::SetBitmap(TBitmap* Source) {
  if (!Source) return;
  // A 32-bit copy drawn from the bitmap's own canvas (its DC holds the bitmap selected).
  void* bits = nullptr;
  HBITMAP copy = CreateDIB32(Source->Width(), Source->Height(), &bits);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, copy);
  BitBlt(dc, 0, 0, Source->Width(), Source->Height(), Source->Canvas()->Handle(), 0, 0, SRCCOPY);
  SelectObject(dc, old);
  DeleteDC(dc);
  Open();
  EmptyClipboard();
  SetClipboardData(CF_BITMAP, copy);
  Close();
}

bool TClipboard::GetBitmap(TBitmap* Dest) const {
  HBITMAP h = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  if (!h || !Dest) return false;
  BITMAP bm{};
  GetObject(h, sizeof bm, &bm);
  Dest->SetPixelFormat(pf32bit);
  Dest->SetWidth(bm.bmWidth);
  Dest->SetHeight(bm.bmHeight);
  HDC src = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(src, h);
  BitBlt(Dest->Canvas()->Handle(), 0, 0, bm.bmWidth, bm.bmHeight, src, 0, 0, SRCCOPY);
  SelectObject(src, old);
  DeleteDC(src);
  Dest->SetModified(true);
  return true;
}

void TClipboard::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBitmap*>(Source)) {
    SetBitmap(b);
    return;
  }
  TPersistent::Assign(Source);
}
