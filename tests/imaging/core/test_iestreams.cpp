// Streams and text encodings.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/iestreams.h"
#include "imgtestutil.h"

namespace {

std::string Text(TMemoryStream& s) { return std::string(static_cast<char*>(s.Memory()), s.Size()); }

TEST(IEStreams, NulStreamCountsWithoutStoring) {
  TNulStream n;
  EXPECT_EQ(n.Write(nullptr, 100), 100);
  n.Seek(10, soBeginning);
  n.Write(nullptr, 5);
  EXPECT_EQ(n.Position(), 15);
  EXPECT_EQ(n.Size(), 100);
  EXPECT_EQ(n.Seek(0, soEnd), 100);
}

TEST(IEStreams, MemStreamReadsCallerMemoryAndNeverWrites) {
  const char block[] = "abcdef";
  TIEMemStream m(block, 6);
  char out[4] = {};
  EXPECT_EQ(m.Read(out, 3), 3);
  EXPECT_STREQ(out, "abc");
  EXPECT_EQ(m.Write("zz", 2), 0);
  m.SetSize(100);
  EXPECT_EQ(m.Size(), 6);
  EXPECT_EQ(std::string(block), "abcdef");
}

TEST(IEStreams, BufferedReadStreamIsRelativeAndRefillsByBuffer) {
  TMemoryStream src;
  std::vector<uint8_t> bytes(2000);
  for (int i = 0; i < 2000; ++i) bytes[i] = static_cast<uint8_t>(i % 251);
  src.WriteBuffer(bytes.data(), 2000);
  src.SetPosition(1000);
  TIEBufferedReadStream r(&src, 4, true);
  EXPECT_EQ(r.Seek(0, soBeginning), 0);
  uint8_t b;
  EXPECT_EQ(r.Read(&b, 1), 1);
  EXPECT_EQ(b, 1000 % 251);
  r.Seek(0, soBeginning);
  const int before = r.RefillCount();
  uint8_t ten[10];
  EXPECT_EQ(r.Read(ten, 10), 10);
  EXPECT_EQ(r.RefillCount() - before, 2) << "refills after 4 and 8 bytes";
  EXPECT_EQ(ten[9], 1009 % 251);
  EXPECT_EQ(r.Size(), 1000);
  r.Seek(0, soEnd);  // from the end: SourceSize - 0
  EXPECT_EQ(r.Read(ten, 10), 0) << "reading past the end delivers nothing";
  EXPECT_THROW(r.Write(ten, 1), EIEException);
}

TEST(IEStreams, WideFileStreamCreatesAndReportsErrors) {
  TTempFolder tmp;
  const std::string name = tmp.Path + "a.bin";
  {
    TIEWideFileStream f(name, 65535);
    f.WriteBuffer("hello", 5);
  }
  {
    TIEWideFileStream f(name, 0);
    char b[6] = {};
    f.ReadBuffer(b, 5);
    EXPECT_STREQ(b, "hello");
  }
  try {
    TIEWideFileStream f(tmp.Path + "missing.bin", 0);
    FAIL();
  } catch (EFOpenError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot open file \"" + tmp.Path + "missing.bin\". ", 0), 0u) << e.Message();
  }
  EXPECT_THROW(TIEWideFileStream(name, 3), EFOpenError) << "access 3 is not a mode";
  EXPECT_EQ(IEWideFileOpen(name, 0x50), -1);
  EXPECT_THROW(TIEWideFileStream(tmp.Path + "no/such/dir.bin", 65535), EFCreateError);
  ::unlink(name.c_str());
}

TEST(IEStreams, StringsRoundTripAndHostileLengthsFailCleanly) {
  TMemoryStream s;
  IEWriteStringToStream(&s, "layer one");
  IEWriteStringToStream(&s, "");
  s.SetPosition(0);
  std::string t;
  EXPECT_TRUE(IEReadStringFromStream(&s, t));
  EXPECT_EQ(t, "layer one");
  EXPECT_TRUE(IEReadStringFromStream(&s, t));
  EXPECT_EQ(t, "");
  struct Case {
    std::vector<uint8_t> bytes;
    const char* what;
  } cases[] = {{{0xFF, 0xFF, 0xFF, 0x7F, 'a'}, "length far beyond the stream"},
               {{0x00, 0x00, 0x00, 0x80}, "negative length"},
               {{0x05, 0x00, 0x00, 0x00, 'a', 'b'}, "truncated text"},
               {{0x05, 0x00}, "truncated length"}};
  for (const auto& c : cases) {
    TMemoryStream h;
    h.WriteBuffer(c.bytes.data(), static_cast<int64_t>(c.bytes.size()));
    h.SetPosition(0);
    t = "old";
    EXPECT_FALSE(IEReadStringFromStream(&h, t)) << c.what;
    EXPECT_EQ(t, "") << c.what;
    EXPECT_EQ(h.Position(), 0) << c.what;
  }
}

