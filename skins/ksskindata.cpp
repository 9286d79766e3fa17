// The skin store, stored skins and resource texts (see ksskindata.h).
#include "skins/ksskindata.h"

#include <cstring>

#include "platform/rtl/filer.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/forms.h"
#include "skins/kszlibcompress.h"

ORV_CLASS_IMPL(TksSkinColors, TObject)
ORV_CLASS_IMPL(TksCompressedStoredSkin, TComponent)
ORV_CLASS_IMPL(TksResourceStrData, TComponent)
ORV_CLASS_IMPL(TksSkinData, TComponent)

namespace {

constexpr int32_t kStoredSkinVersion = 3;

const char* const kDefaultResStrings[] = {
    "MI_MINCAPTION=Mi&nimize",
    "MI_MAXCAPTION=Ma&ximize",
    "MI_CLOSECAPTION=&Close",
    "MI_RESTORECAPTION=&Restore",
    "MI_MINTOTRAYCAPTION=Minimize to &Tray",
    "MI_ROLLUPCAPTION=Ro&llUp",
    "MINBUTTON_HINT=Minimize",
    "MAXBUTTON_HINT=Maximize",
    "CLOSEBUTTON_HINT=Close",
    "TRAYBUTTON_HINT=Minimize to Tray",
    "ROLLUPBUTTON_HINT=Roll Up",
    "MENUBUTTON_HINT=System menu",
    "EDIT_UNDO=Undo",
    "EDIT_COPY=Copy",
    "EDIT_CUT=Cut",
    "EDIT_PASTE=Paste",
    "EDIT_DELETE=Delete",
    "EDIT_SELECTALL=Select All",
    "MSG_BTN_YES=&Yes",
    "MSG_BTN_NO=&No",
    "MSG_BTN_OK=OK",
    "MSG_BTN_CANCEL=Cancel",
    "MSG_BTN_ABORT=&Abort",
    "MSG_BTN_RETRY=&Retry",
    "MSG_BTN_IGNORE=&Ignore",
    "MSG_BTN_ALL=&All",
    "MSG_BTN_NOTOALL=N&oToAll",
    "MSG_BTN_YESTOALL=&YesToAll",
    "MSG_BTN_HELP=&Help",
    "MSG_BTN_OPEN=&Open",
    "MSG_BTN_SAVE=&Save",
    "MSG_BTN_CLOSE=Close",
    "MSG_BTN_BACK_HINT=Go To Last Folder Visited",
    "MSG_BTN_UP_HINT=Up One Level",
    "MSG_BTN_NEWFOLDER_HINT=Create New Folder",
    "MSG_BTN_VIEWMENU_HINT=View Menu",
    "MSG_BTN_STRETCH_HINT=Stretch Picture",
    "MSG_FILENAME=File name:",
    "MSG_FILETYPE=File type:",
    "MSG_NEWFOLDER=New Folder",
    "MSG_LV_DETAILS=Details",
    "MSG_LV_ICON=Large icons",
    "MSG_LV_SMALLICON=Small icons",
    "MSG_LV_LIST=List",
    "MSG_PREVIEWSKIN=Preview",
    "MSG_PREVIEWBUTTON=Button",
    "MSG_CAP_WARNING=Warning",
    "MSG_CAP_ERROR=Error",
    "MSG_CAP_INFORMATION=Information",
    "MSG_CAP_CONFIRM=Confirm",
    "CALC_CAP=Calculator",
    "ERROR=Error",
    "COLORGRID_CAP=Basic colors",
    "CUSTOMCOLORGRID_CAP=Custom colors",
    "ADDCUSTOMCOLORBUTTON_CAP=Add to Custom Colors",
    "FONTDLG_COLOR=Color:",
    "FONTDLG_NAME=Name:",
    "FONTDLG_SIZE=Size:",
    "FONTDLG_HEIGHT=Height:",
    "FONTDLG_EXAMPLE=Example:",
    "FONTDLG_STYLE=Style:",
    "FONTDLG_SCRIPT=Script:",
    "DB_DELETE_QUESTION=Delete record?",
    "DB_MULTIPLEDELETE_QUESTION=Delete all selected records?",
    "NODISKINDRIVE=There is no disk in Drive or Drive is not ready",
    "NOVALIDDRIVEID=Not a valid Drive ID",
    "FLV_NAME=Name",
    "FLV_SIZE=Size",
    "FLV_TYPE=Type",
    "FLV_LOOKIN=Look in: ",
    "FLV_MODIFIED=Modified",
    "FLV_ATTRIBUTES=Attributes",
    "FLV_DISKSIZE=Disk Size",
    "FLV_FREESPACE=Free Space",
    "PRNDLG_NAME=Name:",
    "PRNDLG_PRINTER=Printer",
    "PRNDLG_PROPERTIES=Properties...",
    "PRNDLG_TYPE=Type:",
    "PRNDLG_STATUS=Status:",
    "PRNDLG_WHERE=Where:",
    "PRNDLG_COMMENT=Comment:",
    "PRNDLG_PRINTRANGE=Print range",
    "PRNDLG_COPIES=Copies",
    "PRNDLG_NUMCOPIES=Number of copies:",
    "PRNDLG_COLLATE=Collate",
    "PRNDLG_ALL=All",
    "PRNDLG_PAGES=Pages",
    "PRNDLG_SELECTION=Selection",
    "PRNDLG_PRINTTOFILE=Print to file",
    "PRNDLG_FROM=from:",
    "PRNDLG_TO=to:",
    "PRNDLG_ORIENTATION=Orientation",
    "PRNDLG_PAPER=Paper",
    "PRNDLG_PORTRAIT=Portrait",
    "PRNDLG_LANDSCAPE=Landscape",
    "PRNDLG_SOURCE=Source:",
    "PRNDLG_SIZE=Size:",
    "PRNDLG_MARGINS=Margins (millimeters)",
    "PRNDLG_MARGINS_INCHES=Margins (inches)",
    "PRNDLG_LEFT=Left:",
    "PRNDLG_RIGHT=Right:",
    "PRNDLG_TOP=Top:",
    "PRNDLG_BOTTOM=Bottom:",
    "PRNDLG_WARNING=There are no printers in your system!",
    "FIND_NEXT=Find next",
    "FIND_WHAT=Find what:",
    "FIND_DIRECTION=Direction",
    "FIND_DIRECTIONUP=Up",
    "FIND_DIRECTIONDOWN=Down",
    "FIND_MATCH_CASE=Match case",
    "FIND_MATCH_WHOLE_WORD_ONLY=Match whole word only",
    "FIND_REPLACE_WITH=Replace with:",
    "FIND_REPLACE=Replace",
    "FIND_REPLACE_All=Replace All",
    "FIND_REPLACE_CLOSE=Close",
};

// Sizes of the BMP headers the stored skin checks before handing a picture to the bitmap class.
constexpr int64_t kFileHeaderSize = 14;
constexpr int64_t kInfoHeaderSize = 40;
// The largest picture a skin may hold (pixels); far above any real skin, far below what would
// exhaust memory.
constexpr int64_t kMaxSkinPicturePixels = int64_t(1) << 26;

uint32_t U32(const uint8_t* P) { return P[0] | P[1] << 8 | P[2] << 16 | uint32_t(P[3]) << 24; }

// Reads one BMP file image at the stream's position into Bitmap and leaves the stream after it
// (its length is the one its file header gives). The headers are checked first, so a damaged
// or hostile stream cannot make the bitmap class reserve more than the stream could hold:
// EInvalidGraphic "Bitmap image is not valid" otherwise.
void ReadBitmapImage(TStream& S, TBitmap& Bitmap) {
  const int64_t start = S.Position(), left = S.Size() - start;
  uint8_t head[kFileHeaderSize + kInfoHeaderSize];
  if (left < static_cast<int64_t>(sizeof head) ||
      S.Read(head, sizeof head) != static_cast<int64_t>(sizeof head))
    throw EInvalidGraphic("Bitmap image is not valid");
  const uint32_t fileSize = U32(head + 2), infoSize = U32(head + 14);
  const int32_t width = static_cast<int32_t>(U32(head + 18)),
                height = static_cast<int32_t>(U32(head + 22));
  const uint16_t bits = static_cast<uint16_t>(head[28] | head[29] << 8);
  const uint32_t compression = U32(head + 30);
  const int64_t absHeight = height < 0 ? -static_cast<int64_t>(height) : height;
  const int64_t stride = (static_cast<int64_t>(width) * bits + 31) / 32 * 4;
  bool ok = head[0] == 'B' && head[1] == 'M' && fileSize <= left && fileSize >= sizeof head &&
            infoSize >= kInfoHeaderSize && width > 0 && absHeight > 0 &&
            static_cast<int64_t>(width) * absHeight <= kMaxSkinPicturePixels;
  // Uncompressed pixels must fit inside the image's own length.
  if (ok && (compression == 0 || compression == 3))
    ok = stride * absHeight <= static_cast<int64_t>(fileSize);
  if (!ok) throw EInvalidGraphic("Bitmap image is not valid");
  TMemoryStream image;
  S.SetPosition(start);
  image.CopyFrom(&S, fileSize);
  image.SetPosition(0);
  Bitmap.LoadFromStream(&image);
  S.SetPosition(start + fileSize);
}

// A flag byte (non-zero: no picture), then the picture when there is one.
void ReadFlaggedBitmap(TStream& S, TBitmap& Bitmap) {
  uint8_t flag = 0;
  S.ReadBuffer(&flag, 1);
  if (flag != 0) {
    Bitmap.SetSize(0, 0);
    return;
  }
  ReadBitmapImage(S, Bitmap);
}

void WriteFlaggedBitmap(TStream& S, TBitmap& Bitmap) {
  const uint8_t flag = Bitmap.Empty() ? 1 : 0;
  S.WriteBuffer(&flag, 1);
  if (!flag) Bitmap.SaveToStream(&S);
}

// The named BMP file of the skin folder, or an empty picture for an empty name.
void LoadSkinPicture(const std::string& Folder, const std::string& Name, TBitmap& Bitmap) {
  if (Name.empty()) return;
  Bitmap.LoadFromFile(IncludeTrailingPathDelimiter(Folder) + Name);
}

// Fills Ini from a description text.
void ReadDescriptionText(const std::string& Text, TMemIniFile& Ini) {
  TStringList lines;
  lines.SetText(Text);
  Ini.SetStrings(&lines);
}

}  // namespace

