// Dialog controls, style application, dataset links by name and pictures inside report files.
#include <gtest/gtest.h>

#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "report/core/rptclass.h"
#include "report/core/rptdataset.h"
#include "report/core/rptoptions.h"
#include "report/core/rptres.h"
#include "report/core/rptstyles.h"
#include "report/core/rptutils.h"

// A dialog control over a button, as the dialog-page controls are built.
class TrptPartsButtonControl : public TrptDialogControl {
  ORV_CLASS(TrptPartsButtonControl, TrptDialogControl)
public:
  explicit TrptPartsButtonControl(TComponent* AOwner) : TrptDialogControl(AOwner) {
    auto* b = new TButton(nullptr);
    b->ControlStyle().Include(csSetCaption);
    SetControl(b);
  }
};
ORV_CLASS_IMPL(TrptPartsButtonControl, TrptDialogControl)

namespace {
std::vector<std::string> gStyled;
void RecordStyle(TrptComponent* Obj) { gStyled.push_back(Obj->Name()); }
}  // namespace

TEST(RptParts, DialogControlDrivesItsControl) {
  TrptReport report(nullptr);
  auto* c = new TrptPartsButtonControl(&report);
  EXPECT_EQ(c->BaseName(), "PartsButton");
  c->SetBounds(10.4, 20.6, 80.5, 24);
  TControl* b = c->Control();
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->Left(), 10);
  EXPECT_EQ(b->Top(), 21);
  EXPECT_EQ(b->Width(), 80);  // halves round to even
  c->SetEnabled(false);
  EXPECT_FALSE(b->Enabled());
  c->SetName("Button1");
  EXPECT_EQ(b->Caption(), "Button1");
  c->SetName("OK");
  EXPECT_EQ(b->Caption(), "OK");  // the caption followed the name
  c->SetCaption("Go");
  c->SetName("Button2");
  EXPECT_EQ(b->Caption(), "Go");  // a caption of its own stays
  TFont f;
  f.SetName("Courier New");
  c->SetFont(&f);
  EXPECT_EQ(b->Font()->Name(), "Courier New");
}

TEST(RptParts, StylesReachTheReportsObjects) {
  TrptReport report(nullptr);
  auto* a = new TrptUserDataSet(&report);
  a->SetName("A");
  gStyled.clear();
  rptApplyStyleToObject = &RecordStyle;
  TrptStyles set;
  set.Add()->SetName("Bold");
  report.SetStyles(&set);
  rptApplyStyleToObject = nullptr;
  EXPECT_EQ(report.Styles()->Count(), 1);
  EXPECT_EQ(gStyled, std::vector<std::string>{"A"});
  report.SetStyles(nullptr);
  EXPECT_EQ(report.Styles()->Count(), 0);
}

TEST(RptParts, DatasetsAreFoundByUserName) {
  TrptReport r1(nullptr), r2(nullptr);
  auto* d1 = new TrptUserDataSet(&r1);
  d1->SetName("Orders");
  auto* d2 = new TrptUserDataSet(&r2);
  d2->SetName("Other");
  EXPECT_EQ(rptFindDataSet(nullptr, "orders", &r1), d1);
  EXPECT_EQ(rptFindDataSet(nullptr, "Orders", &r2), nullptr);  // owned by another report
  EXPECT_EQ(rptFindDataSet(d2, "", &r1), nullptr);
  EXPECT_EQ(rptFindDataSet(d2, "Orders", nullptr), d2);
  TrptDataSetItem* item = r1.DataSets()->Add(nullptr);
  item->SetDataSetName("ORDERS");
  EXPECT_EQ(item->DataSet(), d1);
  EXPECT_EQ(item->DataSetName(), "Orders");
  r1.SetDataSetName("Orders");
  EXPECT_EQ(r1.DataSet(), d1);
  r1.SetDataSetName("Nothing");
  EXPECT_EQ(r1.DataSet(), d1);  // a name that matches nothing keeps the link
  TStringList l;
  rptListGlobalDataSets(&l);
  EXPECT_GE(l.IndexOf("Orders"), 0);
  d1->Enabled = false;
  rptListGlobalDataSets(&l);
  EXPECT_EQ(l.IndexOf("Orders"), -1);
  EXPECT_EQ(r1.DataSetUserName(d2), "(数据库未加入至 Report.DataSets)");
  TrptDataSet* ds;
  std::string field;
  r1.SplitFieldReference("Orders.\"Amount\"", ds, field);
  EXPECT_EQ(ds, d1);
  EXPECT_EQ(field, "Amount");
  r1.SplitFieldReference("Orders.Amount", ds, field);
  EXPECT_EQ(ds, nullptr);
  EXPECT_EQ(field, "");
}

