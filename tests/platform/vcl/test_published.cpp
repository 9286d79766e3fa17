// The controls' published properties: the names and type names that forms, the object
// inspector, scripts and skinners look up; defaults that match a new control (the filer leaves
// out values at their default); a form description that uses many of them reads, lands in the
// controls, and writes back to the same text.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/comctrls_misc.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/extctrls2.h"
#include "platform/vcl/filectrl.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/grids.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "tests/platform/vcl/formtest.h"

namespace {

struct TPublished {
  TClass Class;
  const char* Name;
  const char* TypeName;
};

// What the skinners, the report designer and the forms rely on, with the type names they see.
const TPublished kPublished[] = {
    {TButton::StaticClass(), "Anchors", "TAnchors"},
    {TButton::StaticClass(), "BiDiMode", "TBiDiMode"},
    {TButton::StaticClass(), "ParentBiDiMode", "Boolean"},
    {TButton::StaticClass(), "Constraints", "TSizeConstraints"},
    {TButton::StaticClass(), "DragCursor", "TCursor"},
    {TButton::StaticClass(), "DragKind", "TDragKind"},
    {TButton::StaticClass(), "DragMode", "TDragMode"},
    {TButton::StaticClass(), "HelpContext", "THelpContext"},
    {TButton::StaticClass(), "PopupMenu", "TPopupMenu"},
    {TButton::StaticClass(), "ParentColor", "Boolean"},
    {TButton::StaticClass(), "Tag", "Integer"},
    {TButton::StaticClass(), "ModalResult", "TModalResult"},
    {TButton::StaticClass(), "TabOrder", "TTabOrder"},
    {TButton::StaticClass(), "OnConstrainedResize", "TConstrainedResizeEvent"},
    {TButton::StaticClass(), "OnContextPopup", "TContextPopupEvent"},
    {TButton::StaticClass(), "OnDragDrop", "TDragDropEvent"},
    {TButton::StaticClass(), "OnDragOver", "TDragOverEvent"},
    {TButton::StaticClass(), "OnEndDock", "TEndDragEvent"},
    {TButton::StaticClass(), "OnEndDrag", "TEndDragEvent"},
    {TButton::StaticClass(), "OnEnter", "TNotifyEvent"},
    {TButton::StaticClass(), "OnExit", "TNotifyEvent"},
    {TButton::StaticClass(), "OnKeyDown", "TKeyEvent"},
    {TButton::StaticClass(), "OnKeyPress", "TKeyPressEvent"},
    {TButton::StaticClass(), "OnKeyUp", "TKeyEvent"},
    {TButton::StaticClass(), "OnMouseDown", "TMouseEvent"},
    {TButton::StaticClass(), "OnMouseMove", "TMouseMoveEvent"},
    {TButton::StaticClass(), "OnMouseUp", "TMouseEvent"},
    {TButton::StaticClass(), "OnMouseWheel", "TMouseWheelEvent"},
    {TButton::StaticClass(), "OnStartDock", "TStartDockEvent"},
    {TButton::StaticClass(), "OnStartDrag", "TStartDragEvent"},
    {TLabel::StaticClass(), "OnMouseDown", "TMouseEvent"},
    {TEdit::StaticClass(), "BevelEdges", "TBevelEdges"},
    {TEdit::StaticClass(), "BevelKind", "TBevelKind"},
    {TEdit::StaticClass(), "DoubleBuffered", "Boolean"},
    {TEdit::StaticClass(), "OnChange", "TNotifyEvent"},
    {TEdit::StaticClass(), "PasswordChar", "Char"},
    {TSpeedButton::StaticClass(), "Glyph", "TBitmap"},
    {TSpeedButton::StaticClass(), "NumGlyphs", "TNumGlyphs"},
    {TSpeedButton::StaticClass(), "Layout", "TButtonLayout"},
    {TSpeedButton::StaticClass(), "Margin", "Integer"},
    {TSpeedButton::StaticClass(), "Spacing", "Integer"},
    {TSpeedButton::StaticClass(), "Flat", "Boolean"},
    {TSpeedButton::StaticClass(), "GroupIndex", "Integer"},
    {TSpeedButton::StaticClass(), "Down", "Boolean"},
    {TSpeedButton::StaticClass(), "AllowAllUp", "Boolean"},
    {TBitBtn::StaticClass(), "Glyph", "TBitmap"},
    {TBitBtn::StaticClass(), "NumGlyphs", "TNumGlyphs"},
    {TBitBtn::StaticClass(), "Kind", "TBitBtnKind"},
    {TBitBtn::StaticClass(), "ModalResult", "TModalResult"},
    {TMemo::StaticClass(), "Lines", "TStrings"},
    {TMemo::StaticClass(), "ScrollBars", "TScrollStyle"},
    {TMemo::StaticClass(), "WordWrap", "Boolean"},
    {TMemo::StaticClass(), "ReadOnly", "Boolean"},
    {TMemo::StaticClass(), "MaxLength", "Integer"},
    {TListBox::StaticClass(), "Items", "TStrings"},
    {TListBox::StaticClass(), "ItemIndex", "Integer"},
    {TListBox::StaticClass(), "Style", "TListBoxStyle"},
    {TListBox::StaticClass(), "Sorted", "Boolean"},
    {TListBox::StaticClass(), "ItemHeight", "Integer"},
    {TListBox::StaticClass(), "OnDrawItem", "TDrawItemEvent"},
    {TCheckListBox::StaticClass(), "OnClickCheck", "TNotifyEvent"},
    {TComboBox::StaticClass(), "Items", "TStrings"},
    {TComboBox::StaticClass(), "ItemIndex", "Integer"},
    {TComboBox::StaticClass(), "Style", "TComboBoxStyle"},
    {TComboBox::StaticClass(), "DropDownCount", "Integer"},
    {TComboBox::StaticClass(), "OnSelect", "TNotifyEvent"},
    {TComboBox::StaticClass(), "OnMeasureItem", "TMeasureItemEvent"},
    {TMaskEdit::StaticClass(), "EditMask", "TEditMask"},
    {TGroupBox::StaticClass(), "Caption", "TCaption"},
    {TPanel::StaticClass(), "BevelInner", "TBevelCut"},
    {TPanel::StaticClass(), "BevelOuter", "TBevelCut"},
    {TPanel::StaticClass(), "BevelWidth", "Integer"},
    {TPanel::StaticClass(), "BorderWidth", "Integer"},
    {TPanel::StaticClass(), "BorderStyle", "TBorderStyle"},
    {TPanel::StaticClass(), "Alignment", "TAlignment"},
    {TBevel::StaticClass(), "Shape", "TBevelShape"},
    {TBevel::StaticClass(), "Style", "TBevelStyle"},
    {TShape::StaticClass(), "Shape", "TShapeType"},
    {TShape::StaticClass(), "Pen", "TPen"},
    {TShape::StaticClass(), "Brush", "TBrush"},
    {TImage::StaticClass(), "Picture", "TPicture"},
    {TImage::StaticClass(), "Stretch", "Boolean"},
    {TImage::StaticClass(), "Center", "Boolean"},
    {TImage::StaticClass(), "Transparent", "Boolean"},
    {TImage::StaticClass(), "Proportional", "Boolean"},
    {TPaintBox::StaticClass(), "OnPaint", "TNotifyEvent"},
    {TSplitter::StaticClass(), "MinSize", "NaturalNumber"},
    {TSplitter::StaticClass(), "OnMoved", "TNotifyEvent"},
    {TStatusBar::StaticClass(), "Panels", "TStatusPanels"},
    {TStatusPanel::StaticClass(), "Alignment", "TAlignment"},
    {TStatusPanel::StaticClass(), "Text", "String"},
    {TStatusBar::StaticClass(), "SimplePanel", "Boolean"},
    {TStatusBar::StaticClass(), "SimpleText", "String"},
    {TToolBar::StaticClass(), "EdgeBorders", "TEdgeBorders"},
    {TToolBar::StaticClass(), "Flat", "Boolean"},
    {TToolBar::StaticClass(), "Images", "TImageList"},
    {TToolBar::StaticClass(), "ShowCaptions", "Boolean"},
    {TToolBar::StaticClass(), "List", "Boolean"},
    {TToolBar::StaticClass(), "ButtonWidth", "Integer"},
    {TToolBar::StaticClass(), "ButtonHeight", "Integer"},
    {TToolButton::StaticClass(), "Style", "TToolButtonStyle"},
    {TToolButton::StaticClass(), "ImageIndex", "TImageIndex"},
    {TToolButton::StaticClass(), "DropdownMenu", "TPopupMenu"},
    {TProgressBar::StaticClass(), "Position", "Integer"},
    {TUpDown::StaticClass(), "Associate", "TWinControl"},
    {TUpDown::StaticClass(), "OnClick", "TUDClickEvent"},
    {TUpDown::StaticClass(), "OnChanging", "TUDChangingEvent"},
    {TPageControl::StaticClass(), "ActivePage", "TTabSheet"},
    {TPageControl::StaticClass(), "OnChanging", "TTabChangingEvent"},
    {TTabSheet::StaticClass(), "TabVisible", "Boolean"},
    {TTabControl::StaticClass(), "Tabs", "TStrings"},
    {TTreeView::StaticClass(), "Indent", "Integer"},
    {TTreeView::StaticClass(), "ShowLines", "Boolean"},
    {TTreeView::StaticClass(), "OnExpanding", "TTVExpandingEvent"},
    {TDateTimePicker::StaticClass(), "Kind", "TDateTimeKind"},
    {TDateTimePicker::StaticClass(), "Date", "TDate"},
    {TDateTimePicker::StaticClass(), "Time", "TTime"},
    {TStringGrid::StaticClass(), "Options", "TGridOptions"},
    {TStringGrid::StaticClass(), "OnDrawCell", "TDrawCellEvent"},
    {TStringGrid::StaticClass(), "OnSelectCell", "TSelectCellEvent"},
    {TFileListBox::StaticClass(), "Directory", "String"},
    {TFileListBox::StaticClass(), "Mask", "String"},
    {TTimer::StaticClass(), "OnTimer", "TNotifyEvent"},
};

TEST(PublishedProperties, TheNamesOthersLookUpExistWithTheirTypeNames) {
  for (const TPublished& p : kPublished) {
    SCOPED_TRACE(std::string(p.Class->Name) + "." + p.Name);
    PPropInfo info = GetPropInfo(p.Class, p.Name);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->PropType->Name, p.TypeName);
  }
}

