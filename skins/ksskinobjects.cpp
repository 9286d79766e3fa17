// Skin description values and description classes (see ksskinobjects.h).
#include "skins/ksskinobjects.h"

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

#include "platform/rtl/inifiles.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

ORV_CLASS_IMPL(TksDataSkinControl, TObject)
ORV_CLASS_IMPL(TksDataSkinCustomControl, TksDataSkinControl)
ORV_CLASS_IMPL(TksDataSkinPanelControl, TksDataSkinCustomControl)
ORV_CLASS_IMPL(TksDataSkinExPanelControl, TksDataSkinCustomControl)
ORV_CLASS_IMPL(TksDataSkinButtonControl, TksDataSkinCustomControl)
ORV_CLASS_IMPL(TksDataSkinMenuButtonControl, TksDataSkinButtonControl)
ORV_CLASS_IMPL(TksDataSkinCheckRadioControl, TksDataSkinCustomControl)
ORV_CLASS_IMPL(TksDataSkinGaugeControl, TksDataSkinCustomControl)
ORV_CLASS_IMPL(TksDataSkinSplitterControl, TksDataSkinCustomControl)
ORV_CLASS_IMPL(TksDataSkinTrackBarControl, TksDataSkinCustomControl)
ORV_CLASS_IMPL(TksDataSkinLabelControl, TksDataSkinCustomControl)
ORV_CLASS_IMPL(TksDataSkinStdLabelControl, TksDataSkinControl)
ORV_CLASS_IMPL(TksDataSkinUpDownControl, TksDataSkinCustomControl)
ORV_CLASS_IMPL(TksDataSkinGridControl, TksDataSkinControl)
ORV_CLASS_IMPL(TksDataSkinTabControl, TksDataSkinControl)
ORV_CLASS_IMPL(TksDataSkinMainMenuBar, TksDataSkinControl)
ORV_CLASS_IMPL(TksDataSkinControlBar, TksDataSkinCustomControl)
ORV_CLASS_IMPL(TksDataSkinEditControl, TksDataSkinCustomControl)
ORV_CLASS_IMPL(TksDataSkinMemoControl, TksDataSkinEditControl)
ORV_CLASS_IMPL(TksDataSkinListBox, TksDataSkinCustomControl)
ORV_CLASS_IMPL(TksDataSkinCheckListBox, TksDataSkinListBox)
ORV_CLASS_IMPL(TksDataSkinComboBox, TksDataSkinCustomControl)
ORV_CLASS_IMPL(TksDataSkinScrollBarControl, TksDataSkinCustomControl)
ORV_CLASS_IMPL(TksDataSkinSpinEditControl, TksDataSkinCustomControl)
ORV_CLASS_IMPL(TksDataSkinScrollBoxControl, TksDataSkinCustomControl)
ORV_CLASS_IMPL(TksDataSkinTreeView, TksDataSkinControl)
ORV_CLASS_IMPL(TksDataSkinListView, TksDataSkinTreeView)
ORV_CLASS_IMPL(TksDataSkinRichEdit, TksDataSkinTreeView)
ORV_CLASS_IMPL(TksDataSkinBevel, TksDataSkinControl)
ORV_CLASS_IMPL(TksDataSkinSlider, TksDataSkinControl)
ORV_CLASS_IMPL(TksDataSkinObject, TObject)
ORV_CLASS_IMPL(TksDataSkinButton, TksDataSkinObject)
ORV_CLASS_IMPL(TksDataSkinStdButton, TksDataSkinButton)
ORV_CLASS_IMPL(TksDataSkinMainMenuBarButton, TksDataSkinStdButton)
ORV_CLASS_IMPL(TksDataSkinAnimate, TksDataSkinObject)
ORV_CLASS_IMPL(TksDataSkinMenuItem, TksDataSkinObject)
ORV_CLASS_IMPL(TksDataSkinMainMenuItem, TksDataSkinObject)
ORV_CLASS_IMPL(TksDataSkinMainMenuBarItem, TksDataSkinMainMenuItem)
ORV_CLASS_IMPL(TksDataSkinCaption, TksDataSkinObject)
ORV_CLASS_IMPL(TksDataUserObject, TksDataSkinObject)
ORV_CLASS_IMPL(TksDataSkinPopupWindow, TObject)
ORV_CLASS_IMPL(TksDataSkinHintWindow, TObject)

// ---- Value readers and writers ----
namespace {

// Splits Text into Count numeric fields: a comma closes a field, digits are kept, everything
// else is dropped. The reader has room for Count fields only, so commas past the last field are
// ignored together with what follows them.
std::vector<int> ReadFields(const std::string& Text, size_t Count) {
  std::vector<std::string> fields(1);
  for (char c : Text) {
    if (c == ',') {
      fields.emplace_back();
    } else if (c >= '0' && c <= '9' && fields.size() <= Count) {
      fields.back() += c;
    }
  }
  fields.resize(std::max(fields.size(), Count));
  std::vector<int> values(Count);
  // An empty field (too few fields) is not a number: StrToInt raises EConvertError.
  for (size_t i = 0; i < Count; ++i) values[i] = StrToInt(fields[i]);
  return values;
}

const char* const kMorphWords[] = {"mkdefault",       "mkgradient",  "mkleftgradient",
                                   "mkrightgradient", "mkleftslide", "mkrightslide",
                                   "mkpush"};
const char* const kEffectWords[] = {"iebrightness", "iedarkness",  "iegrayscale",
                                    "ienoise",      "iesplitblur", "ieinvert"};
const char* const kCommandWords[] = {"cmclose",   "cmmaximize", "cmminimize",      "cmsysmenu",
                                     "cmdefault", "cmrollup",   "cmminimizetotray"};

template <size_t N>
int WordIndex(const char* const (&Words)[N], const std::string& Text, size_t Searched,
              int Fallback) {
  for (size_t i = 0; i < Searched && i < N; ++i)
    if (Text == Words[i]) return static_cast<int>(i);
  return Fallback;
}

}  // namespace

RECT ReadRect(TCustomIniFile* Ini, const std::string& Section, const std::string& Key) {
  const std::vector<int> v = ReadFields(Ini->ReadString(Section, Key, "0,0,0,0"), 4);
  return RECT{v[0], v[1], v[2], v[3]};
}

