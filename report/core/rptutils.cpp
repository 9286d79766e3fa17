// Shared helpers of the report library.
#include "report/core/rptutils.h"

#include <algorithm>
#include <cstdio>

#include "platform/rtl/collection.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/rtl/variant.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptclass.h"
#include "report/core/rptres.h"
#include "report/core/rptxmlserializer.h"

TrptRect rptMakeFloatRect(Extended Left, Extended Top, Extended Right, Extended Bottom) {
  return TrptRect{Left, Top, Right, Bottom};
}

TrptPoint rptMakeFloatPoint(Extended X, Extended Y) { return TrptPoint{X, Y}; }

// ---- Name paths ----

namespace {
bool IsFormLike(TComponent* C) { return dynamic_cast<TCustomForm*>(C) != nullptr; }
}  // namespace

TComponent* rptComponentByPath(TComponent* Owner, const std::string& Path) {
  try {
    size_t dot = Path.find('.');
    if (dot != std::string::npos) {
      TComponent* top = FindGlobalComponent(Path.substr(0, dot));
      if (!top) return nullptr;
      std::string rest = Path.substr(dot + 1, 255);
      size_t dot2 = rest.find('.');
      if (dot2 != std::string::npos) {
        TComponent* frame = top->FindComponent(rest.substr(0, dot2));
        if (!frame) return nullptr;
        return frame->FindComponent(rest.substr(rest.rfind('.') + 1));
      }
      return top->FindComponent(rest);
    }
    if (!Owner) return nullptr;
    TComponent* c = Owner->FindComponent(Path);
    if (!c && dynamic_cast<TrptReport*>(Owner) && Owner->Owner()) c = Owner->Owner()->FindComponent(Path);
    return c;
  } catch (const std::exception&) {
    throw EClassNotFound("Missing " + Path);
  }
}

std::string rptComponentFullName(TComponent* Report, TComponent* Component) {
  if (!Component) return std::string();
  TComponent* owner = Component->Owner();
  if (!owner || owner == Report ||
      (dynamic_cast<TrptReport*>(Report) && owner == Report->Owner()))
    return Component->Name();
  if (IsFormLike(owner)) return owner->Name() + "." + Component->Name();
  return std::string();
}

void rptListComponents(TComponent* Report, TClass AClass, TStrings* List, TComponent* Skip) {
  List->Clear();
  auto search = [&](TComponent* Container) {
    for (int i = 0; i < Container->ComponentCount(); ++i) {
      TComponent* c = Container->Components(i);
      if (c != Skip && c->InheritsFrom(AClass)) List->AddObject(rptComponentFullName(Report, c), c);
    }
  };
  if (dynamic_cast<TrptReport*>(Report)) search(Report);
  for (int i = 0; i < Screen()->FormCount(); ++i) search(Screen()->Forms(i));
}

// ---- Text ----

std::string rptExtractBracketed(const std::string& S, const std::string& Open, const std::string& Close,
                                int& I, int& J) {
  std::string result;
  J = I;
  bool outSingle = true, outDouble = true;
  int depth = 0;
  const int len = static_cast<int>(S.size());
  if (S.empty() || len < J) return result;
  auto at = [&](int pos, const std::string& d) {
    return pos >= 1 && pos - 1 + static_cast<int>(d.size()) <= len && S.compare(static_cast<size_t>(pos - 1), d.size(), d) == 0;
  };
  // The first step looks at the starting position itself.
  J = I - 1;
  do {
    ++J;
    if (J > len) break;
    unsigned char ch = static_cast<unsigned char>(S[static_cast<size_t>(J - 1)]);
    if (outSingle && outDouble) {
      if (at(J, Open)) {
        if (depth == 0) I = J;
        ++depth;
      } else if (at(J, Close)) {
        --depth;
      }
    }
    if (outSingle && ch == '"') outDouble = !outDouble;
    if (outDouble && ch == '\'') outSingle = !outSingle;
    // Multibyte characters are passed over whole.
    if (ch >= 0xC0) {
      int extra = ch >= 0xF0 ? 3 : ch >= 0xE0 ? 2 : 1;
      J = std::min(J + extra, len);
    }
  } while (depth != 0 && J < len);
  int count = J - I - static_cast<int>(Open.size());
  if (count > 0) result = S.substr(static_cast<size_t>(I - 1 + static_cast<int>(Open.size())), static_cast<size_t>(count));
  if (I != J) J = J + static_cast<int>(Close.size()) - 1;
  return result;
}