TEST(PublishedProperties, TheFileListBoxDoesNotPublishItsItems) {
  // It fills them from its directory; a form must not carry (or overwrite) them.
  EXPECT_EQ(GetPropInfo(TFileListBox::StaticClass(), "Items"), nullptr);
  EXPECT_NE(GetPropInfo(TListBox::StaticClass(), "Items"), nullptr);
}

using TMaker = std::function<TControl*(TComponent*)>;
template <class T> TMaker Maker() {
  return [](TComponent* Owner) -> TControl* { return new T(Owner); };
}

class PublishedFormTest : public FormTestBase {
protected:
  void SetUp() override {
    FormTestBase::SetUp();
    RegisterClasses({TPopupMenu::StaticClass(), TPanel::StaticClass(), TSpeedButton::StaticClass(),
                     TMemo::StaticClass(), TListBox::StaticClass(), TComboBox::StaticClass(),
                     TGroupBox::StaticClass(), TBevel::StaticClass(), TShape::StaticClass(),
                     TImage::StaticClass(), TSplitter::StaticClass(), TStatusBar::StaticClass(),
                     TToolBar::StaticClass(), TToolButton::StaticClass(), TProgressBar::StaticClass(),
                     TEdit::StaticClass(), TUpDown::StaticClass(), TPageControl::StaticClass(),
                     TTabSheet::StaticClass(), TTreeView::StaticClass(), TStringGrid::StaticClass(),
                     TBitBtn::StaticClass(), TCheckBox::StaticClass(), TTimer::StaticClass(),
                     TDateTimePicker::StaticClass(), TLabel::StaticClass(), TButton::StaticClass()});
  }

