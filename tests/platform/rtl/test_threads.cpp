// Threads: start and wait, termination, self-suspension, the main-thread queue (Synchronize,
// Queue, CheckSynchronize), critical sections, events, the read/write lock, interlocked helpers.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/threads.h"

namespace {

// Drains the main-thread queue until Done() holds, for at most five seconds.
bool DrainUntil(const std::function<bool()>& Done) {
  uint64_t Until = GetTickCount64() + 5000;
  while (!Done()) {
    if (GetTickCount64() > Until) return false;
    CheckSynchronize(5);
  }
  return true;
}

// A thread whose body is a function, for short tests.
class TFuncThread : public TThread {
public:
  std::function<void(TFuncThread&)> Body;
  std::atomic<bool>* Destroyed = nullptr;

  TFuncThread(bool CreateSuspended, std::function<void(TFuncThread&)> B)
      : TThread(CreateSuspended), Body(std::move(B)) {}
  ~TFuncThread() override {
    Terminate();
    if (!Finished() && CurrentThread() != this) WaitFor();
    if (Destroyed) Destroyed->store(true);
  }
  using TThread::Queue;
  using TThread::SetReturnValue;
  using TThread::Synchronize;

protected:
  void Execute() override { Body(*this); }
};

}  // namespace

TEST(Thread, SuspendedThreadRunsOnlyAfterStart) {
  std::atomic<int> Runs{0};
  TFuncThread T(true, [&](TFuncThread& Self) {
    ++Runs;
    Self.SetReturnValue(7);
  });
  Sleep(20);
  EXPECT_EQ(Runs.load(), 0);
  EXPECT_TRUE(T.Suspended());
  EXPECT_EQ(T.ThreadID(), 0u);
  T.Start();
  EXPECT_EQ(T.WaitFor(), 7);
  EXPECT_EQ(Runs.load(), 1);
  EXPECT_TRUE(T.Finished());
  EXPECT_NE(T.ThreadID(), 0u);
  EXPECT_NE(T.ThreadID(), MainThreadID);
  EXPECT_THROW(T.Start(), EThread);
}

TEST(Thread, CreateStartsAThreadThatIsNotSuspended) {
  std::atomic<TThreadID> RanOn{0};
  std::unique_ptr<TFuncThread> T(TThread::Create<TFuncThread>(
      false, [&](TFuncThread&) { RanOn = GetCurrentThreadId(); }));
  T->WaitFor();
  EXPECT_EQ(RanOn.load(), T->ThreadID());
  EXPECT_EQ(MainThreadID, GetCurrentThreadId());  // the tests run on the main thread
}

TEST(Thread, DestructorTerminatesAndWaits) {
  std::atomic<int> Loops{0};
  auto* T = TThread::Create<TFuncThread>(false, [&](TFuncThread& Self) {
    while (!Self.Terminated()) {
      ++Loops;
      Sleep(1);
    }
  });
  while (Loops.load() == 0) Sleep(1);
  delete T;  // returns only once the loop saw Terminated
  int After = Loops.load();
  Sleep(10);
  EXPECT_EQ(Loops.load(), After);
}

TEST(Thread, SynchronizeRunsOnTheMainThreadAndWaits) {
  std::vector<std::string> Log;  // touched by the main thread only
  std::atomic<bool> WorkerSawError{false};
  TFuncThread T(true, [&](TFuncThread& Self) {
    Self.Synchronize([&] {
      Log.push_back(GetCurrentThreadId() == MainThreadID ? "main" : "worker");
    });
    Log.push_back("after");  // the method has run when Synchronize returns
    try {
      Self.Synchronize([] { throw EConvertError("bad"); });
    } catch (const EConvertError&) {
      WorkerSawError = true;
    }
  });
  T.Start();
  T.WaitFor();  // on the main thread WaitFor serves the queue
  EXPECT_EQ(Log, (std::vector<std::string>{"main", "after"}));
  EXPECT_TRUE(WorkerSawError.load());

  bool Ran = false;
  TThread::Synchronize(nullptr, [&] { Ran = true; });  // on the main thread: at once
  EXPECT_TRUE(Ran);
}