// ---- TksSkinColors ----
void TksSkinColors::SetColorsToDefault() {
  BtnFace = clBtnFace;
  BtnText = clBtnText;
  Window = clWindow;
  WindowText = clWindowText;
  HighLight = clHighlight;
  HighLightText = clHighlightText;
  BtnHighLight = clBtnHighlight;
  BtnShadow = clBtnShadow;
}

void TksSkinColors::LoadFromFile(TCustomIniFile* IniFile) {
  const std::pair<const char*, TColor*> keys[] = {{"cbtnface", &BtnFace},
                                                  {"cbtntext", &BtnText},
                                                  {"cwindow", &Window},
                                                  {"cwindowtext", &WindowText},
                                                  {"chighlight", &HighLight},
                                                  {"chighlighttext", &HighLightText},
                                                  {"cbtnhighlight", &BtnHighLight},
                                                  {"cbtnshadow", &BtnShadow}};
  for (const auto& [key, colour] : keys) *colour = IniFile->ReadInteger("SKINCOLORS", key, 0);
}

void TksSkinColors::SaveToFile(TCustomIniFile* IniFile) {
  const std::pair<const char*, TColor> keys[] = {
      {"cbtnface", BtnFace},           {"cbtntext", BtnText},     {"cwindow", Window},
      {"cwindowtext", WindowText},     {"chighlight", HighLight}, {"chighlighttext", HighLightText},
      {"cbtnhighlight", BtnHighLight}, {"cbtnshadow", BtnShadow}};
  for (const auto& [key, colour] : keys) IniFile->WriteInteger("SKINCOLORS", key, colour);
}