  // The form as text, through the binary stream the filer writes.
  static std::string FormText(TComponent* Root) {
    TMemoryStream bin;
    {
      TWriter w(&bin);
      w.WriteRootComponent(Root);
    }
    bin.SetPosition(0);
    TStringStream text("");
    ObjectBinaryToText(&bin, &text);
    return text.DataString();
  }
  template <class T> T* Find(TComponent* Root, const char* Name) {
    auto* c = dynamic_cast<T*>(Root->FindComponent(Name));
    EXPECT_NE(c, nullptr) << Name;
    return c;
  }
};

// A declared default is the value a new control has: otherwise a control set back to that value
// would not be written and would read back as something else.
TEST_F(PublishedFormTest, DeclaredDefaultsAreTheValuesOfANewControl) {
  const std::vector<std::pair<const char*, TMaker>> makers = {
      {"TLabel", Maker<TLabel>()},           {"TButton", Maker<TButton>()},
      {"TCheckBox", Maker<TCheckBox>()},     {"TRadioButton", Maker<TRadioButton>()},
      {"TGroupBox", Maker<TGroupBox>()},     {"TEdit", Maker<TEdit>()},
      {"TMemo", Maker<TMemo>()},             {"TListBox", Maker<TListBox>()},
      {"TCheckListBox", Maker<TCheckListBox>()}, {"TComboBox", Maker<TComboBox>()},
      {"TMaskEdit", Maker<TMaskEdit>()},     {"TStaticText", Maker<TStaticText>()},
      {"TPanel", Maker<TPanel>()},           {"TPaintBox", Maker<TPaintBox>()},
      {"TSplitter", Maker<TSplitter>()},     {"TBevel", Maker<TBevel>()},
      {"TImage", Maker<TImage>()},           {"TShape", Maker<TShape>()},
      {"TScrollBar", Maker<TScrollBar>()},   {"TSpeedButton", Maker<TSpeedButton>()},
      {"TBitBtn", Maker<TBitBtn>()},         {"TStatusBar", Maker<TStatusBar>()},
      {"TProgressBar", Maker<TProgressBar>()}, {"TPageControl", Maker<TPageControl>()},
      {"TTabSheet", Maker<TTabSheet>()},     {"TTreeView", Maker<TTreeView>()},
      {"TTrackBar", Maker<TTrackBar>()},     {"TUpDown", Maker<TUpDown>()},
      {"TToolBar", Maker<TToolBar>()},       {"TToolButton", Maker<TToolButton>()},
      {"TTabControl", Maker<TTabControl>()}, {"TDateTimePicker", Maker<TDateTimePicker>()},
      {"TDrawGrid", Maker<TDrawGrid>()},     {"TStringGrid", Maker<TStringGrid>()},
      {"TFileListBox", Maker<TFileListBox>()}, {"TScrollBox", Maker<TScrollBox>()},
  };
  for (const auto& [name, make] : makers) {
    TControl* c = make(Form);
    ASSERT_EQ(c->ClassName(), std::string(name));
    for (PPropInfo p : GetPropList(c, tkProperties)) {
      if (!p->HasDefault || !IsStoredProp(c, p)) continue;
      EXPECT_TRUE(IsDefaultPropValue(c, p)) << name << "." << p->Name << " is "
                                            << GetOrdProp(c, p) << ", declared " << p->Default;
    }
    delete c;
  }
}

