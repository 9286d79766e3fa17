// Format detection by content (IEFindStreamFormat) and by content corrected by the extension
// (IEFindFileFormat). Every test reads a bounded header from the remembered start position; the
// position is restored afterwards and no exception leaves detection.
#include <cstring>
#include <memory>
#include <sys/stat.h>

#include "imaging/core/iestreams.h"
#include "imaging/io/iebytes.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/imageryio.h"
#include "platform/rtl/streams.h"

namespace {

constexpr int kHead = 1024;

// The first bytes as zero-terminated text (at most Len bytes) equal Text.
bool TextIs(const uint8_t* h, int n, int Len, const char* Text) {
  char buf[16] = {};
  int m = std::min(Len, n);
  std::memcpy(buf, h, m);
  buf[std::min(m, 15)] = 0;
  return std::strcmp(buf, Text) == 0;
}

bool IconDirectory(const uint8_t* h, int n, int64_t size, uint16_t Type) {
  if (n < 22) return false;
  if (IELE16(h) != 0 || IELE16(h + 2) != Type) return false;
  uint16_t count = IELE16(h + 4);
  if (count == 0) return false;
  const uint8_t* e = h + 6;  // first entry
  uint32_t bytes = IELE32(e + 8), offset = IELE32(e + 12);
  if (e[3] != 0 || bytes == 0) return false;
  if (offset < 6u + 16u * count || int64_t(offset) >= size) return false;
  if (Type == 1 && IELE16(e + 4) > 1) return false;  // planes of an icon image
  return true;
}

bool TgaHeader(const uint8_t* h, int n) {
  if (n < 18) return false;
  uint8_t cmapType = h[1], type = h[2], depth = h[16];
  uint16_t w = IELE16(h + 12), hh = IELE16(h + 14);
  if (cmapType > 1 || w == 0 || hh == 0) return false;
  if (h[17] & 0xC0) return false;  // interleaving bits are never set
  switch (type) {
    case 1:
    case 9: {
      if (cmapType != 1 || depth != 8) return false;
      uint8_t es = h[7];
      return (es == 15 || es == 16 || es == 24 || es == 32) && IELE16(h + 5) > 0;
    }
    case 2:
    case 10: return cmapType == 0 && (depth == 15 || depth == 16 || depth == 24 || depth == 32);
    case 3:
    case 11: return cmapType == 0 && (depth == 8 || depth == 16);
    default: return false;
  }
}

bool PnmHeader(const uint8_t* h, int n) {
  return n >= 3 && h[0] == 'P' && h[1] >= '1' && h[1] <= '6' &&
         (h[2] == ' ' || h[2] == '\n' || h[2] == '\r' || h[2] == '\t' || h[2] == '#');
}

bool WmfHeader(const uint8_t* h, int n) {
  if (n >= 4 && IELE32(h) == 0x9AC6CDD7u) return true;
  return n >= 6 && (IELE16(h) == 1 || IELE16(h) == 2) && IELE16(h + 2) == 9 &&
         (IELE16(h + 4) == 0x100 || IELE16(h + 4) == 0x300);
}

bool TiffHeader(const uint8_t* h, int n) {
  return n >= 8 && ((h[0] == 'I' && h[1] == 'I' && h[2] == 42 && h[3] == 0) ||
                    (h[0] == 'M' && h[1] == 'M' && h[2] == 0 && h[3] == 42));
}

// Camera RAW files that are not TIFF-based, recognised by their signatures (the RAW codec may
// supply a full identification through IECodecs.IsCameraRaw).
bool RawSignature(const uint8_t* h, int n) {
  if (n >= 8 && std::memcmp(h, "FUJIFILM", 8) == 0) return true;       // RAF
  if (n >= 4 && std::memcmp(h, "\0MRM", 4) == 0) return true;          // MRW
  if (n >= 4 && std::memcmp(h, "FOVb", 4) == 0) return true;           // X3F
  if (n >= 14 && std::memcmp(h + 6, "HEAPCCDR", 8) == 0) return true;  // CRW
  return false;
}

bool CallHook(bool (*Hook)(TStream*), TStream* S, int64_t Start) {
  if (Hook == nullptr) return false;
  S->SetPosition(Start);
  bool r = Hook(S);
  S->SetPosition(Start);
  return r;
}

}  // namespace

bool IEIsAVIStream(TStream* Stream) {
  int64_t start = Stream->Position();
  uint8_t h[12];
  bool r = Stream->Read(h, 12) == 12 && std::memcmp(h, "RIFF", 4) == 0 && std::memcmp(h + 8, "AVI ", 4) == 0;
  Stream->SetPosition(start);
  return r;
}