// ---- TksCompressedStoredSkin ----
TksCompressedStoredSkin::TksCompressedStoredSkin(TComponent* AOwner) : TComponent(AOwner) {}
TksCompressedStoredSkin::~TksCompressedStoredSkin() = default;

void TksCompressedStoredSkin::Publish(TPublisher<TksCompressedStoredSkin>& P) {
  P.Prop("Description", &TksCompressedStoredSkin::Description,
         &TksCompressedStoredSkin::SetDescription);
  P.Prop("FileName", &TksCompressedStoredSkin::FileName, &TksCompressedStoredSkin::SetFileName);
  P.Prop("CompressedFileName", &TksCompressedStoredSkin::CompressedFileName,
         &TksCompressedStoredSkin::SetCompressedFileName);
}

void TksCompressedStoredSkin::DefineProperties(TFiler* Filer) {
  TComponent::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      "CompressedData",
      [this](TStream* S) {
        FCompressedData.Clear();
        FCompressedData.CopyFrom(S, 0);
      },
      [this](TStream* S) { S->WriteBuffer(FCompressedData.Memory(), FCompressedData.Size()); },
      true);
}

void TksCompressedStoredSkin::SetFileName(const std::string& Value) {
  const TComponentState st = ComponentState();
  if (!st.Contains(csDesigning) || st.Contains(csLoading)) {
    FFileName = Value;
    return;
  }
  FFileName = ExtractFileName(Value);
  LoadFromSkinFile(Value);
}