const char* const kWideForm =
    "object Sample: TForm\n"
    "  Left = 40\n  Top = 30\n  Width = 600\n  Height = 500\n  Caption = 'Sample'\n"
    "  object Popup1: TPopupMenu\n  end\n"
    "  object Panel1: TPanel\n"
    "    Left = 0\n    Top = 0\n    Width = 200\n    Height = 60\n"
    "    Anchors = [akLeft, akTop, akRight]\n"
    "    BiDiMode = bdRightToLeft\n"
    "    Caption = 'Panel'\n"
    "    Constraints.MaxHeight = 300\n    Constraints.MinWidth = 50\n"
    "    DragCursor = -21\n    DragMode = dmAutomatic\n"
    "    HelpContext = 12\n"
    "    ParentBiDiMode = False\n"
    "    PopupMenu = Popup1\n"
    "    Tag = 7\n"
    "    BevelInner = bvLowered\n    BevelOuter = bvNone\n    BevelWidth = 2\n"
    "    BorderWidth = 3\n    Alignment = taLeftJustify\n    BorderStyle = bsSingle\n"
    "    object SpeedButton1: TSpeedButton\n"
    "      Left = 4\n      Top = 4\n      Width = 30\n      Height = 30\n"
    "      AllowAllUp = True\n      GroupIndex = 1\n      Down = True\n      Flat = True\n"
    "      Layout = blGlyphTop\n      Margin = 2\n      NumGlyphs = 2\n      Spacing = 6\n"
    "    end\n"
    "  end\n"
    "  object Memo1: TMemo\n"
    "    Left = 0\n    Top = 70\n    Width = 100\n    Height = 80\n"
    "    Lines.Strings = (\n      'one'\n      'two')\n"
    "    MaxLength = 80\n    ReadOnly = True\n    ScrollBars = ssVertical\n    WordWrap = False\n"
    "  end\n"
    "  object ListBox1: TListBox\n"
    "    Left = 110\n    Top = 70\n    Width = 100\n    Height = 80\n"
    "    Items.Strings = (\n      'a'\n      'b'\n      'c')\n"
    "    ItemHeight = 20\n    ItemIndex = 1\n    Style = lbOwnerDrawFixed\n"
    "  end\n"
    "  object ComboBox1: TComboBox\n"
    "    Left = 220\n    Top = 70\n    Width = 100\n    Height = 21\n"
    "    Style = csDropDownList\n    DropDownCount = 5\n"
    "    Items.Strings = (\n      'x'\n      'y')\n"
    "    ItemIndex = 1\n"
    "  end\n"
    "  object GroupBox1: TGroupBox\n"
    "    Left = 330\n    Top = 70\n    Width = 100\n    Height = 80\n    Caption = 'Group'\n"
    "  end\n"
    "  object Bevel1: TBevel\n"
    "    Left = 0\n    Top = 160\n    Width = 50\n    Height = 50\n"
    "    Shape = bsFrame\n    Style = bsRaised\n"
    "  end\n"
    "  object Shape1: TShape\n"
    "    Left = 60\n    Top = 160\n    Width = 50\n    Height = 50\n"
    "    Brush.Color = 255\n    Pen.Width = 3\n    Shape = stCircle\n"
    "  end\n"
    "  object Image1: TImage\n"
    "    Left = 120\n    Top = 160\n    Width = 50\n    Height = 50\n"
    "    Center = True\n    Proportional = True\n    Stretch = True\n    Transparent = True\n"
    "  end\n"
    "  object StatusBar1: TStatusBar\n"
    "    Left = 0\n    Top = 450\n    Width = 600\n    Height = 19\n"
    "    Panels = <\n"
    "      item\n        Text = 'One'\n        Width = 80\n      end\n"
    "      item\n        Alignment = taCenter\n        Text = 'Two'\n      end>\n"
    "    SimplePanel = True\n    SimpleText = 'Ready'\n"
    "  end\n"
    "  object ToolBar1: TToolBar\n"
    "    Left = 0\n    Top = 0\n    Width = 600\n    Height = 30\n"
    "    ButtonHeight = 30\n    ButtonWidth = 40\n    EdgeBorders = [ebLeft, ebBottom]\n"
    "    Flat = False\n    List = True\n    ShowCaptions = True\n"
    "    object ToolButton1: TToolButton\n"
    "      Left = 0\n      Top = 0\n      Width = 40\n      Height = 30\n"
    "      Grouped = True\n      ImageIndex = 2\n      Style = tbsCheck\n"
    "    end\n"
    "  end\n"
    "  object ProgressBar1: TProgressBar\n"
    "    Left = 180\n    Top = 160\n    Width = 100\n    Height = 16\n"
    "    Min = 10\n    Max = 50\n    Position = 20\n"
    "  end\n"
    "  object Edit1: TEdit\n"
    "    Left = 290\n    Top = 160\n    Width = 100\n    Height = 21\n"
    "    BevelEdges = [beTop]\n    BevelKind = bkFlat\n    PasswordChar = '*'\n    Text = 'hello'\n"
    "  end\n"
    "  object PageControl1: TPageControl\n"
    "    Left = 0\n    Top = 220\n    Width = 300\n    Height = 200\n"
    "    ActivePage = Sheet2\n"
    "    object Sheet1: TTabSheet\n      Caption = 'First'\n    end\n"
    "    object Sheet2: TTabSheet\n      Caption = 'Second'\n    end\n"
    "  end\n"
    "  object TreeView1: TTreeView\n"
    "    Left = 310\n    Top = 220\n    Width = 120\n    Height = 100\n"
    "    Indent = 25\n    ReadOnly = True\n    ShowLines = False\n"
    "  end\n"
    "  object StringGrid1: TStringGrid\n"
    "    Left = 440\n    Top = 220\n    Width = 150\n    Height = 100\n"
    "    ColCount = 3\n    Options = [goFixedVertLine, goFixedHorzLine, goEditing]\n"
    "  end\n"
    "  object Picker1: TDateTimePicker\n"
    "    Left = 300\n    Top = 330\n    Width = 120\n    Height = 21\n"
    "    Date = 45000.000000000000000000\n    Time = 0.500000000000000000\n    Kind = dtkTime\n"
    "  end\n"
    "  object BitBtn1: TBitBtn\n"
    "    Left = 440\n    Top = 330\n    Width = 75\n    Height = 25\n"
    "    Caption = 'Go'\n    Kind = bkOK\n    Margin = 3\n"
    "  end\n"
    "  object Timer1: TTimer\n    Enabled = False\n    Interval = 250\n  end\n"
    "end\n";