POINT ReadPoint(TCustomIniFile* Ini, const std::string& Section, const std::string& Key) {
  const std::vector<int> v = ReadFields(Ini->ReadString(Section, Key, "0,0"), 2);
  return POINT{v[0], v[1]};
}

bool ReadFlag(TCustomIniFile* Ini, const std::string& Section, const std::string& Key) {
  return Ini->ReadInteger(Section, Key, 0) == 1;
}

TFontStyles ReadFontStyle(TCustomIniFile* Ini, const std::string& Section, const std::string& Key) {
  const std::string s = Ini->ReadString(Section, Key, "");
  TFontStyles r;
  if (s.find("fsbold") != std::string::npos) r += fsBold;
  if (s.find("fsitalic") != std::string::npos) r += fsItalic;
  if (s.find("fsunderline") != std::string::npos) r += fsUnderline;
  if (s.find("fsstrikeout") != std::string::npos) r += fsStrikeOut;
  return r;
}

TAlignment ReadAlignment(TCustomIniFile* Ini, const std::string& Section, const std::string& Key) {
  const std::string s = Ini->ReadString(Section, Key, "tacenter");
  if (s == "tacenter") return taCenter;
  if (s == "taleftjustify") return taLeftJustify;
  return taRightJustify;
}

TksMorphKind ReadMorphKind(TCustomIniFile* Ini, const std::string& Section,
                           const std::string& Key) {
  return static_cast<TksMorphKind>(
      WordIndex(kMorphWords, Ini->ReadString(Section, Key, "mkdefault"), 7, 0));
}

TksEffect ReadEffect(TCustomIniFile* Ini, const std::string& Section, const std::string& Key) {
  return static_cast<TksEffect>(
      WordIndex(kEffectWords, Ini->ReadString(Section, Key, "iebrightness"), 6, 2));
}

TksStdCommand ReadCommand(TCustomIniFile* Ini, const std::string& Section, const std::string& Key) {
  // Only the first six words are looked for; every other text is command 6.
  return static_cast<TksStdCommand>(
      WordIndex(kCommandWords, Ini->ReadString(Section, Key, "cmdefault"), 6, 6));
}

int NumberedListLength(TCustomIniFile* Ini, const std::string& Section, int Count) {
  if (Count <= 0) return 0;
  TStringList keys;
  Ini->ReadSection(Section, &keys);
  int highest = -1;
  for (int i = 0; i < keys.Count(); ++i) {
    int n = -1;
    const std::string k = keys.Strings(i);
    if (!k.empty() && k.find_first_not_of("0123456789") == std::string::npos && TryStrToInt(k, n) &&
        n < Count)
      highest = std::max(highest, n);
  }
  return highest + 1;
}

void ReadNameList(TCustomIniFile* Ini, const std::string& Section, const std::string& Name,
                  TStrings* List) {
  const int count = NumberedListLength(Ini, Section, Ini->ReadInteger(Section, Name + "count", 0));
  for (int i = 0; i < count; ++i) List->Add(Ini->ReadString(Section, IntToStr(i), ""));
}

void WriteRect(TCustomIniFile* Ini, const std::string& Section, const std::string& Key,
               const RECT& Value) {
  Ini->WriteString(Section, Key,
                   IntToStr(Value.left) + "," + IntToStr(Value.top) + "," + IntToStr(Value.right) +
                       "," + IntToStr(Value.bottom));
}

void WritePoint(TCustomIniFile* Ini, const std::string& Section, const std::string& Key,
                POINT Value) {
  Ini->WriteString(Section, Key, IntToStr(Value.x) + "," + IntToStr(Value.y));
}

void WriteFlag(TCustomIniFile* Ini, const std::string& Section, const std::string& Key,
               bool Value) {
  Ini->WriteString(Section, Key, Value ? "1" : "0");
}

void WriteFontStyle(TCustomIniFile* Ini, const std::string& Section, const std::string& Key,
                    TFontStyles Value) {
  std::string s;
  const std::pair<TFontStyle, const char*> names[] = {{fsBold, "fsbold"},
                                                      {fsItalic, "fsitalic"},
                                                      {fsUnderline, "fsunderline"},
                                                      {fsStrikeOut, "fsstrikeout"}};
  for (const auto& [style, name] : names)
    if (Value.Contains(style)) s += (s.empty() ? "" : ",") + std::string(name);
  Ini->WriteString(Section, Key, s);
}

void WriteAlignment(TCustomIniFile* Ini, const std::string& Section, const std::string& Key,
                    TAlignment Value) {
  Ini->WriteString(Section, Key,
                   Value == taCenter        ? "tacenter"
                   : Value == taLeftJustify ? "taleftjustify"
                                            : "tarightjustify");
}

void WriteMorphKind(TCustomIniFile* Ini, const std::string& Section, const std::string& Key,
                    TksMorphKind Value) {
  Ini->WriteString(Section, Key, kMorphWords[std::clamp(static_cast<int>(Value), 0, 6)]);
}

void WriteEffect(TCustomIniFile* Ini, const std::string& Section, const std::string& Key,
                 TksEffect Value) {
  Ini->WriteString(Section, Key, kEffectWords[std::clamp(static_cast<int>(Value), 0, 5)]);
}

void WriteCommand(TCustomIniFile* Ini, const std::string& Section, const std::string& Key,
                  TksStdCommand Value) {
  Ini->WriteString(Section, Key, kCommandWords[std::clamp(static_cast<int>(Value), 0, 6)]);
}

void WriteNameList(TCustomIniFile* Ini, const std::string& Section, const std::string& Name,
                   TStrings* List) {
  Ini->WriteInteger(Section, Name + "count", List->Count());
  for (int i = 0; i < List->Count(); ++i) Ini->WriteString(Section, IntToStr(i), List->Strings(i));
}

