// Deferred loads and saves on worker threads: the messages posted to a view with a parent
// window, events on the worker otherwise, one call at a time per component, buffers that outlive
// the call, and waiting for workers.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "imaging/core/iestreams.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/imageryio.h"
#include "iotestcodecs.h"
#include "platform/rtl/threads.h"

using namespace iotest;

namespace {

struct TPosted {
  std::mutex M;
  std::vector<std::pair<uint32_t, uintptr_t>> Messages;
  void Add(uint32_t Msg, uintptr_t W) {
    std::lock_guard<std::mutex> g(M);
    Messages.push_back({Msg, W});
  }
};

// Installs a window link under which the given view has a parent window.
struct TLink {
  TPosted Posted;
  explicit TLink(TIEView* WithParent) {
    IEViewWindowLink.HasParentWindow = [WithParent](TIEView* v) { return v == WithParent; };
    IEViewWindowLink.PostMessage = [this](TIEView*, uint32_t Msg, uintptr_t W, intptr_t) { Posted.Add(Msg, W); };
  }
  ~TLink() { IEViewWindowLink = TIEViewWindowLink(); }
};

// A reader that records how many reads run at once.
std::atomic<int> Active{0}, MaxActive{0};
void SlowBmpRead(TStream* S, TIEBitmap* B, int64_t Size, bool Ign, TIEMask*& A, bool Sw, bool Preview,
                 TIEProgressRec& Rec, TIOParamsVals& P) {
  int now = ++Active;
  int prev = MaxActive.load();
  while (now > prev && !MaxActive.compare_exchange_weak(prev, now)) {
  }
  Sleep(5);
  FakeBmpRead(S, B, Size, Ign, A, Sw, Preview, Rec, P);
  --Active;
}

}  // namespace

class IOThread : public ::testing::Test {
protected:
  void SetUp() override {
    IEInitFileFormats();
    TImageryIO out(nullptr);
    MakePattern(out.IEBitmap(), 6, 4);
    out.SaveToFile(Dir / "a.jpg");
    out.SaveToFile(Dir / "a.bmp");
  }
  void TearDown() override { IEFreeFileFormats(); }
  TFakeCodecs Codecs;
  TTempDir Dir;
};

TEST_F(IOThread, DeferredLoadPostsItsMessagesInOrder) {
  TTestView view;
  TLink link(&view);
  TImageryIO io(nullptr);
  io.SetAttachedImagery(&view);
  io.AsyncMode = true;
  std::atomic<int> direct{0};
  io.OnProgress = [&](TObject*, int) { ++direct; };
  io.OnFinishWork = [&](TObject*) { ++direct; };
  io.LoadFromFile(Dir / "a.jpg");
  io.WaitThreads(false);
  EXPECT_EQ(direct.load(), 0);  // everything went through the window
  std::vector<std::pair<uint32_t, uintptr_t>> want = {
      {IEM_PROGRESS, 100}, {IEM_UPDATE, 0}, {IEM_PROGRESS, 100}, {IEM_FINISHWORK, 0}};
  EXPECT_EQ(link.Posted.Messages, want);
  EXPECT_EQ(view.Image.Width(), 6);
  // The message numbers the window side dispatches on.
  EXPECT_EQ(IEM_PROGRESS, 8027u);
  EXPECT_EQ(IEM_FINISHWORK, 8028u);
  EXPECT_EQ(IEM_UPDATE, 8024u);
}

TEST_F(IOThread, WithoutAParentWindowTheEventsRunOnTheWorker) {
  TTestView view;
  TLink link(nullptr);  // no view has a parent
  TImageryIO io(nullptr);
  io.SetAttachedImagery(&view);
  io.AsyncMode = true;
  std::atomic<TThreadID> finishThread{0};
  std::atomic<int> finishes{0};
  io.OnFinishWork = [&](TObject* Sender) {
    EXPECT_EQ(Sender, &io);
    finishThread = GetCurrentThreadId();
    ++finishes;
  };
  io.LoadFromFileJpeg(Dir / "a.jpg");
  io.WaitThreads(false);
  EXPECT_EQ(finishes.load(), 1);
  EXPECT_NE(finishThread.load(), GetCurrentThreadId());
  EXPECT_TRUE(link.Posted.Messages.empty());
}

TEST_F(IOThread, AnOwnedTargetNeverDefers) {
  TImageryIO io(nullptr);
  io.AsyncMode = true;
  io.LoadFromFile(Dir / "a.jpg");
  EXPECT_EQ(io.RunningThreads(), 0);
  EXPECT_EQ(io.IEBitmap()->Width(), 6);  // loaded before the call returned
}