TEST_F(PublishedFormTest, AFormUsingTheControlsPropertiesLoadsThemIntoTheControls) {
  Form->LoadFromText(kWideForm);

  auto* panel = Find<TPanel>(Form, "Panel1");
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->Anchors(), (TAnchors{akLeft, akTop, akRight}));
  EXPECT_EQ(panel->BiDiMode(), bdRightToLeft);
  EXPECT_FALSE(panel->ParentBiDiMode());
  EXPECT_EQ(panel->Constraints().MaxHeight, 300);
  EXPECT_EQ(panel->Constraints().MinWidth, 50);
  EXPECT_EQ(panel->DragCursor(), crHandPoint);
  EXPECT_EQ(panel->DragMode(), dmAutomatic);
  EXPECT_EQ(panel->HelpContext(), 12);
  EXPECT_EQ(panel->PopupMenu(), Form->FindComponent("Popup1"));
  EXPECT_EQ(panel->Tag(), 7);
  EXPECT_EQ(panel->BevelInner(), bvLowered);
  EXPECT_EQ(panel->BevelOuter(), bvNone);
  EXPECT_EQ(panel->BorderStyle(), bsSingle);
  EXPECT_EQ(panel->Alignment(), taLeftJustify);

  auto* speed = Find<TSpeedButton>(Form, "SpeedButton1");
  ASSERT_NE(speed, nullptr);
  EXPECT_EQ(speed->Parent(), panel);
  EXPECT_TRUE(speed->Down());
  EXPECT_TRUE(speed->Flat());
  EXPECT_EQ(speed->Layout(), blGlyphTop);
  EXPECT_EQ(speed->NumGlyphs(), 2);
  EXPECT_EQ(speed->Margin(), 2);
  EXPECT_EQ(speed->Spacing(), 6);

  auto* memo = Find<TMemo>(Form, "Memo1");
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->Lines()->Count(), 2);
  EXPECT_EQ(memo->Lines()->Strings(1), "two");
  EXPECT_EQ(memo->ScrollBars(), ssVertical);
  EXPECT_FALSE(memo->WordWrap());
  EXPECT_TRUE(memo->ReadOnly());
  EXPECT_EQ(memo->MaxLength(), 80);

  auto* list = Find<TListBox>(Form, "ListBox1");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(list->ItemHeight(), 20);
  EXPECT_EQ(list->Style(), lbOwnerDrawFixed);

  auto* combo = Find<TComboBox>(Form, "ComboBox1");
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->Style(), csDropDownList);
  EXPECT_EQ(combo->DropDownCount(), 5);
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(combo->Text(), "y");

  auto* shape = Find<TShape>(Form, "Shape1");
  ASSERT_NE(shape, nullptr);
  EXPECT_EQ(shape->Shape(), stCircle);
  EXPECT_EQ(shape->Pen()->Width(), 3);
  EXPECT_EQ(shape->Brush()->Color(), TColor(255));

  auto* image = Find<TImage>(Form, "Image1");
  ASSERT_NE(image, nullptr);
  EXPECT_TRUE(image->Stretch() && image->Center() && image->Transparent() && image->Proportional());

  auto* bevel = Find<TBevel>(Form, "Bevel1");
  ASSERT_NE(bevel, nullptr);
  EXPECT_EQ(bevel->Shape(), bsFrame);
  EXPECT_EQ(bevel->Style(), bsRaised);

  auto* status = Find<TStatusBar>(Form, "StatusBar1");
  ASSERT_NE(status, nullptr);
  EXPECT_TRUE(status->SimplePanel());
  EXPECT_EQ(status->SimpleText(), "Ready");
  ASSERT_EQ(status->PanelCount(), 2);
  EXPECT_EQ(status->Panels(0).Text, "One");
  EXPECT_EQ(status->Panels(0).Width, 80);
  EXPECT_EQ(status->Panels(1).Alignment, taCenter);
  EXPECT_EQ(status->Panels(1).Width, 50);

  auto* bar = Find<TToolBar>(Form, "ToolBar1");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->EdgeBorders(), (TEdgeBorders{ebLeft, ebBottom}));
  EXPECT_FALSE(bar->Flat());
  EXPECT_TRUE(bar->List());
  EXPECT_TRUE(bar->ShowCaptions());
  EXPECT_EQ(bar->ButtonWidth(), 40);
  auto* tool = Find<TToolButton>(Form, "ToolButton1");
  ASSERT_NE(tool, nullptr);
  EXPECT_EQ(tool->Parent(), bar);
  EXPECT_EQ(tool->Style(), tbsCheck);
  EXPECT_EQ(tool->ImageIndex(), 2);

  auto* progress = Find<TProgressBar>(Form, "ProgressBar1");
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(progress->Min(), 10);
  EXPECT_EQ(progress->Position(), 20);

  auto* edit = Find<TEdit>(Form, "Edit1");
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->BevelEdges(), TBevelEdges{beTop});
  EXPECT_EQ(edit->BevelKind(), bkFlat);
  EXPECT_EQ(edit->PasswordChar(), '*');

  auto* pages = Find<TPageControl>(Form, "PageControl1");
  ASSERT_NE(pages, nullptr);
  ASSERT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(pages->ActivePage(), Form->FindComponent("Sheet2"));

  auto* tree = Find<TTreeView>(Form, "TreeView1");
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(tree->Indent(), 25);
  EXPECT_FALSE(tree->ShowLines());
  EXPECT_TRUE(tree->ReadOnly());

  auto* grid = Find<TStringGrid>(Form, "StringGrid1");
  ASSERT_NE(grid, nullptr);
  EXPECT_TRUE(grid->Options().Contains(goEditing));
  EXPECT_FALSE(grid->Options().Contains(goVertLine));

  auto* picker = Find<TDateTimePicker>(Form, "Picker1");
  ASSERT_NE(picker, nullptr);
  EXPECT_DOUBLE_EQ(picker->DateTime(), 45000.5);
  EXPECT_EQ(picker->Kind(), dtkTime);

  // A caption read before the kind stays: the kind only fills in captions of new buttons.
  auto* bit = Find<TBitBtn>(Form, "BitBtn1");
  ASSERT_NE(bit, nullptr);
  EXPECT_EQ(bit->Kind(), bkOK);
  EXPECT_EQ(bit->Caption(), "Go");
  EXPECT_EQ(bit->Margin(), 3);

  auto* timer = Find<TTimer>(Form, "Timer1");
  ASSERT_NE(timer, nullptr);
  EXPECT_FALSE(timer->Enabled());
  EXPECT_EQ(timer->Interval(), 250u);
}