int32_t IEFindStreamFormat(TStream* S) {
  int32_t result = 0;
  int64_t start = 0;
  try {
    start = S->Position();
  } catch (...) {
    return 0;
  }
  try {
    const int32_t size = static_cast<int32_t>(static_cast<uint32_t>(S->Size()));
    uint8_t h[kHead] = {};
    const int n = static_cast<int>(S->Read(h, kHead));
    S->SetPosition(start);
    auto hook = [&](bool (*Hook)(TStream*)) { return CallHook(Hook, S, start); };
    if (size > 12 && TextIs(h, n, 5, "JFIF")) result = ioJPEG;
    else if (size > 13 && n >= 3 && std::memcmp(h, "GIF", 3) == 0) result = ioGIF;
    else if (size > 12 && TextIs(h, n, 5, "PCX2")) result = ioPCX;
    else if (size > 4 && TextIs(h, n, 4, "PCX")) result = ioPCX;
    else if (size > 14 && n >= 2 && h[0] == 'B' && h[1] == 'M') result = ioBMP;
    else if (size > 128 && n >= 2 && h[0] == 0x0A && h[1] <= 5) result = ioPCX;
    else if (size > 12 && TextIs(h, n, 5, "TIFF")) result = ioTIFF;
    else if (IEWICAvailable && (IECodecs.IsHDPhoto != nullptr ? hook(IECodecs.IsHDPhoto)
                                                                : (n >= 4 && h[0] == 'I' && h[1] == 'I' && h[2] == 0xBC)))
      result = ioHDP;
    else if ((IECodecs.TiffDetect != nullptr ? hook(IECodecs.TiffDetect) : TiffHeader(h, n)) &&
             !hook(IECodecs.IsCameraRaw))
      result = ioTIFF;
    else if (size > 8 && n >= 8 && std::memcmp(h, "\x89PNG\r\n\x1A\n", 8) == 0) result = ioPNG;
    else if (n >= 132 && std::memcmp(h + 128, "DICM", 4) == 0) result = ioDICOM;
    else if (IconDirectory(h, n, S->Size() - start, 1)) result = ioICO;
    else if (IconDirectory(h, n, S->Size() - start, 2)) result = ioCUR;
    else if (IECodecs.TgaDetect != nullptr ? hook(IECodecs.TgaDetect) : TgaHeader(h, n)) result = ioTGA;
    else if (IECodecs.PnmDetect != nullptr ? hook(IECodecs.PnmDetect) : PnmHeader(h, n)) result = ioPXM;
    else {
      for (int i = 0; i + 3 <= std::min(n, 150) && result == 0; ++i)
        if (h[i] == 0xFF && h[i + 1] == 0xD8 && h[i + 2] == 0xFF) result = ioJPEG;
    }
    if (result != 0) return S->SetPosition(start), result;
    static const uint8_t jp2[12] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    if (n >= 12 && std::memcmp(h, jp2, 12) == 0) result = ioJP2;
    else if (n >= 4 && h[0] == 0xFF && h[1] == 0x4F && h[2] == 0xFF && h[3] == 0x51) result = ioJ2K;
    else if (IEIsAVIStream(S)) result = ioAVI;
    else if (IECodecs.DcxDetect != nullptr ? hook(IECodecs.DcxDetect) : (n >= 4 && IELE32(h) == 987654321u))
      result = ioDCX;
    else if (IECodecs.WmfDetect != nullptr ? hook(IECodecs.WmfDetect) : WmfHeader(h, n)) result = ioWMF;
    else if (IECodecs.EmfDetect != nullptr ? hook(IECodecs.EmfDetect)
                                           : (n >= 44 && IELE32(h) == 1 && std::memcmp(h + 40, " EMF", 4) == 0))
      result = ioEMF;
    else if (n >= 4 && std::memcmp(h, "8BPS", 4) == 0) result = ioPSD;
    else if (hook(IECodecs.IsVectorObjectsFile)) result = ioIEV;
    else if (hook(IECodecs.IsLayersFile)) result = ioLYR;
    else if (hook(IECodecs.IsLayersObjectsFile)) result = ioALL;
    if (result == 0) {
      for (int i = 0; i < IEFileFormatCount() && result == 0; ++i) {
        TIEFileFormatInfo* e = IEFileFormatByIndex(i);
        if (e == nullptr || e->TryFunction == nullptr) continue;
        S->SetPosition(start);
        if (e->TryFunction(S, e->FileType)) result = e->FileType;
      }
    }
    if (result == 0 && (hook(IECodecs.IsCameraRaw) || RawSignature(h, n))) result = ioRAW;
  } catch (...) {
    // detection never raises: the answer is what was found so far
  }
  try {
    S->SetPosition(start);
  } catch (...) {
  }
  return result;
}

int32_t IEFindFileFormat(const std::string& FileName, bool Verify) {
  if (FileName.empty()) return 0;
  struct stat st;
  if (::stat(FileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  int32_t content = 0;
  try {
    TIEWideFileStream fs(FileName, fmOpenRead | fmShareDenyWrite);
    content = IEFindStreamFormat(&fs);
  } catch (...) {
    content = 0;
  }
  std::string ext;
  size_t dot = FileName.find_last_of('.'), slash = FileName.find_last_of('/');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) ext = FileName.substr(dot);
  TIEFileFormatInfo* e = IEFindFileFormatInfoByExt(ext);
  if (e != nullptr && e->FileType == ioRAW && content == ioTIFF) return ioRAW;
  if (e != nullptr && !e->InternalFormat) return e->FileType;
  if (Verify && content != 0) {
    if (e == nullptr) return 0;
    if ((content == ioICO || content == ioCUR) && (e->FileType == ioICO || e->FileType == ioCUR)) return e->FileType;
    if (e->FileType != content) return 0;
  }
  return content;
}