void TksCompressedStoredSkin::SetCompressedFileName(const std::string& Value) {
  const TComponentState st = ComponentState();
  if (!st.Contains(csDesigning) || st.Contains(csLoading)) {
    FCompressedFileName = Value;
    return;
  }
  FCompressedFileName = ExtractFileName(Value);
  LoadFromCompressedFile(Value);
}

bool TksCompressedStoredSkin::LoadFromSkinFile(const std::string& Path) {
  TStringList lines;
  lines.LoadFromFile(Path);
  TMemIniFile ini("");
  ini.SetStrings(&lines);
  for (const char* section : {"VERSION", "PICTURES", "FORMINFO", "SKINOBJECTS", "SKINCONTROLS"})
    if (!ini.SectionExists(section)) return false;
  const std::string folder = ExtractFilePath(Path);
  TMemoryStream raw;
  raw.WriteBuffer(&kStoredSkinVersion, 4);
  for (const char* key : {"picture", "inactivepicture", "mask"}) {
    TBitmap b;
    LoadSkinPicture(folder, ini.ReadString("PICTURES", key, ""), b);
    WriteFlaggedBitmap(raw, b);
  }
  TStringList names;
  ReadNameList(&ini, "PICTURES", "activepictures", &names);
  const int32_t count = names.Count();
  raw.WriteBuffer(&count, 4);
  for (int i = 0; i < count; ++i) {
    TBitmap b;
    LoadSkinPicture(folder, names.Strings(i), b);
    b.SaveToStream(&raw);
  }
  std::string text;
  for (int i = 0; i < lines.Count(); ++i) text += lines.Strings(i) + "\r\n";
  raw.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  FCompressedData.Clear();
  CompressStream(&raw, &FCompressedData);
  return true;
}

void TksCompressedStoredSkin::LoadFromCompressedFile(const std::string& Path) {
  FCompressedData.Clear();
  TFileStream f(Path, fmOpenRead | fmShareDenyWrite);
  int32_t version = 0, length = 0;
  f.ReadBuffer(&version, 4);
  if (version > kStoredSkinVersion) return;
  f.ReadBuffer(&length, 4);
  if (length < 0 || length > f.Size() - f.Position()) throw EReadError("Stream read error");
  if (length > 0) FCompressedData.CopyFrom(&f, length);
}

void TksCompressedStoredSkin::DeCompress(TStream* Stream) {
  FCompressedData.SetPosition(0);
  TDecompressionStream z(&FCompressedData);
  uint8_t piece[TCustomZlibStream::BufferSize];
  for (;;) {
    const int64_t n = z.Read(piece, sizeof piece);
    if (n <= 0) break;
    Stream->WriteBuffer(piece, n);
  }
}