TEST_F(PublishedFormTest, WritingTheFormBackAndReadingItAgainGivesTheSameText) {
  Form->LoadFromText(kWideForm);
  // The form writes its controls; its non-visual components are the form's own business.
  delete Form->FindComponent("Popup1");
  delete Form->FindComponent("Timer1");
  const std::string first = FormText(Form);
  // What was set is written again, and only once.
  for (const char* line : {"Constraints.MinWidth = 50", "EdgeBorders = [ebLeft, ebBottom]",
                           "BorderStyle = bsSingle", "ActivePage = Sheet2",
                           "NumGlyphs = 2", "WordWrap = False", "Kind = bkOK", "DragCursor = -21",
                           "Text = 'Two'"})
    EXPECT_NE(first.find(line), std::string::npos) << line << "\n" << first;

  auto second = std::make_unique<TForm>(nullptr);
  second->LoadFromText(first);
  EXPECT_EQ(FormText(second.get()), first);
}

TEST_F(PublishedFormTest, AGlyphsPixelsTravelWithTheForm) {
  auto* button = new TSpeedButton(Form);
  button->SetName("Pick");
  button->SetParent(Form);
  TBitmap strip;
  strip.SetSize(16, 8);
  strip.Canvas()->Brush()->SetColor(TColor(RGB(255, 0, 0)));
  strip.Canvas()->FillRect(RECT{0, 0, 8, 8});
  strip.Canvas()->Brush()->SetColor(TColor(RGB(0, 0, 255)));
  strip.Canvas()->FillRect(RECT{8, 0, 16, 8});
  button->SetGlyph(&strip);
  const std::string text = FormText(Form);
  EXPECT_NE(text.find("Glyph.Data"), std::string::npos) << text;

  auto second = std::make_unique<TForm>(nullptr);
  second->LoadFromText(text);
  auto* back = Find<TSpeedButton>(second.get(), "Pick");
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->Glyph()->Width(), 16);
  ASSERT_EQ(back->Glyph()->Height(), 8);
  EXPECT_EQ(back->Glyph()->Canvas()->Pixels(2, 2), TColor(RGB(255, 0, 0)));
  EXPECT_EQ(back->Glyph()->Canvas()->Pixels(12, 5), TColor(RGB(0, 0, 255)));
  // A button without a glyph writes no data.
  EXPECT_EQ(FormText(second.get()), text);
  back->Glyph()->SetSize(0, 0);
  EXPECT_EQ(FormText(second.get()).find("Glyph.Data"), std::string::npos);
}

