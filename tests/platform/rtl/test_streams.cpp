// Streams: memory, string, bytes, handle and file streams; share modes; short transfers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

namespace {

class StreamsTest : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orv-streams-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string Path(const std::string& name) const { return dir + "/" + name; }
  static std::string ReadAll(TStream& s) {
    std::string out(static_cast<size_t>(s.Size()), '\0');
    s.SetPosition(0);
    s.ReadBuffer(out.data(), static_cast<int64_t>(out.size()));
    return out;
  }
  std::string dir;
};

TEST_F(StreamsTest, MemoryStreamRoundTripSeekAndGrow) {
  TMemoryStream m;
  const int32_t values[] = {1, -2, 0x7FFFFFFF};
  m.WriteBuffer(values, sizeof values);
  EXPECT_EQ(m.Size(), 12);
  EXPECT_EQ(m.Position(), 12);
  EXPECT_GE(m.Capacity(), m.Size());

  int32_t back[3] = {};
  m.Seek(0, soBeginning);
  m.ReadBuffer(back, sizeof back);
  EXPECT_EQ(std::memcmp(values, back, sizeof values), 0);

  // Seeking past the end and writing fills the gap with zeros.
  m.Seek(4, soEnd);
  m.WriteBuffer("xy", 2);
  EXPECT_EQ(m.Size(), 18);
  const auto* p = static_cast<const uint8_t*>(m.Memory());
  EXPECT_EQ(p[12] | p[13] | p[14] | p[15], 0);
  EXPECT_EQ(p[16], 'x');
  EXPECT_EQ(m.Seek(-2, soCurrent), 16);
  EXPECT_EQ(m.Seek(-1, soFromEnd), 17);  // the old integer origins work on every stream

  // Shrinking pulls the position back to the new end.
  m.SetSize(5);
  EXPECT_EQ(m.Size(), 5);
  EXPECT_EQ(m.Position(), 5);
  EXPECT_THROW(m.Seek(-1, soBeginning), EStreamError);

  // Growing again within the capacity shows zeros, not the bytes cut off before.
  m.SetSize(18);
  EXPECT_EQ(static_cast<const uint8_t*>(m.Memory())[16], 0);

  m.Clear();
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.Position(), 0);
  EXPECT_EQ(m.Memory(), nullptr);
}

TEST_F(StreamsTest, ShortReadsAndWritesThroughBufferCallsAreErrors) {
  TMemoryStream m;
  m.WriteBuffer("abc", 3);
  m.SetPosition(1);
  char buf[8];
  EXPECT_EQ(m.Read(buf, 8), 2);  // Read reports the short count ...
  m.SetPosition(1);
  EXPECT_THROW(m.ReadBuffer(buf, 3), EReadError);  // ... ReadBuffer refuses it
  try {
    m.SetPosition(3);
    m.ReadBuffer(buf, 1);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }

  // A custom memory stream over a fixed block reads it but never writes.
  struct FixedStream : TCustomMemoryStream {
    explicit FixedStream(char* p) { SetPointer(p, 4); }
  };
  char fixed[4] = {'w', 'x', 'y', 'z'};
  FixedStream f(fixed);
  EXPECT_EQ(ReadAll(f), "wxyz");
  EXPECT_THROW(f.WriteBuffer("a", 1), EWriteError);
  EXPECT_NO_THROW(f.WriteBuffer("a", 0));
}

TEST_F(StreamsTest, StringAndBytesStreams) {
  TStringStream s("héllo");
  EXPECT_EQ(s.Position(), 0);
  EXPECT_EQ(s.ReadString(2), "h\xC3");
  s.Seek(0, soEnd);
  s.WriteString(" world");
  EXPECT_EQ(s.DataString(), "héllo world");
  s.SetPosition(100);
  EXPECT_EQ(s.ReadString(5), "");

  TBytesStream b(std::vector<uint8_t>{0, 1, 2, 255});
  EXPECT_EQ(b.Size(), 4);
  b.SetPosition(4);
  uint8_t more = 7;
  b.WriteBuffer(&more, 1);
  EXPECT_EQ(b.Bytes(), (std::vector<uint8_t>{0, 1, 2, 255, 7}));
}

TEST_F(StreamsTest, CopyFromWholeAndPartial) {
  TStringStream src("0123456789");
  src.SetPosition(7);
  TMemoryStream dst;
  EXPECT_EQ(dst.CopyFrom(&src, 0), 10);  // 0 = everything from the start
  EXPECT_EQ(ReadAll(dst), "0123456789");

  src.SetPosition(2);
  TStringStream part;
  EXPECT_EQ(part.CopyFrom(&src, 3), 3);
  EXPECT_EQ(part.DataString(), "234");
  src.SetPosition(8);
  EXPECT_THROW(part.CopyFrom(&src, 5), EReadError);
}