void rptSplitText(const std::string& Text, TStrings* List, char Separator) {
  List->Clear();
  size_t pos = 0;
  while (pos < Text.size()) {
    size_t sep = Text.find(Separator, pos);
    if (sep == std::string::npos) {
      List->Add(Text.substr(pos));
      break;
    }
    List->Add(Text.substr(pos, sep - pos));
    pos = sep + 1;
  }
}

std::string rptStreamToHex(TMemoryStream* Stream) {
  static const char digits[] = "0123456789ABCDEF";
  auto* p = static_cast<const unsigned char*>(Stream->Memory());
  std::string s;
  s.reserve(static_cast<size_t>(Stream->Size()) * 2);
  for (int64_t i = 0; i < Stream->Size(); ++i) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}

namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
}  // namespace

void rptHexToStream(const std::string& Text, TStream* Stream) {
  std::vector<uint8_t> bytes(Text.size() / 2, 0);
  for (size_t i = 0; i < bytes.size(); ++i) {
    int hi = HexDigit(Text[2 * i]), lo = HexDigit(Text[2 * i + 1]);
    if (hi < 0 || lo < 0) break;
    bytes[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  Stream->SetPosition(0);
  if (!bytes.empty()) Stream->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

Extended rptTextToFloat(const std::string& Text) {
  std::string s;
  for (char c : Text) {
    if (c == ' ') continue;
    s += c == ',' || c == '.' ? FormatSettings.DecimalSeparator : c;
  }
  return StrToFloat(s);
}

std::string rptFloatToText(Extended Value) {
  if (Value == static_cast<Extended>(static_cast<int64_t>(Value))) return FloatToStr(Value);
  return Format("%2.2f", {Value});
}

std::string rptColorToHex(int32_t Color) {
  COLORREF rgb = ColorToRGB(Color);
  char buf[16];
  snprintf(buf, sizeof buf, "#%.2X%.2X%.2X", static_cast<unsigned>(rgb & 0xFF),
           static_cast<unsigned>((rgb >> 8) & 0xFF), static_cast<unsigned>((rgb >> 16) & 0xFF));
  return buf;
}

void rptParsePageNumbers(const std::string& Text, TStrings* List, int PageCount) {
  List->Clear();
  std::string s;
  for (char c : Text)
    if (c != ' ') s += c;
  if (s.empty()) return;
  if (s.back() == '-') s += IntToStr(PageCount);
  s += ',';
  bool range = false;
  int rangeStart = 1;
  size_t partStart = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '-') {
      rangeStart = StrToInt(s.substr(partStart, i - partStart));
      range = true;
      partStart = i + 1;
    } else if (s[i] == ',') {
      int end = StrToInt(s.substr(partStart, i - partStart));
      if (!range) {
        List->Add(IntToStr(end));
      } else {
        for (int n = rangeStart; n <= end; ++n) List->Add(IntToStr(n));
      }
      range = false;
      partStart = i + 1;
    }
  }
}

// ---- Message boxes ----

void rptShowError(const std::string& Message) {
  Application()->MessageBox(Message, rptGet("mbError"), MB_ICONERROR | MB_OK);
}

int rptShowConfirm(const std::string& Message, unsigned Buttons) {
  return Application()->MessageBox(Message, rptGet("mbConfirm"), Buttons + MB_ICONQUESTION);
}

// ---- Pictures ----

void rptLoadImageStrip(TBitmap* Strip, int W, int H, TImageList* Main, TImageList* Second) {
  TBitmap cell;
  cell.SetWidth(W);
  cell.SetHeight(H);
  auto cut = [&](int x, int y) {
    RECT dst{0, 0, W, H};
    RECT src{x, y, x + W, y + H};
    cell.Canvas()->Brush()->SetColor(clWhite);
    cell.Canvas()->FillRect(dst);
    cell.Canvas()->CopyRect(dst, Strip->Canvas(), src);
  };
  int x = 0, y = 0;
  while (y < Strip->Height()) {
    cut(x, y);
    Main->AddMasked(&cell, clDefault);
    if (Second) {
      x += W;
      cut(x, y);
      for (int yy = 0; yy < H; ++yy)
        for (int xx = 0; xx < W; ++xx)
          if (ColorToRGB(cell.Canvas()->Pixels(xx, yy)) == 0xFFFFFF) cell.Canvas()->SetPixels(xx, yy, 0xE0E0E0);
      Second->AddMasked(&cell, clDefault);
    }
    x += W;
    if (x >= Strip->Width()) {
      x = 0;
      y += H;
    }
  }
}

void rptDrawMaskedBitmap(TCanvas* Canvas, int X, int Y, TBitmap* Bitmap) {
  TImageList list;
  list.SetWidth(Bitmap->Width());
  list.SetHeight(Bitmap->Height());
  list.AddMasked(Bitmap, Bitmap->TransparentColor());
  list.Draw(Canvas, X, Y, 0);
}

void rptStretchDrawBitmap(TCanvas* Canvas, int Left, int Top, int Right, int Bottom, TBitmap* Bitmap) {
  Canvas->StretchDraw(RECT{Left, Top, Right, Bottom}, Bitmap);
}

void rptStretchDrawGraphic(TCanvas* Canvas, int Left, int Top, int Right, int Bottom, TGraphic* Graphic) {
  if (dynamic_cast<TMetafile*>(Graphic)) {
    Canvas->StretchDraw(RECT{Left, Top, Right, Bottom}, Graphic);
    return;
  }
  TBitmap bmp;
  bmp.SetPixelFormat(pf32bit);
  bmp.SetWidth(Graphic->Width());
  bmp.SetHeight(Graphic->Height());
  bmp.Canvas()->Draw(0, 0, Graphic);
  rptStretchDrawBitmap(Canvas, Left, Top, Right, Bottom, &bmp);
}

// ---- Collections inside report files ----

void rptWriteItemCollection(TCollection* Collection, TWriter* Writer, TComponent* Owner) {
  auto* rc = dynamic_cast<TrptComponent*>(Owner);
  if (!rc || !rc->IsWriting) {
    Writer->WriteCollection(Collection);
    return;
  }
  TrptXMLSerializer serializer;
  serializer.RefRoot = rc->GetReport();
  Writer->WriteListBegin();
  for (int i = 0; i < Collection->Count(); ++i) {
    Writer->WriteListBegin();
    Writer->WriteLString(serializer.BuildAttrText(Collection->Items(i)));
    Writer->WriteListEnd();
  }
  Writer->WriteListEnd();
}

namespace {
// Texts of old streams kept characters above 127 as the code 1 followed by the character - 128.
std::string DecodeHighChars(const std::string& S) {
  std::string r;
  for (size_t i = 0; i < S.size(); ++i) {
    if (S[i] == '\x01' && i + 1 < S.size()) {
      r += static_cast<char>(static_cast<unsigned char>(S[i + 1]) + 128);
      ++i;
    } else {
      r += S[i];
    }
  }
  return r;
}
}  // namespace

void rptReadItemCollection(TCollection* Collection, TReader* Reader, TComponent* Owner) {
  if (Reader->NextValue() == vaCollection) {
    Reader->ReadValue();
    Reader->ReadCollection(Collection);
    for (int i = 0; i < Collection->Count(); ++i) {
      TCollectionItem* item = Collection->Items(i);
      for (PPropInfo p : GetPropList(item, TypeKindBit(tkString) | TypeKindBit(tkLString) |
                                                TypeKindBit(tkWString) | TypeKindBit(tkVariant))) {
        if (!p->CanWrite) continue;
        if (p->PropType->Kind == tkVariant) {
          Variant v = GetVariantProp(item, p);
          if (!v.IsString()) continue;
          std::string d = DecodeHighChars(v.AsString());
          if (d != v.AsString()) SetVariantProp(item, p, Variant(d));
        } else {
          std::string s = GetStrProp(item, p);
          std::string d = DecodeHighChars(s);
          if (d != s) SetStrProp(item, p, d);
        }
      }
    }
    return;
  }
  Collection->Clear();
  auto* rc = dynamic_cast<TrptComponent*>(Owner);
  TrptReport* report = rc ? rc->GetReport() : nullptr;
  Reader->ReadListBegin();
  while (!Reader->EndOfList()) {
    Reader->ReadListBegin();
    // The text first: damaged data must not leave an empty item behind.
    std::string text = Reader->ReadString();
    TCollectionItem* item = Collection->Add();
    if (report && report->CurrentSerializer) {
      report->CurrentSerializer->ApplyAttrText(text, item);
    } else {
      TrptXMLSerializer serializer;
      serializer.RefRoot = report;
      serializer.ApplyToItem(report, item, text);
    }
    Reader->ReadListEnd();
  }
  Reader->ReadListEnd();
}

std::string rptNewTempFileName(const std::string& Folder) {
  return GetTempFileName(Folder.empty() ? GetTempPath() : Folder, "rp");
}
