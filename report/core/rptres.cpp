// The keyed text table and image lists of the report library.
#include "report/core/rptres.h"

#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptutils.h"

ORV_CLASS_IMPL(TrptResources, TObject)

TrptResources::TrptResources()
    : FDisabledButtonImages(std::make_unique<TImageList>()),
      FButtonImages(std::make_unique<TImageList>()),
      FKeys(std::make_unique<TStringList>()),
      FObjectImages(std::make_unique<TImageList>()),
      FTexts(std::make_unique<TStringList>()) {
  FDisabledButtonImages->SetWidth(16);
  FDisabledButtonImages->SetHeight(16);
  FButtonImages->SetWidth(16);
  FButtonImages->SetHeight(16);
  FObjectImages->SetWidth(22);
  FObjectImages->SetHeight(22);
  FKeys->SetSorted(true);
  FKeys->SetDuplicates(dupIgnore);
}

TrptResources::~TrptResources() = default;

void TrptResources::Add(const std::string& Key, const std::string& Text) {
  int i;
  if (FKeys->Find(Key, i)) {
    FTexts->Put(static_cast<int>(reinterpret_cast<intptr_t>(FKeys->Objects(i))), Text);
    return;
  }
  int index = FTexts->Add(Text);
  FKeys->AddObject(Key, reinterpret_cast<TObject*>(static_cast<intptr_t>(index)));
}

void TrptResources::AddStrings(const std::string& Lines) {
  size_t pos = 0;
  while (pos <= Lines.size()) {
    size_t end = Lines.find_first_of("\r\n", pos);
    std::string line = Lines.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    size_t eq = line.find('=');
    if (eq != std::string::npos && eq > 0 && eq + 1 < line.size())
      Add(line.substr(0, eq), line.substr(eq + 1));
    if (end == std::string::npos) break;
    pos = end + 1;
    if (Lines[end] == '\r' && pos < Lines.size() && Lines[pos] == '\n') ++pos;
  }
}

std::string TrptResources::Get(const std::string& Key) const {
  int i;
  if (!FKeys->Find(Key, i)) return Key;
  return FTexts->Get(static_cast<int>(reinterpret_cast<intptr_t>(FKeys->Objects(i))));
}

namespace {
// The strips "rptBUTTONS" and "rptOBJECTS" are pictures of the program; until the program
// carries them, asking for a list that was never loaded fails like a missing resource.
[[noreturn]] void MissingResource(const char* Name) {
  throw EResNotFound(Format("Resource %s not found", {Name}));
}
}  // namespace

TImageList* TrptResources::ButtonImageList() {
  if (FButtonImages->Count() == 0) MissingResource("rptBUTTONS");
  return FButtonImages.get();
}

TImageList* TrptResources::ObjectImageList() {
  if (FObjectImages->Count() == 0) MissingResource("rptOBJECTS");
  return FObjectImages.get();
}

void TrptResources::LoadButtonImages(TBitmap* Strip, bool Clear) {
  if (Clear) {
    FButtonImages->Clear();
    FDisabledButtonImages->Clear();
  }
  rptLoadImageStrip(Strip, 16, 16, FButtonImages.get(), FDisabledButtonImages.get());
}

void TrptResources::LoadObjectImages(TBitmap* Strip, bool Clear) {
  if (Clear) FObjectImages->Clear();
  rptLoadImageStrip(Strip, 22, 22, FObjectImages.get(), nullptr);
}

void rptAddStandardTexts(TrptResources* Resources);  // rpttexts.cpp

namespace {
TrptResources* gResources = nullptr;
}

TrptResources* rptGlobalResources() {
  if (!gResources) {
    gResources = new TrptResources();
    rptAddStandardTexts(gResources);
  }
  return gResources;
}

void rptFreeGlobalResources() {
  delete gResources;
  gResources = nullptr;
}

std::string rptTextById(int Id) { return rptGlobalResources()->Get(IntToStr(Id)); }

std::string rptGet(const std::string& Key) { return rptGlobalResources()->Get(Key); }