// ---- TksResourceStrData ----
TksResourceStrData::TksResourceStrData(TComponent* AOwner)
    : TComponent(AOwner), FResStrings(std::make_unique<TStringList>()) {
  for (const char* line : kDefaultResStrings) FResStrings->Add(line);
}

TksResourceStrData::~TksResourceStrData() = default;

void TksResourceStrData::Publish(TPublisher<TksResourceStrData>& P) {
  P.Prop("ResStrings", &TksResourceStrData::ResStrings, &TksResourceStrData::SetResStrings);
  P.Prop("CharSet", &TksResourceStrData::CharSet, &TksResourceStrData::SetCharSet)
      .Type("TFontCharset");
}

TStrings* TksResourceStrData::ResStrings() const { return FResStrings.get(); }
void TksResourceStrData::SetResStrings(TStrings* Value) { FResStrings->Assign(Value); }

// ---- TksSkinData ----
TksSkinData::TksSkinData(TComponent* AOwner)
    : TComponent(AOwner), ActivePicturesNames(std::make_unique<TStringList>()) {
  SkinColors.SetColorsToDefault();
}

TksSkinData::~TksSkinData() {
  Empty = true;
  ClearObjects();
}

void TksSkinData::Publish(TPublisher<TksSkinData>& P) {
  P.Prop("EnableSkinEffects", &TksSkinData::EnableSkinEffects, &TksSkinData::SetEnableSkinEffects);
  P.Prop("CompressedStoredSkin", &TksSkinData::CompressedStoredSkin,
         &TksSkinData::SetCompressedStoredSkin);
  P.Prop("ResourceStrData", &TksSkinData::ResourceStrData, &TksSkinData::SetResourceStrData);
}

void TksSkinData::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FCompressedStoredSkin) FCompressedStoredSkin = nullptr;
  if (AComponent == FResourceStrData) FResourceStrData = nullptr;
}

void TksSkinData::SetCompressedStoredSkin(TksCompressedStoredSkin* Value) {
  FCompressedStoredSkin = Value;
  if (Value) Value->FreeNotification(this);
  if (Value && !ComponentState().Contains(csDesigning)) LoadCompressedStoredSkin(Value);
}

void TksSkinData::SetResourceStrData(TksResourceStrData* Value) {
  FResourceStrData = Value;
  if (Value) Value->FreeNotification(this);
  if (!ComponentState().Contains(csDesigning)) SendSkinDataMessage(WM_CHANGERESSTRDATA);
}

void TksSkinData::SendSkinDataMessage(UINT Msg) {
  auto* ownerForm = dynamic_cast<TCustomForm*>(Owner());
  const WPARAM store = reinterpret_cast<WPARAM>(this);
  if (ownerForm) ownerForm->Perform(Msg, store, 1000);
  TScreen* screen = Screen();
  // A form may close in answer; walk a copy of the list.
  std::vector<TCustomForm*> forms;
  for (int i = 0; i < screen->FormCount(); ++i) forms.push_back(screen->Forms(i));
  for (TCustomForm* f : forms)
    if (f != ownerForm) f->Perform(Msg, store, 1000);
}

int TksSkinData::IndexOfControl(const std::string& Name) const {
  for (size_t i = 0; i < CtrlList.size(); ++i)
    if (CtrlList[i]->IDName == Name) return static_cast<int>(i);
  return -1;
}

TBitmap* TksSkinData::ActivePicture(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(ActivePictures.size())) return nullptr;
  return ActivePictures[static_cast<size_t>(Index)].get();
}

void TksSkinData::ClearObjects() {
  CtrlList.clear();
  ObjectList.clear();
  ActivePictures.clear();
  ActivePicturesNames->Clear();
  PopupWindow.WindowPictureIndex = -1;
  PopupWindow.MaskPictureIndex = -1;
  HintWindow.WindowPictureIndex = -1;
  HintWindow.MaskPictureIndex = -1;
  SkinColors.SetColorsToDefault();
}