TEST_F(StreamsTest, FileStreamCreateReopenAndMemoryStreamFiles) {
  const std::string name = Path("data.bin");
  {
    TFileStream f(name, fmCreate);
    EXPECT_EQ(f.FileName(), name);
    f.WriteBuffer("first line\n", 11);
  }
  {
    TFileStream f(name, fmOpenReadWrite | fmShareExclusive);
    EXPECT_EQ(f.Size(), 11);
    EXPECT_EQ(f.Seek(1, soFromBeginning), 1);
    f.Seek(0, soEnd);
    f.WriteBuffer("second", 6);
    f.SetSize(15);
    EXPECT_EQ(f.Size(), 15);
    EXPECT_EQ(f.Position(), 15);
  }
  TMemoryStream m;
  m.LoadFromFile(name);
  EXPECT_EQ(m.Position(), 0);
  EXPECT_EQ(ReadAll(m), "first line\nseco");

  m.SaveToFile(Path("copy.bin"));
  TFileStream copy(Path("copy.bin"), fmOpenRead);
  EXPECT_EQ(ReadAll(copy), "first line\nseco");
  char c;
  EXPECT_EQ(copy.Read(&c, 1), 0);
  EXPECT_THROW(copy.WriteBuffer("x", 1), EWriteError);  // opened for reading only

  // fmCreate empties an existing file.
  { TFileStream again(name, fmCreate); }
  EXPECT_EQ(std::filesystem::file_size(name), 0u);
}

TEST_F(StreamsTest, OpenAndCreateErrorsNameTheFileAndTheReason) {
  const std::string missing = Path("missing.txt");
  try {
    TFileStream f(missing, fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file \"" + missing + "\". No such file or directory");
  }
  const std::string nofolder = Path("no/such/folder.txt");
  try {
    TFileStream f(nofolder, fmCreate);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + nofolder + "\". No such file or directory");
  }
  EXPECT_THROW((TFileStream{dir, fmOpenRead}), EFOpenError);  // a folder is not a file
}

TEST_F(StreamsTest, ShareModesBetweenOpenStreams) {
  struct Case {
    uint16_t first, second;
    bool secondOpens;
  };
  const Case cases[] = {
      {fmOpenRead | fmShareDenyNone, fmOpenReadWrite | fmShareDenyNone, true},
      {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyWrite, true},
      {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyNone, true},
      {fmOpenRead | fmShareDenyWrite, fmOpenWrite | fmShareDenyNone, false},
      {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareExclusive, false},
      {fmOpenReadWrite | fmShareExclusive, fmOpenRead | fmShareDenyNone, false},
      {fmOpenReadWrite | fmShareExclusive, fmOpenRead | fmShareDenyWrite, false},
      {fmCreate | fmShareExclusive, fmOpenRead, false},
  };
  const std::string name = Path("shared.txt");
  for (const Case& c : cases) {
    { TFileStream init(name, fmCreate); init.WriteBuffer("keep", 4); }
    TFileStream first(name, c.first);
    if (c.secondOpens) {
      EXPECT_NO_THROW((TFileStream{name, c.second})) << std::hex << c.first << " " << c.second;
    } else {
      try {
        TFileStream second(name, c.second);
        ADD_FAILURE() << "opened: " << std::hex << c.first << " " << c.second;
      } catch (const EFOpenError& e) {
        EXPECT_NE(e.Message().find("in use by another process"), std::string::npos);
      }
    }
  }
  // A create refused by a share lock leaves the existing content alone.
  { TFileStream init(name, fmCreate); init.WriteBuffer("keep", 4); }
  TFileStream holder(name, fmOpenRead | fmShareDenyWrite);
  EXPECT_THROW((TFileStream{name, fmCreate}), EFCreateError);
  EXPECT_EQ(ReadAll(holder), "keep");
}

TEST_F(StreamsTest, HandleStreamLeavesTheDescriptorOpen) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  {
    THandleStream w(fds[1]);
    w.WriteBuffer("pipe", 4);
    EXPECT_EQ(w.Handle(), fds[1]);
  }
  EXPECT_EQ(write(fds[1], "!", 1), 1);  // still open after the stream went away
  close(fds[1]);
  THandleStream r(fds[0]);
  char buf[6] = {};
  EXPECT_EQ(r.Read(buf, 6), 5);
  EXPECT_STREQ(buf, "pipe!");
  EXPECT_THROW(r.Seek(0, soBeginning), EStreamError);  // pipes cannot seek
  close(fds[0]);
}

TEST_F(StreamsTest, ClassesAreRegisteredInTheObjectModel) {
  std::unique_ptr<TStream> s(new TStringStream("x"));
  EXPECT_EQ(s->ClassName(), "TStringStream");
  EXPECT_TRUE(s->Is<TMemoryStream>());
  EXPECT_TRUE(s->Is<TStream>());
  EXPECT_FALSE(s->Is<THandleStream>());
}

}  // namespace
