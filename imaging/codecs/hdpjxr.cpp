// jxrlib behind the interface of hdpjxr.h. This file includes no header of ours besides its own
// and is never merged into a unity source: jxrlib's headers define min, max and common type names.
#include "imaging/codecs/hdpjxr.h"

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <JXRGlue.h>

namespace {

// jxrlib's stream interface over the caller's callbacks; the first member is what jxrlib sees.
struct TJxrStream {
  WMPStream Ws;
  const THdpIO* IO;
};

const THdpIO* JxrIO(WMPStream* Me) { return reinterpret_cast<TJxrStream*>(Me)->IO; }

ERR JxrClose(WMPStream** Me) {
  if (Me != nullptr) *Me = nullptr;  // the stream belongs to the caller
  return WMP_errSuccess;
}
Bool JxrEos(WMPStream* Me) { return JxrIO(Me)->Eos(JxrIO(Me)->User) ? TRUE : FALSE; }
ERR JxrRead(WMPStream* Me, void* Buffer, size_t Count) {
  return JxrIO(Me)->Read(JxrIO(Me)->User, Buffer, Count) ? WMP_errSuccess : WMP_errFileIO;
}
ERR JxrWrite(WMPStream* Me, const void* Buffer, size_t Count) {
  return JxrIO(Me)->Write(JxrIO(Me)->User, Buffer, Count) ? WMP_errSuccess : WMP_errFileIO;
}
ERR JxrSetPos(WMPStream* Me, size_t Pos) {
  return JxrIO(Me)->SetPos(JxrIO(Me)->User, Pos) ? WMP_errSuccess : WMP_errFileIO;
}
ERR JxrGetPos(WMPStream* Me, size_t* Pos) {
  return JxrIO(Me)->GetPos(JxrIO(Me)->User, Pos) ? WMP_errSuccess : WMP_errFileIO;
}

void JxrBind(TJxrStream& S, const THdpIO& IO) {
  std::memset(&S.Ws, 0, sizeof(S.Ws));
  S.Ws.state.pvObj = &S;
  S.Ws.Close = JxrClose;
  S.Ws.EOS = JxrEos;
  S.Ws.Read = JxrRead;
  S.Ws.Write = JxrWrite;
  S.Ws.SetPos = JxrSetPos;
  S.Ws.GetPos = JxrGetPos;
  S.IO = &IO;
}

bool JxrSame(const PKPixelFormatGUID& A, const PKPixelFormatGUID& B) { return std::memcmp(&A, &B, sizeof(A)) == 0; }

struct TJxrLayout {
  THdpPixel Pixel;
  const PKPixelFormatGUID* Guid;
  int Bits;
};
const TJxrLayout kJxrLayouts[] = {
    {THdpPixel::BlackWhite, &GUID_PKPixelFormatBlackWhite, 1}, {THdpPixel::Gray8, &GUID_PKPixelFormat8bppGray, 8},
    {THdpPixel::Gray16, &GUID_PKPixelFormat16bppGray, 16},     {THdpPixel::BGR24, &GUID_PKPixelFormat24bppBGR, 24},
    {THdpPixel::RGB24, &GUID_PKPixelFormat24bppRGB, 24},       {THdpPixel::CMYK32, &GUID_PKPixelFormat32bppCMYK, 32},
    {THdpPixel::RGB48, &GUID_PKPixelFormat48bppRGB, 48}};

const TJxrLayout* JxrLayoutOf(const PKPixelFormatGUID& G) {
  for (const auto& l : kJxrLayouts)
    if (JxrSame(*l.Guid, G)) return &l;
  return nullptr;
}
const TJxrLayout* JxrLayoutOf(THdpPixel P) {
  for (const auto& l : kJxrLayouts)
    if (l.Pixel == P) return &l;
  return nullptr;
}

}  // namespace

bool HdpJxrAvailable() {
  PKCodecFactory* f = nullptr;
  const bool ok = !Failed(PKCreateCodecFactory(&f, WMP_SDK_VERSION)) && f != nullptr;
  if (f != nullptr) f->Release(&f);
  return ok;
}