TEST_F(PublishedFormTest, ComponentsWithoutAParentAreWrittenWithTheFormAndFoundAgain) {
  auto* popup = new TPopupMenu(Form);
  popup->SetName("Popup1");
  auto* timer = new TTimer(Form);
  timer->SetName("Timer1");
  timer->SetInterval(250);
  auto* box = new TScrollBox(Form);
  box->SetName("Box1");
  box->SetParent(Form);
  box->SetAutoScroll(false);
  box->SetBorderStyle(bsNone);
  box->SetPopupMenu(popup);
  const std::string text = FormText(Form);
  // Written before the controls, so the reference to the menu resolves when read.
  ASSERT_NE(text.find("object Popup1: TPopupMenu"), std::string::npos) << text;
  EXPECT_LT(text.find("object Popup1"), text.find("object Box1"));
  EXPECT_NE(text.find("object Timer1: TTimer"), std::string::npos);

  RegisterClasses({TPopupMenu::StaticClass(), TScrollBox::StaticClass()});
  auto second = std::make_unique<TForm>(nullptr);
  second->LoadFromText(text);
  auto* box2 = Find<TScrollBox>(second.get(), "Box1");
  auto* timer2 = Find<TTimer>(second.get(), "Timer1");
  ASSERT_TRUE(box2 && timer2);
  EXPECT_EQ(box2->PopupMenu(), second->FindComponent("Popup1"));
  EXPECT_FALSE(box2->AutoScroll());
  EXPECT_EQ(box2->BorderStyle(), bsNone);
  EXPECT_EQ(timer2->Interval(), 250u);
  EXPECT_EQ(FormText(second.get()), text);
}

TEST_F(PublishedFormTest, AFreedPopupMenuIsNoLongerReferenced) {
  auto* menu = new TPopupMenu(Form);
  auto* button = new TButton(Form);
  SetObjectProp(button, "PopupMenu", menu);
  ASSERT_EQ(button->PopupMenu(), menu);
  delete menu;
  EXPECT_EQ(button->PopupMenu(), nullptr);
  EXPECT_EQ(GetObjectProp(button, "PopupMenu"), nullptr);
}

TEST_F(PublishedFormTest, AnchoredChildrenFollowTheirParentsSides) {
  struct TCase {
    TAnchors Anchors;
    RECT Expected;  // left, top, right, bottom after the parent grows by 40 x 20
  };
  const TCase cases[] = {
      {TAnchors{akLeft, akTop}, {10, 10, 30, 30}},
      {TAnchors{akLeft, akTop, akRight}, {10, 10, 70, 30}},
      {TAnchors{akRight, akBottom}, {50, 30, 70, 50}},
      {TAnchors{akLeft, akTop, akRight, akBottom}, {10, 10, 70, 50}},
      {TAnchors{}, {30, 20, 50, 40}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Anchors.Bits());
    auto* panel = new TPanel(Form);
    panel->SetParent(Form);
    panel->SetBounds(0, 0, 100, 100);
    auto* child = new TButton(Form);
    child->SetParent(panel);
    child->SetBounds(10, 10, 20, 20);
    child->SetAnchors(c.Anchors);
    panel->SetBounds(0, 0, 140, 120);
    EXPECT_EQ(child->Left(), c.Expected.left);
    EXPECT_EQ(child->Top(), c.Expected.top);
    EXPECT_EQ(child->Left() + child->Width(), c.Expected.right);
    EXPECT_EQ(child->Top() + child->Height(), c.Expected.bottom);
    delete panel;
    delete child;
  }
}

