// Shut-down of the global script: later calls find nothing, and scripts without it still work.
#include <gtest/gtest.h>

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
