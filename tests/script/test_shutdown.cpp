// Shut-down of the global script: later calls find nothing, and scripts without it still work.
#include <gtest/gtest.h>

#include "script/sc_iclassesrtti.h"
#include "script/sc_ievents.h"
#include "script/sc_iinterpreter.h"
#include "script/sc_isysrtti.h"

TEST(ScriptShutdown, GlobalScriptIsGoneAfterShutdown) {
  TscScript* g = scGlobalScript();
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(scGlobalScript(), g);
  EXPECT_NE(g->FindLocal("IntToStr"), nullptr);
  EXPECT_EQ(g->FindLocal("Integer")->TypeCode, tcInteger);
  EXPECT_EQ(g->FindLocal("Constructor")->TypeCode, tcConstructor);
  scShutdownGlobalScript();
  EXPECT_EQ(scGlobalScript(), nullptr);
  // A program of its own still compiles and runs; unknown type names are errors.
  TscScript s;
  s.SetText("var v: Variant; begin v := 1 end.");
  EXPECT_FALSE(s.Compile());
  EXPECT_EQ(s.ErrorText, "Unknown type: 'Variant'");
  s.SetText("begin end.");
  s.Clear();
  EXPECT_TRUE(s.Compile());
  EXPECT_NO_THROW(s.Execute());
}

// Binding units remove their items when stopped; after the engine's shut-down the event list is
// gone and stopping a unit removes nothing.
TEST(ScriptShutdown, BindingUnitsAndTheEventListEndWithTheEngine) {
  scStartClassesRTTI();
  TscScript* g = scGlobalScript();
  if (!g) GTEST_SKIP() << "the engine was shut down by an earlier test of this program";
  EXPECT_NE(g->FindLocal("TStringList"), nullptr);
  EXPECT_NE(GlobalEventList(), nullptr);
  scStopClassesRTTI();
  EXPECT_EQ(g->FindLocal("TStringList"), nullptr);
  EXPECT_NE(g->FindLocal("IntToStr"), nullptr);
  scStartClassesRTTI();
  scShutdownGlobalScript();
  EXPECT_EQ(GlobalEventList(), nullptr);
  EXPECT_NO_THROW(scStopClassesRTTI());
}