// ---- Reading and writing one description ----
// One pass over a description's keys, in file order: each call reads the key into the field or
// writes the field under the key, so the two directions can never list different keys.
class TksDescriptionIO {
public:
  TksDescriptionIO(TCustomIniFile* Ini, std::string Section, bool Writing)
      : FIni(Ini), FSection(std::move(Section)), FWriting(Writing) {}
  bool Writing() const { return FWriting; }
  void Int(const std::string& Key, int& V, int Default = 0) {
    if (FWriting)
      FIni->WriteInteger(FSection, Key, V);
    else
      V = FIni->ReadInteger(FSection, Key, Default);
  }
  void Color(const std::string& Key, TColor& V, TColor Default = 0) {
    int v = V;
    Int(Key, v, Default);
    V = v;
  }
  void Text(const std::string& Key, std::string& V, const std::string& Default = "") {
    if (FWriting)
      FIni->WriteString(FSection, Key, V);
    else
      V = FIni->ReadString(FSection, Key, Default);
  }
  void Flag(const std::string& Key, bool& V) {
    if (FWriting)
      WriteFlag(FIni, FSection, Key, V);
    else
      V = ReadFlag(FIni, FSection, Key);
  }
  void Rect(const std::string& Key, RECT& V) {
    if (FWriting)
      WriteRect(FIni, FSection, Key, V);
    else
      V = ReadRect(FIni, FSection, Key);
  }
  void Point(const std::string& Key, POINT& V) {
    if (FWriting)
      WritePoint(FIni, FSection, Key, V);
    else
      V = ReadPoint(FIni, FSection, Key);
  }
  void Style(const std::string& Key, TFontStyles& V) {
    if (FWriting)
      WriteFontStyle(FIni, FSection, Key, V);
    else
      V = ReadFontStyle(FIni, FSection, Key);
  }
  void Alignment(const std::string& Key, TAlignment& V) {
    if (FWriting)
      WriteAlignment(FIni, FSection, Key, V);
    else
      V = ReadAlignment(FIni, FSection, Key);
  }
  void Morph(const std::string& Key, TksMorphKind& V) {
    if (FWriting)
      WriteMorphKind(FIni, FSection, Key, V);
    else
      V = ReadMorphKind(FIni, FSection, Key);
  }
  void Effect(const std::string& Key, TksEffect& V) {
    if (FWriting)
      WriteEffect(FIni, FSection, Key, V);
    else
      V = ReadEffect(FIni, FSection, Key);
  }
  void Command(const std::string& Key, TksStdCommand& V) {
    if (FWriting)
      WriteCommand(FIni, FSection, Key, V);
    else
      V = ReadCommand(FIni, FSection, Key);
  }
  // <Prefix>name, <Prefix>height, <Prefix>style, <Prefix>color.
  void Font(const std::string& Prefix, TksSkinFontData& V) {
    Text(Prefix + "name", V.Name, "Arial");
    Int(Prefix + "height", V.Height, 14);
    Style(Prefix + "style", V.Style);
    Color(Prefix + "color", V.Color);
  }
  // Several rectangle keys, in the order given.
  void Rects(std::initializer_list<std::pair<const char*, RECT*>> List) {
    for (const auto& [key, rect] : List) Rect(key, *rect);
  }

private:
  TCustomIniFile* FIni;
  std::string FSection;
  bool FWriting;
};

// ---- Control descriptions ----
TksDataSkinControl::TksDataSkinControl(const std::string& AIDName) : IDName(AIDName) {}

void TksDataSkinControl::LoadFromFile(TCustomIniFile* IniFile) {
  TksDescriptionIO io(IniFile, IDName, false);
  Exchange(io);
}

void TksDataSkinControl::SaveToFile(TCustomIniFile* IniFile) {
  IniFile->EraseSection(IDName);
  TksDescriptionIO io(IniFile, IDName, true);
  Exchange(io);
}

void TksDataSkinControl::Exchange(TksDescriptionIO& IO) {
  IO.Int("pictureindex", PictureIndex, -1);
  IO.Int("maskpictureindex", MaskPictureIndex, -1);
  IO.Rect("skinrect", SkinRect);
}

void TksDataSkinCustomControl::Exchange(TksDescriptionIO& IO) {
  TksDataSkinControl::Exchange(IO);
  IO.Point("lefttoppoint", LTPoint);
  IO.Point("righttoppoint", RTPoint);
  IO.Point("leftbottompoint", LBPoint);
  IO.Point("rightbottompoint", RBPoint);
  IO.Rect("clientrect", ClRect);
  IO.Flag("stretcheffect", StretchEffect);
}

void TksDataSkinPanelControl::Exchange(TksDescriptionIO& IO) {
  TksDataSkinCustomControl::Exchange(IO);
  IO.Int("bgpictureindex", BGPictureIndex, -1);
  IO.Rect("captionrect", CaptionRect);
  IO.Alignment("alignment", Alignment);
  IO.Font("font", Font);
  IO.Rects({{"checkimagerect", &CheckImageRect},
            {"uncheckimagerect", &UnCheckImageRect},
            {"markframerect", &MarkFrameRect},
            {"framerect", &FrameRect},
            {"frametextrect", &FrameTextRect}});
  IO.Int("frameleftoffset", FrameLeftOffset);
  IO.Int("framerightoffset", FrameRightOffset);
  IO.Rect("gripperrect", GripperRect);
  IO.Flag("grippertransparent", GripperTransparent);
  IO.Color("grippertransparentcolor", GripperTransparentColor);
}

void TksDataSkinExPanelControl::Exchange(TksDescriptionIO& IO) {
  TksDataSkinCustomControl::Exchange(IO);
  IO.Rect("rollhskinrect", RollHSkinRect);
  IO.Rect("rollvskinrect", RollVSkinRect);
  IO.Int("rollleftoffset", RollLeftOffset);
  IO.Int("rollrightoffset", RollRightOffset);
  IO.Int("rolltopoffset", RollTopOffset);
  IO.Int("rollbottomoffset", RollBottomOffset);
  IO.Rects({{"rollvcaptionrect", &RollVCaptionRect},
            {"rollhcaptionrect", &RollHCaptionRect},
            {"closebuttonrect", &CloseButtonRect},
            {"closebuttonactiverect", &CloseButtonActiveRect},
            {"closebuttondownrect", &CloseButtonDownRect},
            {"hrollbuttonrect", &HRollButtonRect},
            {"hrollbuttonactiverect", &HRollButtonActiveRect},
            {"hrollbuttondownrect", &HRollButtonDownRect},
            {"hrestorebuttonrect", &HRestoreButtonRect},
            {"hrestorebuttonactiverect", &HRestoreButtonActiveRect},
            {"hrestorebuttondownrect", &HRestoreButtonDownRect},
            {"vrollbuttonrect", &VRollButtonRect},
            {"vrollbuttonactiverect", &VRollButtonActiveRect},
            {"vrollbuttondownrect", &VRollButtonDownRect},
            {"vrestorebuttonrect", &VRestoreButtonRect},
            {"vrestorebuttonactiverect", &VRestoreButtonActiveRect},
            {"vrestorebuttondownrect", &VRestoreButtonDownRect},
            {"captionrect", &CaptionRect}});
  IO.Font("font", Font);
}

