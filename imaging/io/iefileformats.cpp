// The process-wide file-format registry, the LZW hooks, the codec table and the progress record.
#include "imaging/io/iefileformats.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

#include "imaging/io/iecodechooks.h"

TIECodecs IECodecs;
bool IEWICAvailable = false;
bool IEColorManagement = false;
TGIFLZWDecompFunc IEGifLzwDecompressHook = nullptr;
TGIFLZWCompFunc IEGifLzwCompressHook = nullptr;
TTIFFLZWDecompFunc IETiffLzwDecompressHook = nullptr;
TTIFFLZWCompFunc IETiffLzwCompressHook = nullptr;

void TIEProgressRec::Report() {
  if (Callback == nullptr) return;
  int p = static_cast<int>(std::trunc(Val * Per));
  if (p == LastPer) return;
  LastPer = p;
  Callback(Data, Sender, p);
}

namespace {
// The list is changed only at start-up, shut-down and by plug-in registration; look-ups from
// worker threads take the same lock so that a registration never races a detection.
std::recursive_mutex& RegistryLock() {
  static std::recursive_mutex m;
  return m;
}
std::vector<std::unique_ptr<TIEFileFormatInfo>>& Registry() {
  static std::vector<std::unique_ptr<TIEFileFormatInfo>> list;
  return list;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

struct TBuiltin {
  int32_t FileType;
  const char* FullName;
  const char* Extensions;
  TIEDialogPages Page;
  bool Read, Write;
};
// Registration order matters: extension look-ups take the first entry that lists an extension.
constexpr TBuiltin Builtins[] = {
    {1, "TIFF Bitmap", "TIF;TIFF;FAX;G3N;G3F;XIF", ppTIFF, true, true},
    {2, "CompuServe Bitmap", "GIF", ppGIF, true, true},
    {3, "JPEG Bitmap", "JPG;JPEG;JPE;JIF", ppJPEG, true, true},
    {4, "PaintBrush", "PCX", ppPCX, true, true},
    {5, "Windows Bitmap", "BMP;DIB;RLE", ppBMP, true, true},
    {21, "Raw Bitmap", "", 0, true, true},
    {6, "Windows Icon", "ICO", 0, true, true},
    {7, "Windows Cursor", "CUR", 0, true, false},
    {8, "Portable Network Graphics", "PNG", ppPNG, true, true},
    {28, "DICOM Bitmap", "DCM;DIC;DICOM", 0, true, false},
    {9, "Windows Metafile", "WMF", 0, true, false},
    {10, "Enhanced Windows Metafile", "EMF", 0, true, false},
    {11, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX", ppTGA, true, true},
    {12, "Portable Pixmap, GrayMap, BitMap", "PXM;PPM;PGM;PBM", 0, true, true},
    {16, "Wireless Bitmap", "WBMP", 0, true, true},
    {13, "JPEG2000", "JP2", ppJ2000, true, true},
    {14, "JPEG2000 Code Stream", "J2K;JPC;J2C", ppJ2000, true, true},
    {17, "PostScript Level 2", "PS;EPS", 0, false, true},
    {18, "Adobe PDF", "PDF", 0, false, true},
    {19, "Multipage PCX", "DCX", 0, true, true},
    {20, "Camera RAW", "CRW;CR2;NEF;RAW;PEF;RAF;X3F;BAY;ORF;SRF;MRW;DCR;SR2", 0, true, false},
    {24, "Photoshop PSD", "PSD", 0, true, true},
    {25, "Vectorial objects", "IEV", 0, true, true},
    {26, "Layers", "LYR", 0, true, true},
    {27, "Layers and objects", "ALL", 0, true, true},
    {29, "Microsoft HD Photo", "WDP;HDP", 0, true, true},
};

// The Index-th ";"-separated piece of Extensions, empty past the end.
std::string ExtAt(const std::string& Extensions, int Index) {
  size_t start = 0;
  for (int i = 0; i < Index; ++i) {
    size_t p = Extensions.find(';', start);
    if (p == std::string::npos) return {};
    start = p + 1;
  }
  if (start >= Extensions.size()) return {};
  size_t p = Extensions.find(';', start);
  return Extensions.substr(start, p == std::string::npos ? std::string::npos : p - start);
}
}  // namespace

void IEDummyReadImage(TStream*, TIEBitmap*, TIOParamsVals&, TIEProgressRec&, bool) {}
void IEDummyWriteImage(TStream*, TIEBitmap*, TIOParamsVals&, TIEProgressRec&) {}
bool IEDummyTryImage(TStream*, int32_t) { return false; }

TIEFileFormatInfo* IEFindFileFormatInfo(int32_t FileType) {
  std::lock_guard<std::recursive_mutex> g(RegistryLock());
  for (auto& e : Registry())
    if (e->FileType == FileType) return e.get();
  return nullptr;
}

std::string IEFileFormatGetExt(int32_t FileType, int Index) {
  TIEFileFormatInfo* Info = IEFindFileFormatInfo(FileType);
  if (Info == nullptr || Index < 0) return {};
  return ExtAt(Info->Extensions, Index);
}

int IEFileFormatExtCount(int32_t FileType) {
  int n = 0;
  while (!IEFileFormatGetExt(FileType, n).empty()) ++n;
  return n;
}

TIEFileFormatInfo* IEFindFileFormatInfoByExt(const std::string& Ext) {
  std::string q = Lower(Ext);
  if (!q.empty() && q[0] == '.') q.erase(0, 1);
  if (q.empty()) return nullptr;
  std::lock_guard<std::recursive_mutex> g(RegistryLock());
  for (auto& e : Registry()) {
    for (int i = 0;; ++i) {
      std::string x = ExtAt(e->Extensions, i);
      if (x.empty()) break;
      if (Lower(x) == q) return e.get();
    }
  }
  return nullptr;
}

int IERegisterFileFormat(TIEFileFormatInfo* Info) {
  std::lock_guard<std::recursive_mutex> g(RegistryLock());
  Registry().emplace_back(Info);
  return static_cast<int>(Registry().size()) - 1;
}

void IEUnregisterFileFormat(int32_t FileType) {
  std::lock_guard<std::recursive_mutex> g(RegistryLock());
  auto& r = Registry();
  auto it = std::find_if(r.begin(), r.end(), [&](auto& e) { return e->FileType == FileType; });
  if (it != r.end()) r.erase(it);
}

void IEInitFileFormats() {
  std::lock_guard<std::recursive_mutex> g(RegistryLock());
  Registry().clear();
  for (const TBuiltin& b : Builtins) {
    if (b.FileType == ioHDP && !IEWICAvailable) break;
    auto* e = new TIEFileFormatInfo();
    e->FileType = b.FileType;
    e->FullName = b.FullName;
    e->Extensions = b.Extensions;
    e->InternalFormat = true;
    e->DialogPage = b.Page;
    e->ReadFunction = b.Read ? &IEDummyReadImage : nullptr;
    e->WriteFunction = b.Write ? &IEDummyWriteImage : nullptr;
    e->TryFunction = &IEDummyTryImage;
    Registry().emplace_back(e);
  }
}

void IEFreeFileFormats() {
  std::lock_guard<std::recursive_mutex> g(RegistryLock());
  Registry().clear();
}

int IEFileFormatCount() {
  std::lock_guard<std::recursive_mutex> g(RegistryLock());
  return static_cast<int>(Registry().size());
}

TIEFileFormatInfo* IEFileFormatByIndex(int Index) {
  std::lock_guard<std::recursive_mutex> g(RegistryLock());
  if (Index < 0 || Index >= static_cast<int>(Registry().size())) return nullptr;
  return Registry()[Index].get();
}
