// Pixel helpers the codecs share (see iecodecutil.h).
#include "imaging/codecs/iecodecutil.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iefilebuffer.h"
#include "imaging/core/iemask.h"
#include "imaging/core/ieresample.h"
#include "imaging/core/ieutils.h"
#include "imaging/io/iefileformats.h"
#include "platform/rtl/streams.h"

TIEBitmap* IEConvertedCopy(TIEBitmap* Source, TIEPixelFormat Format) {
  auto out = std::make_unique<TIEBitmap>();
  out->Assign(Source);
  out->SetPixelFormat(Format);
  return out.release();
}

TIEBitmap* IEResampleCopy(TIEBitmap* Source, int Width, int Height) {
  auto out = std::make_unique<TIEBitmap>();
  if (Width <= 0 || Height <= 0 || Source->IsEmpty()) return out.release();
  // The resampler fills the transparent pixels of its source: it works on a copy.
  const TIEPixelFormat pf = Source->PixelFormat() == ie1g ? ie1g : ie24RGB;
  std::unique_ptr<TIEBitmap> work(IEConvertedCopy(Source, pf));
  out->Allocate(Width, Height, pf);
  IEResample(work.get(), out.get(), pf == ie1g ? rfNone : rfFastLinear, nullptr, TIEProgressEvent());
  return out.release();
}

void IECodecWrite(TStream* Stream, const void* Data, int64_t Count, bool& Failed, TIEProgressRec& Progress) {
  bool a = false;
  IEStreamWrite(Stream, a, Data, Count);
  if (!a) return;
  Failed = true;
  Progress.Abort();
}

void IECodecSay(TIEProgressRec& Progress, int Per) {
  if (Progress.Callback == nullptr || Per == Progress.LastPer) return;
  Progress.LastPer = Per;
  Progress.Callback(Progress.Data, Progress.Sender, Per);
}

int IEDpiFromPpm(int64_t PixelsPerMetre) { return static_cast<int>(std::nearbyint(PixelsPerMetre / 100.0 * 2.54)); }

int64_t IEPpmFromDpi(int64_t Dpi) { return static_cast<int64_t>(std::nearbyint(Dpi / 2.54 * 100)); }

bool IEPlausibleImageSize(int64_t Width, int64_t Height, int64_t DataBytes) {
  if (Width <= 0 || Height <= 0) return true;
  const int64_t pixels = Width * Height;
  if (DataBytes < 0) DataBytes = 0;
  return pixels <= (int64_t(1) << 30) && pixels <= (DataBytes + 1024) * 65536;
}

TIECodecReader::TIECodecReader(TStream* Stream, int BufferSize)
    : FStream(Stream), FBuf(new unsigned char[std::max(16, BufferSize)]), FSize(std::max(16, BufferSize)),
      FBase(Stream->Position()) {}

TIECodecReader::~TIECodecReader() { delete[] FBuf; }

int TIECodecReader::Refill() {
  if (FEnd) return -1;
  FBase += FLen;
  FAt = 0;
  const int64_t got = FStream->Read(FBuf, FSize);
  FLen = got > 0 ? static_cast<int>(got) : 0;
  if (FLen == 0) {
    FEnd = true;
    return -1;
  }
  return FBuf[FAt++];
}

int64_t TIECodecReader::Read(void* Dest, int64_t Count) {
  auto* out = static_cast<unsigned char*>(Dest);
  int64_t done = 0;
  while (done < Count) {
    if (FAt >= FLen) {
      const int c = Refill();
      if (c < 0) break;
      --FAt;  // Refill consumed one byte; give it back to the copy below
    }
    const int64_t n = std::min<int64_t>(Count - done, FLen - FAt);
    std::memcpy(out + done, FBuf + FAt, static_cast<size_t>(n));
    FAt += static_cast<int>(n);
    done += n;
  }
  return done;
}

int64_t TIECodecReader::Skip(int64_t Count) {
  int64_t done = 0;
  while (done < Count) {
    if (FAt >= FLen) {
      // A long skip moves the stream instead of reading through it.
      const int64_t left = Count - done;
      if (left > FSize && !FEnd) {
        const int64_t size = FStream->Size();
        const int64_t to = std::min(size, FBase + FLen + left);
        done += to - (FBase + FLen);
        FBase = to;
        FLen = FAt = 0;
        FStream->SetPosition(to);
        if (to >= size) FEnd = true;
        continue;
      }
      if (Refill() < 0) break;
      --FAt;
    }
    const int64_t n = std::min<int64_t>(Count - done, FLen - FAt);
    FAt += static_cast<int>(n);
    done += n;
  }
  return done;
}

void TIECodecReader::Sync() { FStream->SetPosition(Position()); }