void TksDataSkinButtonControl::Exchange(TksDescriptionIO& IO) {
  TksDataSkinCustomControl::Exchange(IO);
  IO.Font("font", Font);
  IO.Color("activefontcolor", ActiveFontColor);
  IO.Color("downfontcolor", DownFontColor);
  IO.Color("disabledfontcolor", DisabledFontColor);
  IO.Rects({{"activeskinrect", &ActiveSkinRect},
            {"downskinrect", &DownSkinRect},
            {"disabledskinrect", &DisabledSkinRect}});
  IO.Flag("morphing", Morphing);
  IO.Morph("morphkind", MorphKind);
  IO.Rect("animateskinrect", AnimateSkinRect);
  IO.Int("framecount", FrameCount);
  IO.Int("animateinterval", AnimateInterval, 25);
}

void TksDataSkinMenuButtonControl::Exchange(TksDescriptionIO& IO) {
  TksDataSkinButtonControl::Exchange(IO);
  IO.Rect("trackbuttonrect", TrackButtonRect);
}

void TksDataSkinCheckRadioControl::Exchange(TksDescriptionIO& IO) {
  TksDataSkinCustomControl::Exchange(IO);
  IO.Font("font", Font);
  IO.Color("activefontcolor", ActiveFontColor);
  IO.Color("unenabledfontcolor", UnEnabledFontColor);
  IO.Color("framefontcolor", FrameFontColor);
  IO.Rects({{"activeskinrect", &ActiveSkinRect},
            {"checkimagearea", &CheckImageArea},
            {"textarea", &TextArea},
            {"checkimagerect", &CheckImageRect},
            {"uncheckimagerect", &UnCheckImageRect},
            {"activecheckimagerect", &ActiveCheckImageRect},
            {"activeuncheckimagerect", &ActiveUnCheckImageRect},
            {"unenabledcheckimagerect", &UnEnabledCheckImageRect},
            {"unenableduncheckimagerect", &UnEnabledUnCheckImageRect}});
  IO.Flag("morphing", Morphing);
  IO.Morph("morphkind", MorphKind);
}

void TksDataSkinGaugeControl::Exchange(TksDescriptionIO& IO) {
  TksDataSkinCustomControl::Exchange(IO);
  IO.Rect("progressarea", ProgressArea);
  IO.Rect("progressrect", ProgressRect);
  IO.Int("beginoffset", BeginOffset);
  IO.Int("endoffset", EndOffset);
  IO.Flag("vertical", Vertical);
  IO.Font("font", Font);
  IO.Flag("progresstransparent", ProgressTransparent);
  IO.Color("progresstransparentcolor", ProgressTransparentColor);
  IO.Flag("progressstretch", ProgressStretch);
}

void TksDataSkinSplitterControl::Exchange(TksDescriptionIO& IO) {
  TksDataSkinCustomControl::Exchange(IO);
  IO.Rect("gripperrect", GripperRect);
  IO.Flag("grippertransparent", GripperTransparent);
  IO.Color("grippertransparentcolor", GripperTransparentColor);
}

void TksDataSkinTrackBarControl::Exchange(TksDescriptionIO& IO) {
  TksDataSkinCustomControl::Exchange(IO);
  IO.Rects({{"trackarea", &TrackArea},
            {"buttonrect", &ButtonRect},
            {"activebuttonrect", &ActiveButtonRect}});
  IO.Flag("vertical", Vertical);
  IO.Flag("buttontransparent", ButtonTransparent);
  IO.Color("buttontransparentcolor", ButtonTransparentColor);
}

void TksDataSkinLabelControl::Exchange(TksDescriptionIO& IO) {
  TksDataSkinCustomControl::Exchange(IO);
  IO.Font("font", Font);
}

void TksDataSkinStdLabelControl::Exchange(TksDescriptionIO& IO) {
  TksDataSkinControl::Exchange(IO);
  IO.Font("font", Font);
  IO.Color("activefontcolor", ActiveFontColor, 0xff0000);
}

void TksDataSkinUpDownControl::Exchange(TksDescriptionIO& IO) {
  TksDataSkinCustomControl::Exchange(IO);
  IO.Rects({{"upbuttonrect", &UpButtonRect},
            {"activeupbuttonrect", &ActiveUpButtonRect},
            {"downupbuttonrect", &DownUpButtonRect},
            {"downbuttonrect", &DownButtonRect},
            {"activedownbuttonrect", &ActiveDownButtonRect},
            {"downdownbuttonrect", &DownDownButtonRect}});
}

void TksDataSkinGridControl::Exchange(TksDescriptionIO& IO) {
  TksDataSkinControl::Exchange(IO);
  IO.Rects({{"fixedcellrect", &FixedCellRect},
            {"selectcellrect", &SelectCellRect},
            {"focuscellrect", &FocusCellRect}});
  IO.Int("fixedcellleftoffset", FixedCellLeftOffset);
  IO.Int("fixedcellrightoffset", FixedCellRightOffset);
  IO.Rect("fixedcelltextrect", FixedCellTextRect);
  IO.Int("cellleftoffset", CellLeftOffset);
  IO.Int("cellrightoffset", CellRightOffset);
  IO.Rect("celltextrect", CellTextRect);
  IO.Color("linescolor", LinesColor);
  IO.Color("bgcolor", BGColor);
  IO.Font("font", Font);
  IO.Color("selectfontcolor", SelectFontColor);
  IO.Color("focusfontcolor", FocusFontColor);
  IO.Font("fixedfont", FixedFont);
  IO.Flag("cellstretcheffect", CellStretchEffect);
  IO.Flag("fixedcellstretcheffect", FixedCellStretchEffect);
}