TEST_F(IOThread, DeferredCountFunctionsAnswerMinusOne) {
  TIEBitmap target;
  TImageryIO io(nullptr);
  io.AttachBitmap(&target);
  io.AsyncMode = true;
  EXPECT_EQ(io.LoadFromFileTIFF(Dir / "a.tif"), -1);
  EXPECT_EQ(io.LoadFromFileGIF(Dir / "a.gif"), -1);
  io.WaitThreads(false);
  EXPECT_TRUE(io.Aborting.load());  // the missing files failed inside the workers
}

TEST_F(IOThread, OpenFailuresInsideWorkers) {
  TIEBitmap target;
  TImageryIO io(nullptr);
  io.AttachBitmap(&target);
  io.AsyncMode = true;
  std::atomic<int> finishes{0};
  io.OnFinishWork = [&](TObject*) { ++finishes; };
  io.LoadFromFileJpeg(Dir / "missing.jpg");
  io.WaitThreads(false);
  EXPECT_TRUE(io.Aborting.load());
  EXPECT_EQ(finishes.load(), 1);
  io.Aborting.store(false);
  io.LoadFromFileBMP(Dir / "missing.bmp");
  io.WaitThreads(false);
  EXPECT_TRUE(io.Aborting.load());
  EXPECT_EQ(finishes.load(), 1);
}

TEST_F(IOThread, ConcurrentDeferredCallsRunOneAtATime) {
  IECodecs.BmpReadImage = &SlowBmpRead;
  Active = 0;
  MaxActive = 0;
  TIEBitmap target;
  TImageryIO io(nullptr);
  io.AttachBitmap(&target);
  io.AsyncMode = true;
  std::atomic<int> finishes{0};
  io.OnFinishWork = [&](TObject*) { ++finishes; };
  for (int i = 0; i < 6; ++i) io.LoadFromFileBMP(Dir / "a.bmp");
  io.WaitThreads(false);
  EXPECT_EQ(finishes.load(), 6);
  EXPECT_EQ(MaxActive.load(), 1);
  EXPECT_EQ(target.Width(), 6);
}

TEST_F(IOThread, ABufferLoadKeepsItsDataUntilTheWorkerHasReadIt) {
  TIEBitmap target;
  TImageryIO io(nullptr);
  io.AttachBitmap(&target);
  io.AsyncMode = true;
  {
    TImageryIO out(nullptr);
    MakePattern(out.IEBitmap(), 11, 3);
    TMemoryStream ms;
    out.SaveToStream(&ms, ioBMP);
    auto* copy = new std::vector<uint8_t>(static_cast<uint8_t*>(ms.Memory()), static_cast<uint8_t*>(ms.Memory()) + ms.Size());
    io.LoadFromBuffer(copy->data(), int64_t(copy->size()), 0);
    std::fill(copy->begin(), copy->end(), 0);  // the caller reuses and frees its block at once
    delete copy;
  }
  io.WaitThreads(false);
  EXPECT_FALSE(io.Aborting.load());
  EXPECT_EQ(target.Width(), 11);
}

TEST_F(IOThread, DestroyWaitsForWorkersAndWaitThreadsCanAbort) {
  IECodecs.BmpReadImage = &SlowBmpRead;
  TIEBitmap target;
  std::atomic<int> finishes{0};
  {
    TImageryIO io(nullptr);
    io.AttachBitmap(&target);
    io.AsyncMode = true;
    io.OnFinishWork = [&](TObject*) { ++finishes; };
    for (int i = 0; i < 3; ++i) io.LoadFromFileBMP(Dir / "a.bmp");
  }  // the destructor returns only after every worker has finished
  EXPECT_EQ(finishes.load(), 3);
  TImageryIO io(nullptr);
  io.AttachBitmap(&target);
  io.AsyncMode = true;
  io.LoadFromFileBMP(Dir / "a.bmp");
  io.WaitThreads(true);
  EXPECT_TRUE(io.Aborting.load());
  EXPECT_EQ(io.RunningThreads(), 0);
}

TEST_F(IOThread, TheVideoRouteRunsWhollyOnTheWorker) {
  TIEBitmap target;
  TImageryIO io(nullptr);
  io.AttachBitmap(&target);
  io.AsyncMode = true;
  std::atomic<int> finishes{0};
  std::atomic<TThreadID> where{0};
  io.OnFinishWork = [&](TObject*) {
    ++finishes;
    where = GetCurrentThreadId();
  };
  WriteFile(Dir / "clip.avi", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '});
  io.LoadFromFile(Dir / "clip.avi");
  io.WaitThreads(false);
  EXPECT_EQ(finishes.load(), 1);
  EXPECT_NE(where.load(), GetCurrentThreadId());
  EXPECT_EQ(io.Params->FileType, ioAVI);
  EXPECT_TRUE(io.Aborting.load());  // no video decoder here
}