TEST_F(PublishedFormTest, AnchorsApplyWhenTheWindowManagerResizesTheForm) {
  auto* child = new TButton(Form);
  child->SetParent(Form);
  child->SetBounds(400, 300, 50, 20);
  child->SetAnchors(TAnchors{akRight, akBottom});
  HWND wnd = Form->Handle();
  SetWindowPos(wnd, nullptr, 0, 0, 560, 430, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Form->Width(), 560);
  EXPECT_EQ(child->Left(), 460);
  EXPECT_EQ(child->Top(), 330);
}

TEST_F(PublishedFormTest, AnImagesTransparentReachesItsGraphic) {
  auto* image = new TImage(Form);
  TBitmap first;
  first.SetSize(4, 4);
  image->Picture()->Assign(&first);
  ASSERT_FALSE(image->Picture()->Graphic()->Transparent());
  image->SetTransparent(true);
  EXPECT_TRUE(image->Picture()->Graphic()->Transparent());
  // A picture assigned later takes it too.
  TBitmap second;
  second.SetSize(6, 6);
  image->Picture()->Assign(&second);
  EXPECT_TRUE(image->Picture()->Graphic()->Transparent());
  image->SetTransparent(false);
  EXPECT_FALSE(image->Picture()->Graphic()->Transparent());
}

TEST_F(PublishedFormTest, InheritedColourFontAndHintsAreNotWritten) {
  auto* label = new TLabel(Form);
  label->SetName("Label1");
  label->SetParent(Form);
  Form->SetShowHint(true);
  Form->SetColor(clRed);
  Form->SetBiDiMode(bdRightToLeft);
  const std::string text = FormText(Form);
  const std::string labelPart = text.substr(text.find("object Label1"));
  // Written, the label would read back with its Parent* switches off.
  EXPECT_EQ(labelPart.find("ShowHint"), std::string::npos) << labelPart;
  EXPECT_EQ(labelPart.find("Color"), std::string::npos) << labelPart;
  EXPECT_EQ(labelPart.find("Font."), std::string::npos) << labelPart;
  EXPECT_EQ(labelPart.find("BiDiMode"), std::string::npos) << labelPart;
  EXPECT_TRUE(label->ParentShowHint());
  EXPECT_TRUE(label->ShowHint());
  EXPECT_EQ(label->BiDiMode(), bdRightToLeft);
  EXPECT_TRUE(label->ParentBiDiMode());
}

TEST_F(PublishedFormTest, ConstraintsAndOnConstrainedResizeLimitTheSize) {
  auto* panel = new TPanel(Form);
  panel->SetParent(Form);
  SetOrdProp(GetObjectProp(panel, "Constraints"), "MaxWidth", 120);
  panel->SetWidth(300);
  EXPECT_EQ(panel->Width(), 120);
  // The event sees the stored limits and may change them for this resize only.
  int seenMax = 0;
  panel->OnConstrainedResize = [&](TObject*, int& MinW, int&, int& MaxW, int&) {
    seenMax = MaxW;
    MinW = 200;
    MaxW = 0;
  };
  panel->SetWidth(50);
  EXPECT_EQ(seenMax, 120);
  EXPECT_EQ(panel->Width(), 200);
  EXPECT_EQ(panel->Constraints().MaxWidth, 120);
}

TEST_F(PublishedFormTest, PropertiesNoClassPublishesStillFailToLoad) {
  const char* const cases[][2] = {
      {"object Sample: TForm\n  object B: TButton\n    Bogus = 1\n  end\nend\n", "Bogus"},
      {"object Sample: TForm\n  object P: TPanel\n    Constraints.Bogus = 1\n  end\nend\n", "Constraints.Bogus"},
      {"object Sample: TForm\n  object L: TLabel\n    Glyph = 1\n  end\nend\n", "Glyph"},
      {"object Sample: TForm\n  object E: TEdit\n    BevelEdges = [beSideways]\n  end\nend\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0]);
    auto form = std::make_unique<TForm>(nullptr);
    try {
      form->LoadFromText(c[0]);
      ADD_FAILURE() << "loaded";
    } catch (const EReadError& e) {
      if (*c[1]) {
        EXPECT_EQ(e.Message(), std::string("Property ") + c[1] + " does not exist");
      }
    }
  }
}

}  // namespace