TEST(Thread, QueuedMethodsRunInOrderWhenTheLoopChecks) {
  std::atomic<int> Wakes{0};
  SetWakeMainThread([&] { ++Wakes; });
  std::vector<int> Order;
  std::atomic<bool> WorkerCheck{true};
  TFuncThread T(true, [&](TFuncThread& Self) {
    for (int I = 1; I <= 3; ++I) Self.Queue([&Order, I] { Order.push_back(I); });
    WorkerCheck = CheckSynchronize();  // runs nothing off the main thread
  });
  T.Start();
  while (!T.Finished()) Sleep(1);
  EXPECT_TRUE(Order.empty());  // nothing runs until the main thread checks
  EXPECT_EQ(Wakes.load(), 3);
  EXPECT_FALSE(WorkerCheck.load());
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(Order, (std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(CheckSynchronize());
  SetWakeMainThread(nullptr);
}

TEST(Thread, QueuedExceptionLeavesTheRestQueued) {
  std::vector<int> Order;
  TFuncThread T(true, [&](TFuncThread& Self) {
    Self.Queue([] { throw EConvertError("first"); });
    Self.Queue([&] { Order.push_back(2); });
  });
  T.Start();
  while (!T.Finished()) Sleep(1);
  EXPECT_THROW(CheckSynchronize(), EConvertError);
  EXPECT_TRUE(Order.empty());
  EXPECT_TRUE(CheckSynchronize());  // the second method stayed queued
  EXPECT_EQ(Order, (std::vector<int>{2}));
}

TEST(Thread, WaitForCompletesThenRaisesAQueuedException) {
  std::vector<int> Order;
  TFuncThread T(true, [&](TFuncThread& Self) {
    Self.Queue([] { throw EConvertError("first"); });
    Self.Queue([&] { Order.push_back(2); });
    Self.Synchronize([&] { Order.push_back(3); });
  });
  T.Start();
  EXPECT_THROW(T.WaitFor(), EConvertError);
  EXPECT_TRUE(T.Finished());
  EXPECT_EQ(Order, (std::vector<int>{2, 3}));
}

TEST(Thread, RemoveQueuedEventsDropsAThreadsMethods) {
  int Ran = 0;
  TFuncThread T(true, [&](TFuncThread& Self) { Self.Queue([&] { ++Ran; }); });
  T.Start();
  while (!T.Finished()) Sleep(1);
  TThread::RemoveQueuedEvents(&T);
  CheckSynchronize();
  EXPECT_EQ(Ran, 0);
}

TEST(Thread, OnTerminateOnMainThreadThenFreeOnTerminate) {
  std::atomic<bool> Destroyed{false};
  TThreadID TerminatedOn = 0;
  TObject* Sender = nullptr;
  auto* T = new TFuncThread(true, [](TFuncThread&) {});
  T->Destroyed = &Destroyed;
  T->SetFreeOnTerminate(true);
  T->OnTerminate = [&](TObject* S) {
    Sender = S;
    TerminatedOn = GetCurrentThreadId();
  };
  TObject* Expected = T;
  T->Start();
  ASSERT_TRUE(DrainUntil([&] { return Destroyed.load(); }));
  EXPECT_EQ(Sender, Expected);
  EXPECT_EQ(TerminatedOn, MainThreadID);
}

TEST(Thread, ExceptionInExecuteIsKept) {
  TFuncThread T(true, [](TFuncThread&) { throw EConvertError("broken"); });
  T.Start();
  T.WaitFor();
  ASSERT_TRUE(T.FatalException() != nullptr);
  EXPECT_THROW(std::rethrow_exception(T.FatalException()), EConvertError);
}

TEST(Thread, AThreadSuspendsOnlyItself) {
  std::atomic<int> Step{0};
  TFuncThread T(true, [&](TFuncThread& Self) {
    Step = 1;
    Self.Suspend();
    Step = 2;
  });
  T.Start();
  while (!(Step.load() == 1 && T.Suspended())) Sleep(1);
  Sleep(10);
  EXPECT_EQ(Step.load(), 1);
  EXPECT_THROW(T.Suspend(), EThread);
  T.Resume();
  T.WaitFor();
  EXPECT_EQ(Step.load(), 2);
  EXPECT_EQ(T.Priority(), tpNormal);
  T.SetPriority(tpHigher);
  EXPECT_EQ(T.Priority(), tpHigher);
}

TEST(CriticalSection, IsRecursiveAndExclusive) {
  TCriticalSection CS;
  CS.Enter();
  CS.Acquire();  // the owner enters again
  auto TryFromOther = [&] {
    bool Got = false;
    TFuncThread T(true, [&](TFuncThread&) {
      Got = CS.TryEnter();
      if (Got) CS.Leave();
    });
    T.Start();
    T.WaitFor();
    return Got;
  };
  EXPECT_FALSE(TryFromOther());
  CS.Leave();
  EXPECT_FALSE(TryFromOther());  // still held once
  CS.Release();
  EXPECT_TRUE(TryFromOther());
}

TEST(Event, ManualAndAutomaticReset) {
  TEvent Manual(true, false);
  EXPECT_EQ(Manual.WaitFor(5), wrTimeout);
  Manual.SetEvent();
  EXPECT_EQ(Manual.WaitFor(0), wrSignaled);
  EXPECT_EQ(Manual.WaitFor(0), wrSignaled);  // stays signalled
  Manual.ResetEvent();
  EXPECT_EQ(Manual.WaitFor(5), wrTimeout);

  TEvent Auto(false, true);
  EXPECT_EQ(Auto.WaitFor(0), wrSignaled);
  EXPECT_EQ(Auto.WaitFor(5), wrTimeout);  // the first waiter took the signal

  TSimpleEvent Ready;
  TFuncThread T(true, [&](TFuncThread&) {
    Sleep(5);
    Ready.SetEvent();
  });
  T.Start();
  EXPECT_EQ(Ready.WaitFor(INFINITE), wrSignaled);
  T.WaitFor();
}

TEST(ReadWriteLock, ReadersShareWritersExclude) {
  TMultiReadExclusiveWriteSynchronizer Lock;
  std::atomic<int> Inside{0}, MaxInside{0};
  std::atomic<bool> WriterInside{false}, Overlap{false};
  auto Reader = [&](TFuncThread&) {
    for (int I = 0; I < 200; ++I) {
      Lock.BeginRead();
      Lock.BeginRead();  // nested reads
      int N = ++Inside;
      if (N > MaxInside) MaxInside = N;
      if (WriterInside) Overlap = true;
      Sleep(0);
      --Inside;
      Lock.EndRead();
      Lock.EndRead();
    }
  };
  auto Writer = [&](TFuncThread&) {
    for (int I = 0; I < 100; ++I) {
      Lock.BeginWrite();
      Lock.BeginRead();  // a writer may read
      WriterInside = true;
      if (Inside.load() != 0) Overlap = true;
      Sleep(0);
      WriterInside = false;
      Lock.EndRead();
      Lock.EndWrite();
    }
  };
  TFuncThread R1(true, Reader), R2(true, Reader), R3(true, Reader), W(true, Writer);
  R1.Start();
  R2.Start();
  R3.Start();
  W.Start();
  R1.WaitFor();
  R2.WaitFor();
  R3.WaitFor();
  W.WaitFor();
  EXPECT_FALSE(Overlap.load());

  // Two readers inside at once.
  TSimpleEvent BothIn;
  std::atomic<int> In{0};
  auto Meet = [&](TFuncThread&) {
    Lock.BeginRead();
    if (++In == 2) BothIn.SetEvent();
    BothIn.WaitFor(5000);
    Lock.EndRead();
  };
  TFuncThread M1(true, Meet), M2(true, Meet);
  M1.Start();
  M2.Start();
  M1.WaitFor();
  M2.WaitFor();
  EXPECT_EQ(In.load(), 2);
}

TEST(ReadWriteLock, ReaderMayUpgrade) {
  TMultiReadExclusiveWriteSynchronizer Lock;
  Lock.BeginRead();
  EXPECT_TRUE(Lock.BeginWrite());  // nobody else wrote meanwhile
  Lock.EndWrite();
  Lock.EndRead();
  // The lock is free again: another thread can write.
  TFuncThread T(true, [&](TFuncThread&) {
    Lock.BeginWrite();
    Lock.EndWrite();
  });
  T.Start();
  T.WaitFor();
  EXPECT_TRUE(T.FatalException() == nullptr);
}

TEST(Interlocked, CountsFromManyThreads) {
  int32_t Counter = 0;
  auto Body = [&](TFuncThread&) {
    for (int I = 0; I < 10000; ++I) InterlockedIncrement(Counter);
    for (int I = 0; I < 5000; ++I) InterlockedDecrement(Counter);
  };
  TFuncThread A(true, Body), B(true, Body), C(true, Body), D(true, Body);
  for (TFuncThread* T : {&A, &B, &C, &D}) T->Start();
  for (TFuncThread* T : {&A, &B, &C, &D}) T->WaitFor();
  EXPECT_EQ(Counter, 20000);

  int32_t V = 5;
  EXPECT_EQ(InterlockedExchange(V, 9), 5);
  EXPECT_EQ(InterlockedExchangeAdd(V, 1), 9);
  EXPECT_EQ(InterlockedCompareExchange(V, 0, 3), 10);  // no match: unchanged
  EXPECT_EQ(V, 10);
  EXPECT_EQ(InterlockedCompareExchange(V, 0, 10), 10);
  EXPECT_EQ(V, 0);
}

TEST(Clock, TickCountIsMonotonicAndSleepWaits) {
  uint64_t Start = GetTickCount64();
  Sleep(20);
  uint64_t End = GetTickCount64();
  EXPECT_GE(End - Start, 20u);
  // The 32-bit count is the low half of the 64-bit one.
  EXPECT_LE(uint32_t(GetTickCount() - uint32_t(End)), 1000u);
}