void TksDataSkinTabControl::Exchange(TksDescriptionIO& IO) {
  TksDataSkinControl::Exchange(IO);
  IO.Rects({{"tabrect", &TabRect},
            {"activetabrect", &ActiveTabRect},
            {"focustabrect", &FocusTabRect},
            {"mouseintabrect", &MouseInTabRect},
            {"clientrect", &ClRect}});
  IO.Int("bgpictureindex", BGPictureIndex, -1);
  IO.Point("lefttoppoint", LTPoint);
  IO.Point("righttoppoint", RTPoint);
  IO.Point("leftbottompoint", LBPoint);
  IO.Point("rightbottompoint", RBPoint);
  IO.Int("tableftoffset", TabLeftOffset);
  IO.Int("tabrightoffset", TabRightOffset);
  IO.Rect("tabsbgrect", TabsBGRect);
  IO.Flag("tabstretcheffect", TabStretchEffect);
  IO.Font("font", Font);
  IO.Color("activefontcolor", ActiveFontColor);
  IO.Color("focusfontcolor", FocusFontColor);
  IO.Color("mouseinfontcolor", MouseInFontColor);
  IO.Text("updown", UpDown);
}

void TksDataSkinMainMenuBar::Exchange(TksDescriptionIO& IO) {
  TksDataSkinControl::Exchange(IO);
  IO.Rect("itemsrect", ItemsRect);
  IO.Text("menubaritem", MenuBarItem);
  IO.Text("closebutton", CloseButton);
  IO.Text("minbutton", MinButton);
  IO.Text("maxbutton", MaxButton);
  IO.Text("sysmenubutton", SysMenuButton);
  IO.Color("trackmarkcolor", TrackMarkColor);
  IO.Color("trackmarkactivecolor", TrackMarkActiveColor);
}

void TksDataSkinControlBar::Exchange(TksDescriptionIO& IO) {
  TksDataSkinCustomControl::Exchange(IO);
  IO.Rect("itemrect", ItemRect);
  IO.Int("bgpictureindex", BGPictureIndex, -1);
}

void TksDataSkinEditControl::Exchange(TksDescriptionIO& IO) {
  TksDataSkinCustomControl::Exchange(IO);
  IO.Rect("activeskinrect", ActiveSkinRect);
  IO.Font("font", Font);
  IO.Color("disabledfontcolor", DisabledFontColor);
  IO.Color("activefontcolor", ActiveFontColor);
  IO.Rects({{"buttonrect", &ButtonRect},
            {"activebuttonrect", &ActiveButtonRect},
            {"downbuttonrect", &DownButtonRect},
            {"unenabledbuttonrect", &UnEnabledButtonRect}});
}

void TksDataSkinMemoControl::Exchange(TksDescriptionIO& IO) {
  TksDataSkinEditControl::Exchange(IO);
  IO.Color("bgcolor", BGColor);
  IO.Color("activebgcolor", ActiveBGColor);
}

void TksDataSkinListBox::Exchange(TksDescriptionIO& IO) {
  TksDataSkinCustomControl::Exchange(IO);
  IO.Rects({{"itemrect", &ItemRect},
            {"activeitemrect", &ActiveItemRect},
            {"focusitemrect", &FocusItemRect}});
  IO.Int("itemleftoffset", ItemLeftOffset);
  IO.Int("itemrightoffset", ItemRightOffset);
  IO.Rect("itemtextrect", ItemTextRect);
  IO.Font("font", Font);
  IO.Color("activefontcolor", ActiveFontColor);
  IO.Color("focusfontcolor", FocusFontColor);
  IO.Rect("captionrect", CaptionRect);
  IO.Font("captionfont", CaptionFont);
  IO.Rects({{"upbuttonrect", &UpButtonRect},
            {"activeupbuttonrect", &ActiveUpButtonRect},
            {"downupbuttonrect", &DownUpButtonRect},
            {"downbuttonrect", &DownButtonRect},
            {"activedownbuttonrect", &ActiveDownButtonRect},
            {"downdownbuttonrect", &DownDownButtonRect},
            {"checkbuttonrect", &CheckButtonRect},
            {"activecheckbuttonrect", &ActiveCheckButtonRect},
            {"downcheckbuttonrect", &DownCheckButtonRect}});
  IO.Text("vscrollbarname", VScrollBarName, "vscrollbar");
  IO.Text("hscrollbarname", HScrollBarName, "hscrollbar");
  IO.Text("bothhscrollbarname", BothScrollBarName, "bothhscrollbar");
}

void TksDataSkinCheckListBox::Exchange(TksDescriptionIO& IO) {
  TksDataSkinListBox::Exchange(IO);
  IO.Rects({{"itemcheckrect", &ItemCheckRect},
            {"checkimagerect", &CheckImageRect},
            {"uncheckimagerect", &UnCheckImageRect}});
}

void TksDataSkinComboBox::Exchange(TksDescriptionIO& IO) {
  TksDataSkinCustomControl::Exchange(IO);
  IO.Rects({{"activeskinrect", &ActiveSkinRect},
            {"itemrect", &ItemRect},
            {"activeitemrect", &ActiveItemRect},
            {"focusitemrect", &FocusItemRect}});
  IO.Int("itemleftoffset", ItemLeftOffset);
  IO.Int("itemrightoffset", ItemRightOffset);
  IO.Rect("itemtextrect", ItemTextRect);
  IO.Font("font", Font);
  IO.Color("focusfontcolor", FocusFontColor);
  IO.Color("activefontcolor", ActiveFontColor);
  IO.Text("listboxname", ListBoxName);
  IO.Rects({{"buttonrect", &ButtonRect},
            {"activebuttonrect", &ActiveButtonRect},
            {"downbuttonrect", &DownButtonRect},
            {"unenabledbuttonrect", &UnEnabledButtonRect}});
  IO.Flag("itemstretcheffect", ItemStretchEffect);
  IO.Flag("focusitemstretcheffect", FocusItemStretchEffect);
}