void TksSkinData::ClearAll() {
  ClearObjects();
  Picture.SetSize(0, 0);
  InActivePicture.SetSize(0, 0);
  Mask.SetSize(0, 0);
  PictureName.clear();
  InActivePictureName.clear();
  MaskName.clear();
  Empty = true;
}

void TksSkinData::LoadCompressedStoredSkin(TksCompressedStoredSkin* Stored) {
  if (!Stored || Stored->Empty()) return;
  Empty = true;
  SendSkinDataMessage(WM_BEFORECHANGESKINDATA);
  ClearAll();
  TMemoryStream s;
  Stored->DeCompress(&s);
  s.SetPosition(0);
  try {
    ReadStoredSkin(s);
  } catch (...) {
    // What was read of a damaged skin is dropped; the store stays empty.
    ClearAll();
    throw;
  }
}

void TksSkinData::ReadStoredSkin(TStream& S) {
  int32_t version = 0;
  S.ReadBuffer(&version, 4);
  if (version > kStoredSkinVersion) return;
  ReadFlaggedBitmap(S, Picture);
  ReadFlaggedBitmap(S, InActivePicture);
  ReadFlaggedBitmap(S, Mask);
  if (version == 2) {
    TBitmap dropped;
    ReadFlaggedBitmap(S, dropped);
    ReadFlaggedBitmap(S, dropped);
  }
  int32_t count = 0;
  S.ReadBuffer(&count, 4);
  for (int32_t i = 0; i < count; ++i) {
    auto b = std::make_unique<TBitmap>();
    ReadBitmapImage(S, *b);
    ActivePictures.push_back(std::move(b));
  }
  std::string text(static_cast<size_t>(S.Size() - S.Position()), '\0');
  if (!text.empty()) S.ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
  TMemIniFile ini("");
  ReadDescriptionText(text, ini);

  SkinName = ini.ReadString("VERSION", "skinname", "");
  SkinAuthor = ini.ReadString("VERSION", "skinauthor", "");
  AuthorEmail = ini.ReadString("VERSION", "authoremail", "");
  AuthorURL = ini.ReadString("VERSION", "authorurl", "");
  SkinComments = ini.ReadString("VERSION", "skincomments", "");
  PictureName = ini.ReadString("PICTURES", "picture", "");
  InActivePictureName = ini.ReadString("PICTURES", "inactivepicture", "");
  MaskName = ini.ReadString("PICTURES", "mask", "");
  ReadNameList(&ini, "PICTURES", "activepictures", ActivePicturesNames.get());
  FormInfo = TksDataSkinFormInfo{};
  FormInfo.LoadFromFile(&ini, !MaskName.empty());
  PopupWindow.LoadFromFile(&ini);
  HintWindow.LoadFromFile(&ini);
  SkinColors.LoadFromFile(&ini);
  // The two lists: "name:type" entries; an entry without a colon or of an unknown type makes
  // nothing.
  auto entries = [&](const char* Section, auto&& Add) {
    const int n = NumberedListLength(&ini, Section, ini.ReadInteger(Section, "count", 0));
    for (int i = 0; i < n; ++i) {
      const std::string entry = ini.ReadString(Section, IntToStr(i), "");
      const size_t colon = entry.find(':');
      if (colon == std::string::npos) continue;
      Add(entry.substr(0, colon), entry.substr(colon + 1));
    }
  };
  entries("SKINOBJECTS", [&](const std::string& Name, const std::string& Type) {
    if (auto d = CreateSkinObjectDescription(Type, Name)) {
      d->LoadFromFile(&ini);
      ObjectList.push_back(std::move(d));
    }
  });
  entries("SKINCONTROLS", [&](const std::string& Name, const std::string& Type) {
    if (auto d = CreateSkinControlDescription(Type, Name)) {
      d->LoadFromFile(&ini);
      CtrlList.push_back(std::move(d));
    }
  });
  Empty = false;
  SendSkinDataMessage(WM_CHANGESKINDATA);
  SendSkinDataMessage(WM_AFTERCHANGESKINDATA);
}
