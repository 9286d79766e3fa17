// Preparing a report through the engine interface: script main block, start and stop events,
// the template snapshot, and the error box shown once.
#include <gtest/gtest.h>

#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "report/core/rptclass.h"
#include "report/core/rptoptions.h"
#include "report/core/rptres.h"
#include "report/core/rptservices.h"
#include "report/core/rptvariables.h"

namespace {

// Stands for the band engine: a run calls the start and stop procedures and evaluates one
// expression, as the engine does for every object.
class TPrepareTestEngine : public TrptCustomEngine {
public:
  using TrptCustomEngine::TrptCustomEngine;
  void FinishPage() override {}
  void NewColumn() override {}
  void NewPage() override {}
  void ShowBand(TrptComponent*) override {}
  void ShowBandByClass(TClass) override {}
  Extended FootersHeight() override { return 0; }
  Extended FreeSpace() override { return 0; }
  Variant AggregateValue(const std::string& Name, const std::string& Expression, TrptComponent*,
                         int Flags) override {
    return Variant(Name + ":" + Expression + ":" + IntToStr(Flags));
  }
  bool Run() override {
    IsRunning = true;
    Report->DoNotifyEvent(Report, Report->OnStartReport);
    Evaluated = Report->Calc(Expression);
    Report->DoNotifyEvent(Report, Report->OnStopReport);
    IsRunning = false;
    return Complete;
  }
  std::string Expression = "1";
  Variant Evaluated;
  bool Complete = true;
};

class RptPrepare : public ::testing::Test {
protected:
  void SetUp() override {
    rptServices().CreateEngine = [](TrptReport* R, TrptCustomEngine*& E, TrptCustomPreviewPages*&) {
      E = new TPrepareTestEngine(R);
    };
    rptServices().ShowErrors = [this](TrptReport*, const std::string& Text) { Boxes.push_back(Text); };
    Report = std::make_unique<TrptReport>(nullptr);
    Engine = static_cast<TPrepareTestEngine*>(Report->Engine());
  }
  void TearDown() override {
    Report.reset();
    rptServices().CreateEngine = nullptr;
    rptServices().ShowErrors = nullptr;
  }
  std::unique_ptr<TrptReport> Report;
  TPrepareTestEngine* Engine = nullptr;
  std::vector<std::string> Boxes;
};

}  // namespace

TEST_F(RptPrepare, RunsScriptEventsAndRestoresTheTemplate) {
  Report->ScriptText()->SetText(
      "var N: Integer;\n"
      "procedure Start(Sender: Variant); begin N := N + 1; Set('Started', N); end;\n"
      "procedure Stop(Sender: Variant); begin Set('Stopped', Get('Started') + 1); end;\n"
      "begin N := 10; end.");
  Report->OnStartReport = "Start";
  Report->OnStopReport = "Stop";
  Engine->Expression = "Get('Started') * 2";
  int begins = 0, ends = 0;
  Report->OnBeginDoc = [&](TObject*) { ++begins; };
  Report->OnEndDoc = [&](TObject*) { ++ends; };
  Report->EngineOptions()->DestroyForms = false;
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  EXPECT_EQ(begins, 1);
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(Engine->Evaluated.AsInteger(), 22);
  EXPECT_EQ(Report->Variables()->GetVariables("Stopped").AsInteger(), 12);
  EXPECT_TRUE(Boxes.empty());

  // With DestroyForms the template comes back as it was before the run.
  Report->Variables()->Clear();
  Report->EngineOptions()->DestroyForms = true;
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  Engine = static_cast<TPrepareTestEngine*>(Report->Engine());
  EXPECT_EQ(Report->Variables()->IndexOf("Started"), -1);
  EXPECT_EQ(Report->OnStartReport, "Start");
}

TEST_F(RptPrepare, AggregatesGoToTheEngineWithTheirSourceText) {
  Report->EngineOptions()->DestroyForms = false;
  Engine->Expression = "SUM(Value * 2, 0, 1)";
  ASSERT_TRUE(Report->PrepareReport()) << Report->Errors()->Text();
  EXPECT_EQ(Engine->Evaluated.AsString(), "SUM:Value * 2:1");
  Engine->Expression = "COUNT(0, 2)";
  ASSERT_TRUE(Report->PrepareReport());
  EXPECT_EQ(Engine->Evaluated.AsString(), "COUNT::2");
}

TEST_F(RptPrepare, ErrorsAreShownOnceUnderTheHeading) {
  Report->EngineOptions()->DestroyForms = false;
  Report->ScriptText()->SetText("begin x := ; end.");
  EXPECT_FALSE(Report->PrepareReport());
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].rfind("发生下列的错误:\r\nScript 错误在 1:", 0), 0u) << Boxes[0];

  Boxes.clear();
  Report->ScriptText()->SetText("begin end.");
  Report->Errors()->Clear();
  Report->AddError("same");
  Report->AddError("same");
  EXPECT_EQ(Report->Errors()->Count(), 1);
  // A run that does not complete is no success, but no error either.
  Engine->Complete = false;
  EXPECT_FALSE(Report->PrepareReport());
  EXPECT_TRUE(Boxes.empty());
  Engine->Complete = true;
  EXPECT_TRUE(Report->PrepareReport());

  Boxes.clear();
  Report->EngineOptions()->SilentMode = true;
  Report->ScriptText()->SetText("begin x := ; end.");
  EXPECT_FALSE(Report->PrepareReport());
  EXPECT_TRUE(Boxes.empty());
  EXPECT_EQ(Report->Errors()->Count(), 1) << Report->Errors()->Text();
}

TEST_F(RptPrepare, ProgressTextsAndEvents) {
  std::vector<std::string> texts;
  rptServices().SetProgressText = [&](TrptReport*, const std::string& T) { texts.push_back(T); };
  std::vector<int> seen;
  Report->OnProgress = [&](TrptReport*, int Type, int Progress) { seen.push_back(Type * 100 + Progress); };
  Report->DoProgressStart(ptPrinting);
  Report->DoProgress(ptPrinting, 3);
  Report->DoProgress(ptExporting, 4);
  Report->OldStyleProgress = true;
  Report->DoProgress(ptRunning, 5);
  Engine->FinalPass = false;
  Report->DoProgress(ptRunning, 6);
  Report->DoProgressStop(ptPrinting);
  rptServices().SetProgressText = nullptr;
  EXPECT_EQ(seen, (std::vector<int>{203, 104, 5, 6}));
  EXPECT_EQ(texts, (std::vector<std::string>{"Printing page 3", "Exporting page 4", "Preparing page 5",
                                             "First pass: page 6"}));
}