void TksDataSkinScrollBarControl::Exchange(TksDescriptionIO& IO) {
  TksDataSkinCustomControl::Exchange(IO);
  IO.Rects({{"trackarea", &TrackArea},
            {"upbuttonrect", &UpButtonRect},
            {"activeupbuttonrect", &ActiveUpButtonRect},
            {"downupbuttonrect", &DownUpButtonRect},
            {"downbuttonrect", &DownButtonRect},
            {"activedownbuttonrect", &ActiveDownButtonRect},
            {"downdownbuttonrect", &DownDownButtonRect},
            {"thumbrect", &ThumbRect},
            {"activethumbrect", &ActiveThumbRect},
            {"downthumbrect", &DownThumbRect}});
  IO.Int("thumboffset1", ThumbOffset1);
  IO.Int("thumboffset2", ThumbOffset2);
  IO.Flag("thumbtransparent", ThumbTransparent);
  IO.Color("thumbtransparentcolor", ThumbTransparentColor);
  IO.Rects({{"glyphrect", &GlyphRect},
            {"activeglyphrect", &ActiveGlyphRect},
            {"downglyphrect", &DownGlyphRect}});
}

void TksDataSkinSpinEditControl::Exchange(TksDescriptionIO& IO) {
  TksDataSkinCustomControl::Exchange(IO);
  IO.Rect("activeskinrect", ActiveSkinRect);
  IO.Font("font", Font);
  IO.Color("activefontcolor", ActiveFontColor);
  IO.Color("disabledfontcolor", DisabledFontColor);
  IO.Rects({{"upbuttonrect", &UpButtonRect},
            {"activeupbuttonrect", &ActiveUpButtonRect},
            {"downupbuttonrect", &DownUpButtonRect},
            {"downbuttonrect", &DownButtonRect},
            {"activedownbuttonrect", &ActiveDownButtonRect},
            {"downdownbuttonrect", &DownDownButtonRect}});
}

void TksDataSkinScrollBoxControl::Exchange(TksDescriptionIO& IO) {
  TksDataSkinCustomControl::Exchange(IO);
  IO.Int("bgpictureindex", BGPictureIndex, -1);
}

void TksDataSkinTreeView::Exchange(TksDescriptionIO& IO) {
  TksDataSkinControl::Exchange(IO);
  IO.Font("font", Font);
  IO.Color("bgcolor", BGColor);
}

void TksDataSkinBevel::Exchange(TksDescriptionIO& IO) {
  TksDataSkinControl::Exchange(IO);
  IO.Color("lightcolor", LightColor);
  IO.Color("darkcolor", DarkColor);
}

void TksDataSkinSlider::Exchange(TksDescriptionIO& IO) {
  TksDataSkinControl::Exchange(IO);
  IO.Color("bgcolor", BGColor);
  IO.Rects({{"hrulerrect", &HRulerRect},
            {"hthumbrect", &HThumbRect},
            {"vrulerrect", &VRulerRect},
            {"vthumbrect", &VThumbRect}});
  IO.Int("edgesize", EdgeSize);
  IO.Color("pointscolor", PointsColor);
}

namespace {
template <class T, class Base>
std::function<std::unique_ptr<Base>(const std::string&)> Maker() {
  return [](const std::string& Name) -> std::unique_ptr<Base> { return std::make_unique<T>(Name); };
}
}  // namespace

std::unique_ptr<TksDataSkinControl> CreateSkinControlDescription(const std::string& TypeWord,
                                                                 const std::string& Name) {
  using B = TksDataSkinControl;
  static const std::map<std::string, std::function<std::unique_ptr<B>(const std::string&)>> makers =
      {
          {"panel", Maker<TksDataSkinPanelControl, B>()},
          {"expanel", Maker<TksDataSkinExPanelControl, B>()},
          {"button", Maker<TksDataSkinButtonControl, B>()},
          {"menubutton", Maker<TksDataSkinMenuButtonControl, B>()},
          {"checkradio", Maker<TksDataSkinCheckRadioControl, B>()},
          {"gauge", Maker<TksDataSkinGaugeControl, B>()},
          {"splitter", Maker<TksDataSkinSplitterControl, B>()},
          {"trackbar", Maker<TksDataSkinTrackBarControl, B>()},
          {"label", Maker<TksDataSkinLabelControl, B>()},
          {"stdlabel", Maker<TksDataSkinStdLabelControl, B>()},
          {"updown", Maker<TksDataSkinUpDownControl, B>()},
          {"grid", Maker<TksDataSkinGridControl, B>()},
          {"tab", Maker<TksDataSkinTabControl, B>()},
          {"mainmenubar", Maker<TksDataSkinMainMenuBar, B>()},
          {"controlbar", Maker<TksDataSkinControlBar, B>()},
          {"memo", Maker<TksDataSkinMemoControl, B>()},
          {"edit", Maker<TksDataSkinEditControl, B>()},
          {"checklistbox", Maker<TksDataSkinCheckListBox, B>()},
          {"listbox", Maker<TksDataSkinListBox, B>()},
          {"combobox", Maker<TksDataSkinComboBox, B>()},
          {"scrollbar", Maker<TksDataSkinScrollBarControl, B>()},
          {"spinedit", Maker<TksDataSkinSpinEditControl, B>()},
          {"scrollbox", Maker<TksDataSkinScrollBoxControl, B>()},
          {"treeview", Maker<TksDataSkinTreeView, B>()},
          {"listview", Maker<TksDataSkinListView, B>()},
          {"richedit", Maker<TksDataSkinRichEdit, B>()},
          {"bevel", Maker<TksDataSkinBevel, B>()},
          {"slider", Maker<TksDataSkinSlider, B>()},
      };
  auto it = makers.find(TypeWord);
  return it == makers.end() ? nullptr : it->second(Name);
}

// ---- Window-object descriptions ----
TksDataSkinObject::TksDataSkinObject(const std::string& AIDName) : IDName(AIDName) {}

void TksDataSkinObject::LoadFromFile(TCustomIniFile* IniFile) {
  TksDescriptionIO io(IniFile, IDName, false);
  Exchange(io);
}

void TksDataSkinObject::SaveToFile(TCustomIniFile* IniFile) {
  IniFile->EraseSection(IDName);
  TksDescriptionIO io(IniFile, IDName, true);
  Exchange(io);
}

