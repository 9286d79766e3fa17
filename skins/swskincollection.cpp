// Further stored skins of the form skin engine (swskincollection.h).
#include "skins/swskincollection.h"

#include "platform/rtl/fileutils.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/typinfo.h"
#include "skins/swskinengine.h"

ORV_CLASS_IMPL(TswSkinCollectionItem, TCollectionItem)
ORV_CLASS_IMPL(TswSkinCollection, TCollection)

namespace {

// Names tried for the temporary copy of a stored skin before giving up.
constexpr int kSwCollectionTempTries = 8;

}  // namespace

// ---- TswSkinCollectionItem ----
TswSkinCollectionItem::TswSkinCollectionItem(TCollection* Collection) : TCollectionItem(Collection) {}

TswSkinCollectionItem::~TswSkinCollectionItem() = default;

void TswSkinCollectionItem::Publish(TPublisher<TswSkinCollectionItem>& P) {
  P.Prop("SkinFile", &TswSkinCollectionItem::SkinFile, &TswSkinCollectionItem::SetSkinFile);
  P.Prop("Password", &TswSkinCollectionItem::Password, &TswSkinCollectionItem::SetPassword);
}

void TswSkinCollectionItem::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TswSkinCollectionItem*>(Source)) {
    FSkinFile = s->FSkinFile;
    FPassword = s->FPassword;
    return;
  }
  TCollectionItem::Assign(Source);
}

void TswSkinCollectionItem::DefineProperties(TFiler* Filer) {
  TCollectionItem::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      "SkinData", [this](TStream* S) { ReadSkinData(S); }, [this](TStream* S) { WriteSkinData(S); },
      !FSkinFile.empty() && FileExists(FSkinFile));
}

void TswSkinCollectionItem::ReadSkinData(TStream* Stream) {
  TMemoryStream data;
  data.CopyFrom(Stream, 0);
  const std::string base = IncludeTrailingPathDelimiter(GetTempPath()) + "SWSKNT";
  std::string temp;
  bool saved = false;
  int n = 0;
  for (int attempt = 0; attempt < kSwCollectionTempTries && !saved; ++attempt) {
    // The first free name of "SWSKNT.ssk", "SWSKNT1.ssk", "SWSKNT2.ssk", ...
    do {
      temp = n == 0 ? base + ".ssk" : base + std::to_string(n) + ".ssk";
      ++n;
    } while (FileExists(temp));
    try {
      data.SaveToFile(temp);
      saved = true;
    } catch (const Exception&) {
      DeleteFile(temp);
    }
  }
  if (!saved) throw EInOutError("Cannot write the stored skin to a temporary file");
  try {
    FReader.Load(temp, FPassword);
  } catch (...) {
    DeleteFile(temp);
    throw;
  }
  DeleteFile(temp);
}

void TswSkinCollectionItem::WriteSkinData(TStream* Stream) {
  TMemoryStream m;
  m.LoadFromFile(FSkinFile);
  Stream->WriteBuffer(m.Memory(), m.Size());
}

// ---- TswSkinCollection ----
TswSkinCollection::TswSkinCollection(TswSkinEngine* Engine)
    : TCollection(TswSkinCollectionItem::StaticClass(), Engine) {}

TPersistent* TswSkinCollection::GetOwner() const { return TCollection::GetOwner(); }

void TswSkinCollection::Update(TCollectionItem* Item) { TCollection::Update(Item); }