namespace {

// Decodes in this process: the geometry into Out and, with Pixels, the rows into Pixels (at most
// Capacity bytes).
bool JxrDecodeHere(const THdpIO& IO, int Index, THdpFrame& Out, uint8_t* Pixels, size_t Capacity) {
  const bool WantPixels = Pixels != nullptr;
  TJxrStream s;
  JxrBind(s, IO);
  PKImageDecode* d = nullptr;
  if (Failed(PKCodecFactory_CreateCodec(&IID_PKImageWmpDecode, reinterpret_cast<void**>(&d))) || d == nullptr)
    return false;
  bool ok = false;
  PKCodecFactory* f = nullptr;
  do {
    if (Failed(d->Initialize(d, &s.Ws))) break;
    d->fStreamOwner = FALSE;
    U32 frames = 0;
    if (Failed(d->GetFrameCount(d, &frames))) break;
    Out.Frames = frames == 0 ? 1 : frames;
    if (Index < 0 || static_cast<unsigned>(Index) >= Out.Frames) break;
    if (Index > 0 && Failed(d->SelectFrame(d, static_cast<U32>(Index)))) break;
    PKPixelFormatGUID src;
    I32 w = 0, h = 0;
    Float rx = 0, ry = 0;
    if (Failed(d->GetPixelFormat(d, &src)) || Failed(d->GetSize(d, &w, &h)) || w <= 0 || h <= 0) break;
    if (!Failed(d->GetResolution(d, &rx, &ry))) Out.DpiX = rx, Out.DpiY = ry;
    const TJxrLayout* layout = JxrLayoutOf(src);
    const TJxrLayout* target = layout != nullptr ? layout : JxrLayoutOf(THdpPixel::RGB24);
    Out.Width = w;
    Out.Height = h;
    Out.Format = target->Pixel;
    Out.Stride = ((static_cast<size_t>(w) * target->Bits + 7) / 8 + 15) & ~size_t(15);
    if (!WantPixels) {
      ok = true;
      break;
    }
    if (Out.Stride * h > Capacity) break;
    PKRect rect = {0, 0, w, h};
    if (Failed(PKCreateCodecFactory(&f, WMP_SDK_VERSION)) || f == nullptr) break;
    PKFormatConverter* conv = nullptr;
    if (Failed(f->CreateFormatConverter(&conv)) || conv == nullptr) break;
    char ext[] = ".bmp";
    ok = !Failed(conv->Initialize(conv, d, ext, *target->Guid)) &&
         !Failed(conv->Copy(conv, &rect, Pixels, static_cast<U32>(Out.Stride)));
    conv->Release(&conv);
  } while (false);
  if (f != nullptr) f->Release(&f);
  d->Release(&d);
  return ok;
}

// What a decoding process hands back besides the pixels.
struct TJxrShared {
  int Ok;
  int Width, Height, Format;
  double DpiX, DpiY;
  unsigned Frames;
  size_t Stride;
};

// Runs one decoding step in a child process: jxrlib stops the whole process on some damaged
// data (its internal checks abort), so a damaged file must only end the child. Shared is a
// shared mapping the child fills; the answer is whether the child ended normally and said so.
bool JxrDecodeApart(const THdpIO& IO, int Index, TJxrShared* Shared, uint8_t* Pixels, size_t Capacity) {
  Shared->Ok = 0;
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    // The child ends on the decoder's faults by the signal's default action: crash handlers
    // inherited from the parent (a crash reporter, a test harness) would report the parent.
    for (int sig : {SIGSEGV, SIGBUS, SIGABRT, SIGFPE, SIGILL}) signal(sig, SIG_DFL);
    THdpFrame f;
    const bool ok = JxrDecodeHere(IO, Index, f, Pixels, Capacity);
    Shared->Width = f.Width, Shared->Height = f.Height, Shared->Format = static_cast<int>(f.Format);
    Shared->DpiX = f.DpiX, Shared->DpiY = f.DpiY, Shared->Frames = f.Frames, Shared->Stride = f.Stride;
    Shared->Ok = ok ? 1 : 0;
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && Shared->Ok == 1;
}

void* JxrShare(size_t Bytes) {
  void* p = mmap(nullptr, Bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

}  // namespace

bool HdpJxrDecode(const THdpIO& IO, int Index, bool WantPixels, THdpFrame& Out, unsigned long long MaxPixels) {
  auto* shared = static_cast<TJxrShared*>(JxrShare(sizeof(TJxrShared)));
  if (shared == nullptr) return false;
  bool ok = JxrDecodeApart(IO, Index, shared, nullptr, 0);
  if (ok) {
    Out.Width = shared->Width, Out.Height = shared->Height, Out.Format = static_cast<THdpPixel>(shared->Format);
    Out.DpiX = shared->DpiX, Out.DpiY = shared->DpiY, Out.Frames = shared->Frames, Out.Stride = shared->Stride;
  }
  if (ok && WantPixels) {
    ok = false;
    const unsigned long long bytes = static_cast<unsigned long long>(Out.Stride) * Out.Height;
    if (Out.Width > 0 && Out.Height > 0 && static_cast<unsigned long long>(Out.Width) * Out.Height <= (MaxPixels < (1ull << 28) ? MaxPixels : 1ull << 28)) {
      auto* pixels = static_cast<uint8_t*>(JxrShare(static_cast<size_t>(bytes) + 16));
      if (pixels != nullptr) {
        ok = JxrDecodeApart(IO, Index, shared, pixels, static_cast<size_t>(bytes));
        if (ok) Out.Pixels.assign(pixels, pixels + bytes);
        munmap(pixels, static_cast<size_t>(bytes) + 16);
      }
    }
  }
  munmap(shared, sizeof(TJxrShared));
  return ok;
}

bool HdpJxrEncode(const THdpIO& IO, THdpPixel Format, int Width, int Height, const uint8_t* Pixels, size_t Stride,
                  double DpiX, double DpiY, const THdpEncodeOptions& Options) {
  const TJxrLayout* layout = JxrLayoutOf(Format);
  if (layout == nullptr || Width <= 0 || Height <= 0) return false;
  CWMIStrCodecParam p;
  std::memset(&p, 0, sizeof(p));
  p.bVerbose = FALSE;
  p.bdBitDepth = BD_LONG;
  p.sbSubband = SB_ALL;
  p.bProgressiveMode = TRUE;
  p.uiDefaultQPIndex = static_cast<U8>(Options.QuantizerIndex < 1 ? 1 : (Options.QuantizerIndex > 255 ? 255 : Options.QuantizerIndex));
  p.olOverlap = Options.Overlap <= 0 ? OL_NONE : (Options.Overlap == 1 ? OL_ONE : OL_TWO);
  p.cfColorFormat = Options.Subsampling <= 0 ? Y_ONLY
                    : Options.Subsampling == 1 ? YUV_420
                    : Options.Subsampling == 2 ? YUV_422 : YUV_444;
  if (Format == THdpPixel::CMYK32) p.cfColorFormat = CMYK;  // the inks are coded as they are
  p.bfBitstreamFormat = Options.FrequencyOrder ? FREQUENCY : SPATIAL;
  p.cNumOfSliceMinus1H = static_cast<U32>(Options.SlicesH);
  p.cNumOfSliceMinus1V = static_cast<U32>(Options.SlicesV);
  TJxrStream s;
  JxrBind(s, IO);
  PKImageEncode* e = nullptr;
  if (Failed(PKCodecFactory_CreateCodec(&IID_PKImageWmpEncode, reinterpret_cast<void**>(&e))) || e == nullptr)
    return false;
  const bool ok = !Failed(e->Initialize(e, &s.Ws, &p, sizeof(p))) && !Failed(e->SetPixelFormat(e, *layout->Guid)) &&
                  !Failed(e->SetSize(e, Width, Height)) &&
                  !Failed(e->SetResolution(e, static_cast<Float>(DpiX), static_cast<Float>(DpiY))) &&
                  !Failed(e->WritePixels(e, static_cast<U32>(Height), const_cast<U8*>(Pixels), static_cast<U32>(Stride)));
  e->Release(&e);
  return ok;
}
