// TIFF image annotations (see iemetadata.h): the tag's blocks of named items, read with every
// size, count and text bounded by the data, and built again from the objects.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iedib.h"
#include "imaging/core/iefilebuffer.h"
#include "imaging/io/iebytes.h"
#include "imaging/io/iemetadata.h"

int32_t IEAnnotScreenDpiX = 96, IEAnnotScreenDpiY = 96;

namespace {

// Offset of the font record's height in the attribute record.
constexpr int kAnnotFontHeightAt = 48;

using TAnnotItems = std::map<std::string, std::vector<uint8_t>>;

int32_t AnnotGet32(const uint8_t* D, int64_t Length, int64_t At) {
  return At >= 0 && At + 4 <= Length ? int32_t(IELE32(D + At)) : 0;
}

// Reads a named item at Pos into Items; returns the position after it (bounded by Length).
int64_t AnnotReadItem(const uint8_t* D, int64_t Length, int64_t Pos, bool Format16, TAnnotItems& Items) {
  std::string name;
  for (int i = 0; i < 8 && Pos + i < Length && D[Pos + i] != 0; ++i) name += char(D[Pos + i]);
  Pos += 8;
  const int64_t size = AnnotGet32(D, Length, Pos);
  Pos += 4;
  if (Format16) Pos += 4;
  const int64_t avail = std::max<int64_t>(0, Length - Pos);
  const int64_t n = std::clamp<int64_t>(size, 0, avail);
  if (Pos <= Length) Items[name].assign(D + Pos, D + Pos + n);
  return Pos + n;
}

void AnnotPut32(std::vector<uint8_t>& V, uint32_t X) {
  uint8_t b[4];
  IEPutLE32(b, X);
  V.insert(V.end(), b, b + 4);
}

// A block header of type Type and size 12, then the named item.
void AnnotPutItem(std::vector<uint8_t>& V, int32_t Type, const char* Name, const std::vector<uint8_t>& Data) {
  AnnotPut32(V, uint32_t(Type));
  AnnotPut32(V, 12);
  char name[8] = {};
  std::strncpy(name, Name, 8);
  V.insert(V.end(), name, name + 8);
  AnnotPut32(V, uint32_t(Data.size()));
  V.insert(V.end(), Data.begin(), Data.end());
}

std::vector<uint8_t> AnnotText(const std::string& S) {
  std::vector<uint8_t> v(S.begin(), S.end());
  v.push_back(0);
  return v;
}

}  // namespace

TIEImagingObject::TIEImagingObject() = default;
TIEImagingObject::~TIEImagingObject() { delete Image; }

int32_t TIEImagingObject::MarkType() const { return int32_t(IELE32(Attributes)); }

void TIEImagingAnnot::Clear() { FObjects.clear(); }

TIEImagingObject* TIEImagingAnnot::Add() {
  FObjects.push_back(std::make_unique<TIEImagingObject>());
  return FObjects.back().get();
}

void TIEImagingAnnot::Assign(const TIEImagingAnnot* Source) {
  Clear();
  if (Source == nullptr) return;
  for (const auto& o : Source->FObjects) {
    TIEImagingObject* c = Add();
    std::memcpy(c->Attributes, o->Attributes, sizeof c->Attributes);
    c->Points = o->Points;
    c->Text = o->Text;
    if (o->Image != nullptr) {
      c->Image = new TIEBitmap();
      c->Image->Assign(o->Image);
    }
  }
}