void TksDataSkinObject::Exchange(TksDescriptionIO& IO) {
  IO.Text("hint", Hint);
  IO.Int("activepictureindex", ActivePictureIndex, -1);
  IO.Flag("skinrectinapicture", SkinRectInAPicture);
  IO.Rects({{"skinrect", &SkinRect},
            {"activeskinrect", &ActiveSkinRect},
            {"inactiveskinrect", &InActiveSkinRect}});
  IO.Flag("morphing", Morphing);
  IO.Morph("morphkind", MorphKind);
}

void TksDataSkinButton::Exchange(TksDescriptionIO& IO) {
  TksDataSkinObject::Exchange(IO);
  IO.Rect("downrect", DownRect);
  IO.Rect("disableskinrsect", DisableSkinRect);  // the key is spelt this way in skin files
}

void TksDataSkinStdButton::Exchange(TksDescriptionIO& IO) {
  TksDataSkinButton::Exchange(IO);
  IO.Command("command", Command);
  IO.Rects({{"restorerect", &RestoreRect},
            {"restoreactiverect", &RestoreActiveRect},
            {"restoredownrect", &RestoreDownRect},
            {"restoreinactiverect", &RestoreInActiveRect}});
}

void TksDataSkinAnimate::Exchange(TksDescriptionIO& IO) {
  TksDataSkinObject::Exchange(IO);
  IO.Int("countframes", CountFrames, 1);
  IO.Flag("cycle", Cycle);
  IO.Flag("buttonstyle", ButtonStyle);
  IO.Int("timerinterval", TimerInterval, 50);
  IO.Command("command", Command);
  IO.Rect("downskinrect", DownSkinRect);
  // Animations never morph, whatever the file says.
  if (!IO.Writing()) Morphing = false;
}

void TksDataSkinMenuItem::Exchange(TksDescriptionIO& IO) {
  TksDataSkinObject::Exchange(IO);
  IO.Int("itemleftoffset", ItemLeftOffset);
  IO.Int("itemrightoffset", ItemRightOffset);
  IO.Rect("dividerrect", DividerRect);
  IO.Int("dividerleftoffset", DividerLeftOffset);
  IO.Int("dividerrightoffset", DividerRightOffset);
  IO.Rect("textrect", TextRct);
  IO.Font("font", Font);
  IO.Color("activefontcolor", ActiveFontColor);
  IO.Color("unenabledfontcolor", UnEnabledFontColor);
  IO.Flag("stretcheffect", StretchEffect);
  IO.Flag("inactivestretcheffect", InActiveStretchEffect);
  IO.Flag("dividerstretcheffect", DividerStretchEffect);
  IO.Rect("animateskinrect", AnimateSkinRect);
  IO.Int("framecount", FrameCount);
  IO.Int("animateinterval", AnimateInterval, 25);
  IO.Flag("inactiveanimation", InActiveAnimation);
}

void TksDataSkinMainMenuItem::Exchange(TksDescriptionIO& IO) {
  TksDataSkinObject::Exchange(IO);
  IO.Int("itemleftoffset", ItemLeftOffset);
  IO.Int("itemrightoffset", ItemRightOffset);
  IO.Rect("downrect", DownRect);
  IO.Rect("textrect", TextRct);
  IO.Font("font", Font);
  IO.Color("activefontcolor", ActiveFontColor);
  IO.Color("downfontcolor", DownFontColor);
  IO.Color("unenabledfontColor", UnEnabledFontColor);
  IO.Flag("stretcheffect", StretchEffect);
  IO.Rect("animateskinrect", AnimateSkinRect);
  IO.Int("framecount", FrameCount);
  IO.Int("animateinterval", AnimateInterval, 25);
  IO.Flag("inactiveanimation", InActiveAnimation);
}

void TksDataSkinCaption::Exchange(TksDescriptionIO& IO) {
  TksDataSkinObject::Exchange(IO);
  IO.Rect("textrect", TextRct);
  IO.Font("font", Font);
  IO.Color("activefontcolor", ActiveFontColor);
  IO.Alignment("alignment", Alignment);
  IO.Flag("light", Light);
  IO.Color("lightcolor", LightColor);
  IO.Color("activelightcolor", ActiveLightColor);
  IO.Flag("shadow", Shadow);
  IO.Color("shadowcolor", ShadowColor);
  IO.Color("activeshadowcolor", ActiveShadowColor);
  IO.Rects({{"framerect", &FrameRect},
            {"activeframerect", &ActiveFrameRect},
            {"frametextrect", &FrameTextRect}});
  IO.Int("frameleftoffset", FrameLeftOffset);
  IO.Int("framerightoffset", FrameRightOffset);
  IO.Flag("stretcheffect", StretchEffect);
  IO.Rect("animateskinrect", AnimateSkinRect);
  IO.Int("framecount", FrameCount);
  IO.Int("animateinterval", AnimateInterval, 25);
  IO.Flag("inactiveanimation", InActiveAnimation);
}

void TksDataUserObject::Exchange(TksDescriptionIO& IO) { IO.Rect("skinrect", SkinRect); }

std::unique_ptr<TksDataSkinObject> CreateSkinObjectDescription(const std::string& TypeWord,
                                                               const std::string& Name) {
  using B = TksDataSkinObject;
  static const std::map<std::string, std::function<std::unique_ptr<B>(const std::string&)>> makers =
      {
          {"button", Maker<TksDataSkinButton, B>()},
          {"stdbutton", Maker<TksDataSkinStdButton, B>()},
          {"mainmenubarbutton", Maker<TksDataSkinMainMenuBarButton, B>()},
          {"animate", Maker<TksDataSkinAnimate, B>()},
          {"menuitem", Maker<TksDataSkinMenuItem, B>()},
          {"mainmenubaritem", Maker<TksDataSkinMainMenuBarItem, B>()},
          {"caption", Maker<TksDataSkinCaption, B>()},
          {"userobject", Maker<TksDataUserObject, B>()},
      };
  auto it = makers.find(TypeWord);
  return it == makers.end() ? nullptr : it->second(Name);
}