TEST(IEStreams, LinesEndWithCRLF) {
  TMemoryStream s;
  IEWriteLine(&s, "%!PS");
  IEWriteLine(&s, "");
  EXPECT_EQ(Text(s), "%!PS\r\n\r\n");
}

TEST(IEStreams, Base64LinesOfLineLengthCharacters) {
  for (int n : {114, 115}) {
    TMemoryStream in, out;
    std::vector<uint8_t> bytes(n, 0xAB);
    in.WriteBuffer(bytes.data(), n);
    in.SetPosition(0);
    IEStreamToBase64Text(&in, &out, 76);
    const std::string text = Text(out);
    std::vector<std::string> lines;
    for (size_t p = 0; p < text.size();) {
      size_t e = text.find("\r\n", p);
      ASSERT_NE(e, std::string::npos) << "every line ends with a line break";
      lines.push_back(text.substr(p, e - p));
      p = e + 2;
    }
    ASSERT_EQ(lines.size(), n == 114 ? 2u : 3u);
    EXPECT_EQ(lines[0].size(), 76u);
    EXPECT_EQ(lines[1].size(), 76u);
    if (n == 115) {
      EXPECT_EQ(lines[2], "qw==");
    }
  }
  char out[4];
  const uint8_t man[3] = {'M', 'a', 'n'};
  IEBase64EncodeGroup(man, out, 3);
  EXPECT_EQ(std::string(out, 4), "TWFu");
  IEBase64EncodeGroup(man, out, 1);
  EXPECT_EQ(std::string(out, 4), "TQ==");
}

TEST(IEStreams, ASCII85) {
  struct Case {
    std::vector<uint8_t> in;
    std::string out;
  } cases[] = {{{0, 0, 0, 0}, "z~>\r\n"},
               {{'M', 'a', 'n', ' '}, "9jqo^~>\r\n"},
               {{'M', 'a'}, "9jn~>\r\n"},
               {{}, "~>\r\n"}};
  for (const auto& c : cases) {
    const uint8_t* src = c.in.data();
    std::vector<char> dst(64);
    char* d = dst.data();
    int groups = 0;
    const int n = IEASCII85Encode(src, static_cast<int>(c.in.size()), d, groups);
    EXPECT_EQ(std::string(dst.data(), n), c.out);
    EXPECT_EQ(d - dst.data(), n);
    EXPECT_EQ(groups, static_cast<int>(c.out.size()) - 4);
  }
  std::vector<uint8_t> many(200);
  for (size_t i = 0; i < many.size(); ++i) many[i] = static_cast<uint8_t>(i + 1);
  const uint8_t* src = many.data();
  std::vector<char> dst(400);
  char* d = dst.data();
  int groups = 0;
  const int n = IEASCII85Encode(src, 200, d, groups);
  const std::string text(dst.data(), n);
  size_t p = 0, longest = 0;
  while (p < text.size()) {
    size_t e = text.find("\r\n", p);
    longest = std::max(longest, e - p);
    p = e + 2;
  }
  EXPECT_LE(longest, 75u);
  EXPECT_EQ(groups, 250);
}

TEST(IEStreams, RunLength) {
  struct Case {
    std::vector<uint8_t> in, out;
  } cases[] = {{{'A', 'B', 'C', 'C', 'C'}, {2, 'A', 'B', 'C', 255, 'C', 128}},
               {{'x'}, {0, 'x', 128}},
               {{}, {128}},
               {{7, 7}, {255, 7, 128}}};
  for (const auto& c : cases) {
    std::vector<uint8_t> dst(c.in.size() + 8);
    const int n = IERunLengthEncode(c.in.data(), static_cast<int>(c.in.size()), dst.data());
    EXPECT_EQ(std::vector<uint8_t>(dst.begin(), dst.begin() + n), c.out);
  }
  std::vector<uint8_t> run(300, 9), dst(310);
  const int n = IERunLengthEncode(run.data(), 300, dst.data());
  EXPECT_EQ(std::vector<uint8_t>(dst.begin(), dst.begin() + n),
            (std::vector<uint8_t>{129, 9, 129, 9, 213, 9, 128})) << "runs of at most 128";
}

}  // namespace
