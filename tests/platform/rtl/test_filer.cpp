// The binary property filer: every value type written and read back, the byte layout the stored
// data relies on, skipping, errors, and defined properties.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/rtl/filer.h"
#include "platform/rtl/persistent.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

namespace {

std::vector<uint8_t> Bytes(TMemoryStream& m) {
  auto* p = static_cast<const uint8_t*>(m.Memory());
  return std::vector<uint8_t>(p, p + m.Size());
}

TEST(Filer, IntegersUseTheSmallestTypeAndReadBack) {
  struct Case {
    int64_t value;
    TValueType type;
  };
  const Case cases[] = {
      {0, vaInt8},          {-128, vaInt8},        {127, vaInt8},
      {128, vaInt16},       {-32768, vaInt16},     {32767, vaInt16},
      {32768, vaInt32},     {INT32_MIN, vaInt32},  {INT32_MAX, vaInt32},
      {int64_t(INT32_MAX) + 1, vaInt64},           {INT64_MIN, vaInt64},
  };
  for (const Case& c : cases) {
    TMemoryStream m;
    TWriter w(&m);
    w.WriteInteger(c.value);
    m.SetPosition(0);
    TReader r(&m);
    EXPECT_EQ(r.NextValue(), c.type) << c.value;
    EXPECT_EQ(r.ReadInt64(), c.value);
    EXPECT_EQ(m.Position(), m.Size());
    m.SetPosition(0);
    if (c.type == vaInt64) {
      EXPECT_THROW(r.ReadInteger(), EReadError);
      EXPECT_EQ(m.Position(), 0);  // a refused read leaves the position alone
    } else {
      EXPECT_EQ(r.ReadInteger(), c.value);
    }
  }
}

TEST(Filer, EveryValueTypeRoundTrips) {
  TMemoryStream m;
  {
    TWriter w(&m);
    w.WriteListBegin();
    w.WriteFloat(0.1);
    w.WriteFloat(-1e300);
    w.WriteFloat(5e-324);  // smallest denormal double
    w.WriteSingle(1.5f);
    w.WriteCurrency(12.3456);
    w.WriteDate(45000.75);
    w.WriteBoolean(true);
    w.WriteBoolean(false);
    w.WriteChar('Q');
    w.WriteString("short");
    w.WriteString(std::string(300, 'L'));
    w.WriteString("grüße");
    w.WriteLString("forced long");
    w.WriteWideString("wide \xF0\x9F\x98\x80 ü");
    w.WriteIdent("clRed");
    w.WriteIdent("nil");
    w.WriteSet({"fsBold", "fsItalic"});
    w.WriteSet({});
    const uint8_t bin[] = {0, 1, 0xFF};
    w.WriteBinary(bin, 3);
    w.WriteListEnd();
  }
  m.SetPosition(0);
  TReader r(&m);
  r.ReadListBegin();
  EXPECT_EQ(r.ReadFloat(), 0.1);
  EXPECT_EQ(r.ReadFloat(), -1e300);
  EXPECT_EQ(r.ReadFloat(), 5e-324);
  EXPECT_EQ(r.ReadSingle(), 1.5f);
  EXPECT_DOUBLE_EQ(r.ReadCurrency(), 12.3456);
  EXPECT_EQ(r.ReadDate(), 45000.75);
  EXPECT_TRUE(r.ReadBoolean());
  EXPECT_FALSE(r.ReadBoolean());
  EXPECT_EQ(r.ReadChar(), 'Q');
  EXPECT_EQ(r.NextValue(), vaString);
  EXPECT_EQ(r.ReadString(), "short");
  EXPECT_EQ(r.NextValue(), vaLString);
  EXPECT_EQ(r.ReadString(), std::string(300, 'L'));
  EXPECT_EQ(r.NextValue(), vaUTF8String);
  EXPECT_EQ(r.ReadString(), "grüße");
  EXPECT_EQ(r.NextValue(), vaLString);
  EXPECT_EQ(r.ReadString(), "forced long");
  EXPECT_EQ(r.NextValue(), vaWString);
  EXPECT_EQ(r.ReadString(), "wide \xF0\x9F\x98\x80 ü");
  EXPECT_EQ(r.ReadIdent(), "clRed");
  EXPECT_EQ(r.NextValue(), vaNil);
  EXPECT_EQ(r.ReadIdent(), "nil");
  EXPECT_EQ(r.ReadSet(), (std::vector<std::string>{"fsBold", "fsItalic"}));
  EXPECT_TRUE(r.ReadSet().empty());
  EXPECT_EQ(r.ReadBinary(), (std::vector<uint8_t>{0, 1, 0xFF}));
  EXPECT_TRUE(r.EndOfList());
  r.ReadListEnd();
  EXPECT_EQ(m.Position(), m.Size());
}

TEST(Filer, ExtendedFloatsConvertExactly) {
  const double values[] = {0.0, -0.0, 1.0, -2.5, 1.0 / 3.0, 123456789.125,
                           std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::min(),
                           std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity()};
  for (double v : values) {
    uint8_t ext[10];
    DoubleToExtended(v, ext);
    double back = ExtendedToDouble(ext);
    EXPECT_EQ(std::memcmp(&v, &back, sizeof v), 0) << v;
  }
  uint8_t ext[10];
  DoubleToExtended(NAN, ext);
  EXPECT_TRUE(std::isnan(ExtendedToDouble(ext)));

  // Known layout: 1.0 is mantissa 0x8000000000000000, exponent 0x3FFF.
  DoubleToExtended(1.0, ext);
  const uint8_t one[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
  EXPECT_EQ(std::memcmp(ext, one, 10), 0);
  // -10.0 = -1.25 * 2^3.
  DoubleToExtended(-10.0, ext);
  const uint8_t minus_ten[10] = {0, 0, 0, 0, 0, 0, 0, 0xA0, 0x02, 0xC0};
  EXPECT_EQ(std::memcmp(ext, minus_ten, 10), 0);
  // An extended value with more precision than a double rounds to the nearest double.
  uint8_t fine[10] = {0x01, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
  EXPECT_EQ(ExtendedToDouble(fine), 1.0);
}

TEST(Filer, ByteLayoutOfListsLongStringsAndBinary) {
  TMemoryStream m;
  TWriter w(&m);
  w.WriteListBegin();
  w.WriteLString("ab");
  w.WriteBinary("\x07", 1);
  w.WriteListEnd();
  w.WritePropName("Data");
  EXPECT_EQ(Bytes(m), (std::vector<uint8_t>{1, 12, 2, 0, 0, 0, 'a', 'b', 10, 1, 0, 0, 0, 7, 0,
                                             4, 'D', 'a', 't', 'a'}));
}

TEST(Filer, SkipValueJumpsOverEveryKind) {
  TMemoryStream m;
  {
    TWriter w(&m);
    w.WriteListBegin();
    w.WriteInteger(70000);
    w.WriteListBegin();
    w.WriteString("nested");
    w.WriteListEnd();
    w.WriteFloat(2.0);
    w.WriteWideString("w");
    w.WriteSet({"a"});
    w.WriteBinary("xyz", 3);
    w.WriteCurrency(1);
    w.WriteValue(vaCollection);
    w.WriteInteger(3);  // item index
    w.WriteListBegin();
    w.WritePropName("Name");
    w.WriteString("item");
    w.WriteListEnd();
    w.WriteListBegin();
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteString("after");
  }
  m.SetPosition(0);
  TReader r(&m);
  r.SkipValue();
  EXPECT_EQ(r.ReadString(), "after");
}

TEST(Filer, WrongTypesAndTruncatedDataRaiseReadErrors) {
  TMemoryStream m;
  {
    TWriter w(&m);
    w.WriteString("text");
  }
  m.SetPosition(0);
  TReader r(&m);
  try {
    r.ReadInteger();
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Invalid property value");
  }
  EXPECT_THROW(r.ReadBoolean(), EReadError);
  EXPECT_THROW(r.ReadListBegin(), EReadError);
  EXPECT_EQ(r.ReadString(), "text");  // the failed reads consumed nothing
  EXPECT_THROW(r.ReadValue(), EReadError);  // end of stream

  // A long string whose length runs past the end.
  TMemoryStream bad;
  const uint8_t bytes[] = {vaLString, 0xFF, 0xFF, 0xFF, 0x7F, 'a'};
  bad.WriteBuffer(bytes, sizeof bytes);
  bad.SetPosition(0);
  TReader br(&bad);
  EXPECT_THROW(br.ReadString(), EReadError);
  bad.SetPosition(0);
  EXPECT_THROW(br.SkipValue(), EReadError);

  // A type byte beyond the known ones.
  TMemoryStream unknown;
  uint8_t t = 99;
  unknown.WriteBuffer(&t, 1);
  unknown.SetPosition(0);
  TReader ur(&unknown);
  EXPECT_THROW(ur.NextValue(), EReadError);

  // Lists nested far deeper than any real data end in a read error, not a stack overflow.
  TMemoryStream deep;
  std::vector<uint8_t> lists(100000, vaList);
  deep.WriteBuffer(lists.data(), static_cast<int64_t>(lists.size()));
  deep.SetPosition(0);
  TReader dr(&deep);
  EXPECT_THROW(dr.SkipValue(), EReadError);

  TMemoryStream sink;
  TWriter w(&sink);
  EXPECT_THROW(w.WriteStr(std::string(256, 'n')), EWriteError);
}

// A persistent with one plain and one binary defined property, and an obsolete read-only one.
class TDefined : public TPersistent {
public:
  std::string Text;
  std::vector<uint8_t> Blob;
  bool Flat = false;
  void DefineProperties(TFiler* Filer) override {
    Filer->DefineProperty(
        "Text", [this](TReader* R) { Text = R->ReadString(); },
        [this](TWriter* W) { W->WriteString(Text); }, !Text.empty());
    Filer->DefineBinaryProperty(
        "Blob",
        [this](TStream* S) {
          Blob.resize(static_cast<size_t>(S->Size()));
          S->ReadBuffer(Blob.data(), S->Size());
        },
        [this](TStream* S) { S->WriteBuffer(Blob.data(), static_cast<int64_t>(Blob.size())); },
        !Blob.empty());
    Filer->DefineProperty("FrameFlat", [this](TReader* R) { Flat = R->ReadBoolean(); }, nullptr,
                          false);
  }
};

TEST(Filer, DefinedPropertiesWriteOnlyWhatHasDataAndReadByName) {
  TDefined src;
  src.Blob = {9, 8, 7};
  TMemoryStream m;
  {
    TWriter w(&m);
    src.DefineProperties(&w);  // Text is empty: only Blob is written
  }
  EXPECT_EQ(Bytes(m), (std::vector<uint8_t>{4, 'B', 'l', 'o', 'b', 10, 3, 0, 0, 0, 9, 8, 7}));
  {
    TWriter w(&m);
    src.Text = "hello";
    src.DefineProperties(&w);
    w.WritePropName("frameflat");  // obsolete property, matched without regard to case
    w.WriteBoolean(true);
  }

  TDefined dst;
  m.SetPosition(0);
  TReader r(&m);
  while (r.Position() < m.Size()) r.ReadProperty(&dst);
  EXPECT_EQ(dst.Text, "hello");
  EXPECT_EQ(dst.Blob, src.Blob);
  EXPECT_TRUE(dst.Flat);
}

TEST(Filer, UnknownPropertyIsSkippedAndReported) {
  TMemoryStream m;
  {
    TWriter w(&m);
    w.WritePropName("Nobody");
    w.WriteListBegin();
    w.WriteInteger(1);
    w.WriteListEnd();
    w.WritePropName("Text");
    w.WriteString("next");
  }
  m.SetPosition(0);
  TDefined dst;
  TReader r(&m);
  try {
    r.ReadProperty(&dst);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Property Nobody does not exist");
  }
  r.ReadProperty(&dst);  // the reader stands at the next record
  EXPECT_EQ(dst.Text, "next");
}

}  // namespace