bool TIEImagingAnnot::LoadFromStandardBuffer(const void* Data, int Length) {
  if (Data == nullptr || Length < 8) return false;
  const auto* d = static_cast<const uint8_t*>(Data);
  const int64_t n = Length;
  const bool format16 = AnnotGet32(d, n, 4) == 0;
  TAnnotItems imageWide, mark;
  uint8_t attrs[IEAnnotAttributeSize] = {};
  auto finish = [&] {
    const int32_t type = int32_t(IELE32(attrs));
    if (type < 1) return;
    TIEImagingObject* o = Add();
    std::memcpy(o->Attributes, attrs, sizeof attrs);
    if (type == 1) {
      auto it = mark.find("OiDIB");
      if (it != mark.end() && !it->second.empty()) {
        o->Image = new TIEBitmap();
        if (IEDIBToBitmap(it->second.data(), int64_t(it->second.size()), o->Image) == 0) {
          delete o->Image;
          o->Image = nullptr;
        }
      }
    } else if (type == 3 || type == 4) {
      auto it = mark.find("OiAnoDat");
      if (it != mark.end() && it->second.size() >= 8) {
        const std::vector<uint8_t>& v = it->second;
        const int64_t declared = int32_t(IELE32(v.data() + 4));
        const int64_t count = std::clamp<int64_t>(declared, 0, int64_t(v.size() - 8) / 8);
        o->Points.resize(size_t(count) * 2);
        for (int64_t i = 0; i < count * 2; ++i) o->Points[size_t(i)] = int32_t(IELE32(v.data() + 8 + 4 * i));
      }
    } else if (type >= 7 && type <= 10) {
      auto it = mark.find("OiAnText");
      if (it != mark.end() && it->second.size() >= 16) {
        const std::vector<uint8_t>& v = it->second;
        int32_t scale = int32_t(IELE32(v.data() + 8));
        const int64_t length = std::clamp<int64_t>(int32_t(IELE32(v.data() + 12)), 0, int64_t(v.size()) - 16);
        o->Text.assign(reinterpret_cast<const char*>(v.data() + 16), size_t(length));
        if (size_t z = o->Text.find('\0'); z != std::string::npos) o->Text.resize(z);
        if (scale == 0 && IEAnnotScreenDpiY > 0) scale = 72000 / IEAnnotScreenDpiY;
        if (scale != 0 && IEAnnotScreenDpiY > 0) {
          const double h = 72000.0 / scale * int32_t(IELE32(o->Attributes + kAnnotFontHeightAt)) / IEAnnotScreenDpiY;
          if (std::fabs(h) < 2147483647.0) IEPutLE32(o->Attributes + kAnnotFontHeightAt, uint32_t(int32_t(std::lround(h))));
        }
      }
    }
  };
  int64_t pos = 8;
  while (pos + 8 <= n) {
    const int32_t type = AnnotGet32(d, n, pos);
    pos += 8;
    if (type == 2) {
      pos = AnnotReadItem(d, n, pos, format16, imageWide);
    } else if (type == 6) {
      pos = AnnotReadItem(d, n, pos, format16, mark);
    } else if (type == 5) {
      finish();
      mark.clear();
      std::memset(attrs, 0, sizeof attrs);
      const int64_t k = std::clamp<int64_t>(n - pos, 0, IEAnnotAttributeSize);
      std::memcpy(attrs, d + pos, size_t(k));
      pos += IEAnnotAttributeSize;
    }
  }
  finish();
  ChangedByUser = false;
  return true;
}

void TIEImagingAnnot::SaveToStandardBuffer(std::vector<uint8_t>& Out) const {
  Out.clear();
  if (FObjects.empty()) return;
  AnnotPut32(Out, 0);
  AnnotPut32(Out, 1);
  AnnotPutItem(Out, 2, "OiGroup", AnnotText("0"));
  AnnotPutItem(Out, 2, "OiIndex", AnnotText("1"));
  for (size_t k = 0; k < FObjects.size(); ++k) {
    const TIEImagingObject& o = *FObjects[k];
    AnnotPut32(Out, 5);
    AnnotPut32(Out, IEAnnotAttributeSize);
    Out.insert(Out.end(), o.Attributes, o.Attributes + IEAnnotAttributeSize);
    const int32_t type = o.MarkType();
    if (type == 1 && o.Image != nullptr && !o.Image->IsEmpty()) {
      std::vector<uint8_t> rot;
      for (int32_t v : {1, 1000, IEAnnotScreenDpiX, IEAnnotScreenDpiY, IEAnnotScreenDpiX, IEAnnotScreenDpiY, 0, 0})
        AnnotPut32(rot, uint32_t(v));
      rot.resize(56, 0);
      AnnotPutItem(Out, 6, "OiAnoDat", rot);
      int64_t size = 0;
      void* dib = _CopyBitmaptoDIBEx(o.Image, 0, 0, 0, 0, 200, 200, &size);
      if (dib != nullptr) {
        const auto* p = static_cast<const uint8_t*>(dib);
        AnnotPutItem(Out, 6, "OiDIB", std::vector<uint8_t>(p, p + size));
        IEGlobalFree(dib);
      }
    } else if (type == 3 || type == 4) {
      std::vector<uint8_t> v;
      const uint32_t count = uint32_t(o.Points.size() / 2);
      AnnotPut32(v, count);
      AnnotPut32(v, count);
      for (size_t i = 0; i < size_t(count) * 2; ++i) AnnotPut32(v, uint32_t(o.Points[i]));
      AnnotPutItem(Out, 6, "OiAnoDat", v);
    } else if (type >= 7 && type <= 10) {
      std::vector<uint8_t> v;
      AnnotPut32(v, 0);
      AnnotPut32(v, 1000);
      AnnotPut32(v, uint32_t(IEAnnotScreenDpiY > 0 ? 72000 / IEAnnotScreenDpiY : 0));
      AnnotPut32(v, uint32_t(o.Text.size() + 1));
      const std::vector<uint8_t> t = AnnotText(o.Text);
      v.insert(v.end(), t.begin(), t.end());
      AnnotPutItem(Out, 6, "OiAnText", v);
    }
    AnnotPutItem(Out, 6, "OiGroup", AnnotText("0"));
    AnnotPutItem(Out, 6, "OiIndex", AnnotText(std::to_string(k)));
  }
}