// ---- Skin-wide sections ----
namespace {
void ExchangeCorners(TksDescriptionIO& IO, POINT& LT, POINT& RT, POINT& LB, POINT& RB) {
  IO.Point("lefttoppoint", LT);
  IO.Point("righttoppoint", RT);
  IO.Point("leftbottompoint", LB);
  IO.Point("rightbottompoint", RB);
}
void ExchangeStretch(TksDescriptionIO& IO, bool& L, bool& R, bool& T, bool& B) {
  IO.Flag("leftstretch", L);
  IO.Flag("rightstretch", R);
  IO.Flag("topstretch", T);
  IO.Flag("bottomstretch", B);
}
void ExchangePopup(TksDescriptionIO& IO, TksDataSkinPopupWindow& P) {
  IO.Int("windowpictureindex", P.WindowPictureIndex, -1);
  IO.Int("maskpictureindex", P.MaskPictureIndex, -1);
  ExchangeCorners(IO, P.LTPoint, P.RTPoint, P.LBPoint, P.RBPoint);
  IO.Rect("itemsrect", P.ItemsRect);
  IO.Color("scrollmarkercolor", P.ScrollMarkerColor);
  IO.Color("scrollmarkeractivecolor", P.ScrollMarkerActiveColor);
  ExchangeStretch(IO, P.LeftStretch, P.RightStretch, P.TopStretch, P.BottomStretch);
}
void ExchangeHint(TksDescriptionIO& IO, TksDataSkinHintWindow& P) {
  IO.Int("windowpictureindex", P.WindowPictureIndex, -1);
  IO.Int("maskpictureindex", P.MaskPictureIndex, -1);
  ExchangeCorners(IO, P.LTPoint, P.RTPoint, P.LBPoint, P.RBPoint);
  IO.Rect("clientrect", P.ClRect);
  IO.Font("font", P.Font);
  ExchangeStretch(IO, P.LeftStretch, P.RightStretch, P.TopStretch, P.BottomStretch);
}
void ExchangeFormInfo(TksDescriptionIO& IO, TksDataSkinFormInfo& F) {
  ExchangeCorners(IO, F.LTPoint, F.RTPoint, F.LBPoint, F.RBPoint);
  IO.Rect("clientrect", F.ClRect);
  IO.Int("bgpictureindex", F.BGPictureIndex, -1);
  IO.Int("mdibgpictureindex", F.MDIBGPictureIndex, -1);
  ExchangeStretch(IO, F.LeftStretch, F.RightStretch, F.TopStretch, F.BottomStretch);
  IO.Rect("maskrectarea", F.MaskRectArea);
  IO.Point("hittestlefttoppoint", F.HitTestLTPoint);
  IO.Point("hittestrighttoppoint", F.HitTestRTPoint);
  IO.Point("hittestleftbottompoint", F.HitTestLBPoint);
  IO.Point("hittestrightbottompoint", F.HitTestRBPoint);
  IO.Rect("buttonsrect", F.ButtonsRect);
  IO.Rect("captionrect", F.CaptionRect);
  IO.Int("buttonsoffset", F.ButtonsOffset);
  IO.Flag("buttonsinleft", F.ButtonsInLeft);
  IO.Flag("mainmenupopupup", F.MainMenuPopupUp);
  IO.Int("borderwidth", F.BorderWidth);
  IO.Flag("autorenderinginactiveimage", F.AutoRenderingInActiveImage);
  IO.Effect("inactiveeffect", F.InActiveEffect);
}
}  // namespace

void TksDataSkinPopupWindow::LoadFromFile(TCustomIniFile* IniFile) {
  TksDescriptionIO io(IniFile, "POPUPWINDOW", false);
  ExchangePopup(io, *this);
}
void TksDataSkinPopupWindow::SaveToFile(TCustomIniFile* IniFile) {
  IniFile->EraseSection("POPUPWINDOW");
  TksDescriptionIO io(IniFile, "POPUPWINDOW", true);
  ExchangePopup(io, *this);
}
void TksDataSkinHintWindow::LoadFromFile(TCustomIniFile* IniFile) {
  TksDescriptionIO io(IniFile, "HINTWINDOW", false);
  ExchangeHint(io, *this);
}
void TksDataSkinHintWindow::SaveToFile(TCustomIniFile* IniFile) {
  IniFile->EraseSection("HINTWINDOW");
  TksDescriptionIO io(IniFile, "HINTWINDOW", true);
  ExchangeHint(io, *this);
}

void TksDataSkinFormInfo::LoadFromFile(TCustomIniFile* IniFile, bool HasMask) {
  TksDescriptionIO io(IniFile, "FORMINFO", false);
  ExchangeFormInfo(io, *this);
  if (HasMask) {
    if (IsRectEmpty(&MaskRectArea)) {
      MaskRectArea = ClRect;
    } else {
      MaskRectArea.left = std::min(MaskRectArea.left, ClRect.left);
      MaskRectArea.top = std::min(MaskRectArea.top, ClRect.top);
      MaskRectArea.right = std::max(MaskRectArea.right, ClRect.right);
      MaskRectArea.bottom = std::max(MaskRectArea.bottom, ClRect.bottom);
    }
    auto fill = [](POINT& HitTest, POINT Corner) {
      if (HitTest.x == 0 || HitTest.y == 0) HitTest = Corner;
    };
    fill(HitTestLTPoint, LTPoint);
    fill(HitTestRTPoint, RTPoint);
    fill(HitTestLBPoint, LBPoint);
    fill(HitTestRBPoint, RBPoint);
  }
  if (RBPoint.x != LTPoint.x && RBPoint.y != LTPoint.y) {
    LTPoint.x = std::max<LONG>(LTPoint.x, ClRect.left);
    LTPoint.y = std::max<LONG>(LTPoint.y, ClRect.top);
    RTPoint.x = std::min<LONG>(RTPoint.x, ClRect.right);
    RTPoint.y = std::max<LONG>(RTPoint.y, ClRect.top);
    LBPoint.x = std::max<LONG>(LBPoint.x, ClRect.left);
    LBPoint.y = std::min<LONG>(LBPoint.y, ClRect.bottom);
    RBPoint.x = std::min<LONG>(RBPoint.x, ClRect.right);
    RBPoint.y = std::min<LONG>(RBPoint.y, ClRect.bottom);
  }
}

void TksDataSkinFormInfo::SaveToFile(TCustomIniFile* IniFile) {
  IniFile->EraseSection("FORMINFO");
  TksDescriptionIO io(IniFile, "FORMINFO", true);
  ExchangeFormInfo(io, *this);
}
