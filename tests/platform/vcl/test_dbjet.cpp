// The stored statements' dialect: rewriting for the engine, parameter names, connection strings.
#include <gtest/gtest.h>

#include "platform/vcl/dbjet.h"

TEST(JetDialect, RewritesOnlyWhatTheEngineRejects) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"delete *  from  yongtu where id=:a;", "delete from  yongtu where id=:a"},
      {"delete *  from xiupian where id=:a;", "delete from xiupian where id=:a"},
      {"DELETE * FROM pic", "DELETE FROM pic"},  // any case
      {"  delete\t*\nfrom pic", "  delete from pic"},
      {"delete pic.* from pic where fname='a'", "delete from pic where fname='a'"},
      {"delete   from pic where fname=:f1", "delete   from pic where fname=:f1"},  // unchanged
      {"Delete from pic", "Delete from pic"},
      {"select * from  pic where yongtu Is Null", "select * from  pic where yongtu Is Null"},
      {"select '*' from pic;  ;", "select '*' from pic"},
      {"deleted * from x", "deleted * from x"},  // not the keyword
      {"delete * from", "delete from"},
  };
  for (const auto& c : cases) EXPECT_EQ(JetSqlToSqlite(c.in), c.out) << c.in;
}

TEST(JetDialect, ParameterNamesInOrderOnceSkippingLiterals) {
  struct Case {
    const char* sql;
    std::vector<std::string> names;
  } cases[] = {
      {"select * from pic where fname=:f1", {"f1"}},
      {"select * from pic where (fname=:a1) and (dalei is null)", {"a1"}},
      {"delete *  from  yongtu where id=:a;", {"a"}},
      {"select * from t where a=:x or b=:Y or c=:X", {"x", "Y"}},  // names ignore case
      {"select * from t where a=':no' and b=\"::n\" and [c:d]=:yes", {"yes"}},
      {"select * from t -- :comment\n where a=:p /* :q */", {"p"}},
      {"select '12:30' as t, x::int from pic", {}},
      {"select * from pic", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseSqlParamNames(c.sql), c.names) << c.sql;
}

TEST(JetDialect, ConnectionStringParts) {
  const std::string app =
      "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=/srv/shoot 1/ImageTag.dll";
  EXPECT_EQ(ConnectionStringValue(app, "Data Source"), "/srv/shoot 1/ImageTag.dll");
  EXPECT_EQ(ConnectionStringValue(app, "data source"), "/srv/shoot 1/ImageTag.dll");
  EXPECT_EQ(ConnectionStringValue(app, "User ID"), "Admin");
  EXPECT_EQ(ConnectionStringValue(app, "Password"), "");
  const std::string withPwd =
      "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=/opt/o/"
      "sysset.dll;Jet OLEDB:Database Password=;";
  EXPECT_EQ(ConnectionStringValue(withPwd, "Data Source"), "/opt/o/sysset.dll");
  EXPECT_EQ(ConnectionStringValue(withPwd, "Jet OLEDB:Database Password"), "");
  EXPECT_EQ(ConnectionStringValue("Data Source=\"/a;b/c.dll\";X=1", "Data Source"), "/a;b/c.dll");
  EXPECT_EQ(ConnectionStringValue("", "Data Source"), "");
}

TEST(JetDialect, StatementsThatReturnRows) {
  EXPECT_TRUE(SqlReturnsRows("select * from pic"));
  EXPECT_TRUE(SqlReturnsRows("  SELECT  * from pic"));
  EXPECT_TRUE(SqlReturnsRows("-- note\nselect 1"));
  EXPECT_TRUE(SqlReturnsRows("(select 1)"));
  EXPECT_FALSE(SqlReturnsRows("delete from pic"));
  EXPECT_FALSE(SqlReturnsRows("update pic set fname='selected'"));
}

TEST(JetDialect, NoCaseComparisonFoldsAsciiOnly) {
  EXPECT_TRUE(SameTextNoCase("IMG_0001.JPG", "img_0001.jpg"));
  EXPECT_FALSE(SameTextNoCase("a.jpg", "a.jpeg"));
  EXPECT_TRUE(SameTextNoCase("相册", "相册"));
  EXPECT_FALSE(SameTextNoCase("Ä", "ä"));  // as the schema's NOCASE: ASCII letters only
}