TEST(RptParts, PicturesTravelAsPropData) {
  TrptReport report(nullptr);
  report.EngineOptions()->SilentMode = true;
  TBitmap bmp;
  bmp.SetWidth(3);
  bmp.SetHeight(2);
  bmp.Canvas()->SetPixels(1, 1, 0x0000FF);
  report.ReportOptions()->Picture()->SetGraphic(&bmp);
  report.ReportOptions()->Description()->SetText("one\ntwo");
  TStringStream s;
  report.SaveToStream(&s);
  EXPECT_NE(s.DataString().find("ReportOptions.Picture.PropData=\""), std::string::npos);
  TrptReport back(nullptr);
  back.EngineOptions()->SilentMode = true;
  s.SetPosition(0);
  back.LoadFromStream(&s);
  TPicture* p = back.ReportOptions()->Picture();
  ASSERT_EQ(p->Width(), 3);
  EXPECT_EQ(p->Height(), 2);
  EXPECT_EQ(ColorToRGB(p->Bitmap()->Canvas()->Pixels(1, 1)), 0x0000FFu);
  EXPECT_EQ(back.ReportOptions()->Description()->Count(), 2);
  EXPECT_NEAR(back.ReportOptions()->CreateDate, report.ReportOptions()->CreateDate, 1e-9);
}

TEST(RptParts, ButtonStripsCutIntoImagesAndGreyVariants) {
  TrptResources r;
  EXPECT_THROW(r.ButtonImageList(), EResNotFound);
  TBitmap strip;
  strip.SetWidth(64);  // two pairs of 16 x 16 cells
  strip.SetHeight(16);
  strip.Canvas()->Brush()->SetColor(clWhite);
  strip.Canvas()->FillRect(RECT{0, 0, 64, 16});
  strip.Canvas()->SetPixels(0, 15, 0x00FF00);  // the mask colour of the first cell
  r.LoadButtonImages(&strip, true);
  ASSERT_EQ(r.ButtonImageList()->Count(), 2);
  EXPECT_EQ(r.DisabledButtonImageList()->Count(), 2);
  TBitmap grey;
  r.DisabledButtonImageList()->GetBitmap(0, &grey);
  EXPECT_EQ(ColorToRGB(grey.Canvas()->Pixels(5, 5)), 0xE0E0E0u);
  TBitmap plain;
  r.ButtonImageList()->GetBitmap(0, &plain);
  EXPECT_EQ(ColorToRGB(plain.Canvas()->Pixels(5, 5)), 0xFFFFFFu);
}

TEST(RptParts, ReferencesToComponentsOfForms) {
  auto* form = new TForm(nullptr);
  form->SetName("PartsForm");
  auto* orders = new TrptUserDataSet(form);
  orders->SetName("Orders");
  TrptReport report(nullptr);
  report.EngineOptions()->SilentMode = true;
  EXPECT_EQ(rptComponentFullName(&report, orders), "PartsForm.Orders");
  EXPECT_EQ(rptComponentByPath(nullptr, "PartsForm.Orders"), orders);
  EXPECT_EQ(rptComponentByPath(nullptr, "NoForm.Orders"), nullptr);
  TStringList l;
  rptListComponents(&report, TrptDataSet::StaticClass(), &l, nullptr);
  EXPECT_GE(l.IndexOf("PartsForm.Orders"), 0);

  report.SetDataSet(orders);
  TStringStream s;
  report.SaveToStream(&s);
  EXPECT_NE(s.DataString().find("DataSet=\"PartsForm.Orders\""), std::string::npos);
  report.SetDataSet(nullptr);
  s.SetPosition(0);
  report.LoadFromStream(&s);
  EXPECT_EQ(report.DataSet(), orders);

  std::string text = s.DataString();
  text.replace(text.find("DataSet=\"PartsForm.Orders\""), 26, "DataSet=\"GoneForm.Orders\"");
  // (DataSetName would find the dataset by its user name among all datasets.)
  text.replace(text.find("DataSetName=\"Orders\""), 20, "DataSetName=\"Nobody\"");
  TStringStream gone(text);
  report.SetDataSet(nullptr);
  report.LoadFromStream(&gone);
  EXPECT_EQ(report.DataSet(), nullptr);
  EXPECT_EQ(report.Errors()->Count(), 0);
  delete form;
  EXPECT_EQ(report.DataSet(), nullptr);
}
