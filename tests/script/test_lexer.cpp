// The lexer: literals, comments, line ends, positions and report expressions.
#include <gtest/gtest.h>

#include "script/sc_iparser.h"

namespace {

TscParser Lexer(const std::string& Text) {
  TscParser p;
  p.SetText(Text);
  return p;
}

}  // namespace

TEST(ScriptLexer, EmptyTextReadsNothing) {
  TscParser p = Lexer("");
  EXPECT_EQ(p.GetWord(), "");
  EXPECT_EQ(p.GetNumber(), "");
  EXPECT_EQ(p.GetString(), "");
  EXPECT_EQ(p.GetChar(), "");
  EXPECT_FALSE(p.GetEOL());
  EXPECT_EQ(p.GetPosition(), "1:1");
}

TEST(ScriptLexer, Numbers) {
  struct {
    const char* Text;
    const char* Hex;
    const char* Token;
    int PositionAfter;
  } cases[] = {
      {"12", "$", "12", 3},        {"1.5E+3", "$", "1.5E+3", 7}, {"1.e5", "$", "1", 2},
      {"1E", "$", "1", 2},         {"0x1f", "0x", "$1f", 5},     {"0X1F", "0x", "0", 2},
      {"$FF", "$", "$FF", 4},      {"1..5", "$", "1", 2},        {"abc", "$", "", 1},
      {"1.5e3x", "$", "1.5e3", 6},
  };
  for (const auto& c : cases) {
    TscParser p = Lexer(c.Text);
    p.HexSequence = c.Hex;
    EXPECT_EQ(p.GetNumber(), c.Token) << c.Text;
    EXPECT_EQ(p.Position, c.PositionAfter) << c.Text;
  }
}

TEST(ScriptLexer, StringsInQuoteStyle) {
  struct {
    const char* Text;
    const char* Token;
  } cases[] = {
      {"'it''s'", "'it's'"}, {"'a'#65", "'aA'"}, {"#$41", "'A'"}, {"'abc'#13#10'def'", "'abc\r\ndef'"},
      {"'open\n'", ""},      {"#", ""},          {"'a' 'b'", "'a'"},
  };
  for (const auto& c : cases) {
    TscParser p = Lexer(c.Text);
    EXPECT_EQ(p.GetString(), c.Token) << c.Text;
  }
  TscParser open = Lexer("  'open");
  EXPECT_EQ(open.GetString(), "");
  EXPECT_EQ(open.Position, 3);  // stays on the quote
}

TEST(ScriptLexer, StringsInCStyle) {
  struct {
    const char* Text;
    const char* Token;
  } cases[] = {
      {"\"\\t\"", "'t'"},        {"\"\\x41\\x42\"", "'AB'"}, {"\"a\\\"b\"", "'a\"b'"},
      {"\"a\\nb\"", "'a\nb'"},   {"\"ab\"\"cd\"", "'abcd'"}, {"\"\\\\\"", "'\\'"},
      {"\"\\x\"", "''"},
  };
  for (const auto& c : cases) {
    TscParser p = Lexer(c.Text);
    p.StringQuotes = "\"";
    EXPECT_EQ(p.GetString(), c.Token) << c.Text;
  }
}

TEST(ScriptLexer, WordsIdentsAndKeywords) {
  TscParser p = Lexer("9abc");
  EXPECT_EQ(p.GetWord(), "");
  p.SetText("a9 Begin BEGIN x");
  p.AddKeyword("begin");
  EXPECT_EQ(p.GetWord(), "a9");
  EXPECT_EQ(p.GetIdent(), "");  // a keyword, whatever its case
  EXPECT_EQ(p.GetIdent(), "");
  EXPECT_EQ(p.GetIdent(), "x");
  EXPECT_TRUE(p.IsKeyword("BEGIN"));
  p.SetText("\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(p.GetWord(), "");
  for (int c = 128; c < 256; ++c) p.IdentChars.set(static_cast<size_t>(c));
  EXPECT_EQ(p.GetWord(), "\xC3\xA9t\xC3\xA9");
}

TEST(ScriptLexer, CommentsAndLineEnds) {
  TscParser p = Lexer("x // comment\r\ny");
  p.SkipEOL = false;
  EXPECT_EQ(p.GetWord(), "x");
  EXPECT_TRUE(p.GetEOL());  // the carriage return belonged to the comment
  EXPECT_EQ(p.GetWord(), "y");

  p.SetText("a\r\n\r\n\nb");
  EXPECT_EQ(p.GetWord(), "a");
  EXPECT_TRUE(p.GetEOL());
  EXPECT_FALSE(p.GetEOL());
  EXPECT_EQ(p.GetWord(), "b");

  p.SetText("{ a { b } c }");
  p.SkipEOL = true;
  EXPECT_EQ(p.GetWord(), "c");

  p.SetText("x {");  // an opener in the last character is no comment
  p.GetWord();
  p.SkipSpaces();
  EXPECT_EQ(p.GetChar(), "{");

  TscParser basic = Lexer("rem x\nREM y");
  basic.CommentLine2 = "rem";
  basic.SkipEOL = true;
  EXPECT_EQ(basic.GetWord(), "REM");  // markers compare exactly
}

TEST(ScriptLexer, ContinuationCharacter) {
  TscParser p = Lexer("a _  \r\n b\nc");
  p.SkipEOL = false;
  p.SkipChar = "_";
  EXPECT_EQ(p.GetWord(), "a");
  EXPECT_EQ(p.GetWord(), "b");
  EXPECT_TRUE(p.GetEOL());
}

TEST(ScriptLexer, ReportExpressions) {
  TscParser p = Lexer("a<b>c> rest");
  EXPECT_EQ(p.GetRPString(), "a<b>c");
  EXPECT_EQ(p.Position, 6);
  p.SetText("'>'>");
  EXPECT_EQ(p.GetRPString(), "'>'");
  p.SetText("ab\ncd>");
  EXPECT_EQ(p.GetRPString(), "");
  EXPECT_EQ(p.Position, 1);
}

TEST(ScriptLexer, PositionsAndTheirInverse) {
  TscParser p = Lexer("ab\r\ncd\r\nef");
  p.SetPosition(9);
  EXPECT_EQ(p.GetPosition(), "3:1");
  p.SetPosition(4);  // the line feed belongs to the line it ends
  EXPECT_EQ(p.GetPosition(), "1:4");
  EXPECT_EQ(p.PositionOf(1, 3), 9);
  EXPECT_EQ(p.PositionOf(1, 0), -1);
  EXPECT_EQ(p.PositionOf(1, 4), -1);
}

TEST(ScriptLexer, ResetRestoresDefaults) {
  TscParser p;
  p.SetCommentBlock1("/*,*/");
  p.StringQuotes = "\"";
  p.AddKeyword("x");
  p.Reset();
  EXPECT_EQ(p.CommentBlock1Open, "{");
  EXPECT_EQ(p.CommentBlock1Close, "}");
  EXPECT_EQ(p.StringQuotes, "'");
  EXPECT_FALSE(p.IsKeyword("x"));
  p.SetCommentBlock2("");
  EXPECT_EQ(p.CommentBlock2Open, "");
}
