// Threads and synchronisation: TThread, critical sections, events, the read/write lock, the
// interlocked helpers, Sleep and GetTickCount, and the main-thread queue behind Synchronize.
//
// The main thread is the thread that first touched this unit's state (normally the program's
// main(); MainThreadID is fixed at start-up by a static initialiser). Worker threads hand work
// to it with TThread::Synchronize (waits until it ran) and TThread::Queue (does not wait). The
// work waits in a process-wide queue which the window layer's message loop drains by calling
// CheckSynchronize() on the main thread. So that an idle message loop notices new work, the
// window layer installs a wake-up hook with SetWakeMainThread: it is called (on the worker's
// thread) every time work is queued, and should post a message or signal the loop's wait.
// Synchronize called on the main thread itself runs the method at once.
//
// Suspension: threads are never suspended from outside. A thread created suspended waits on a
// condition variable until Start/Resume; a running thread may suspend ITSELF (Suspend from its
// own Execute) and waits the same way until another thread calls Resume.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <shared_mutex>
#include <thread>

#include "platform/rtl/object.h"
#include "platform/rtl/sysutils.h"

using TThreadID = uint32_t;
using TThreadMethod = std::function<void()>;

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The calling thread's id: a small positive number, unique for the life of the process.
TThreadID GetCurrentThreadId();
// The main thread's id (see above).
extern const TThreadID& MainThreadID;

// Milliseconds since an arbitrary start, from a monotonic clock; wraps like a 32-bit counter.
uint32_t GetTickCount();
uint64_t GetTickCount64();
// Sleeps the calling thread; Sleep(0) yields the processor.
void Sleep(uint32_t Milliseconds);

// Runs the work queued for the main thread (Synchronize / Queue), in queue order. Only the main
// thread runs anything; on another thread it returns false at once. Returns true when it ran
// something. An exception of a Synchronize'd method is handed back to the waiting worker (it is
// re-raised there); an exception of a Queue'd method propagates out of CheckSynchronize after the
// method was removed from the queue. Timeout: how long to wait for work when the queue is empty
// (0: do not wait).
bool CheckSynchronize(int Timeout = 0);
// Installed by the window layer: called whenever work is queued for the main thread. Null
// removes it.
void SetWakeMainThread(std::function<void()> Wake);

class TThread : public TObject {
  ORV_CLASS(TThread, TObject)

public:
  // C++ cannot run code after a derived constructor, and Execute must not run before the derived
  // object is complete. So a thread never runs from inside the constructor: created with
  // CreateSuspended = false it starts from AfterConstruction(), which TThread::Create<T>(...)
  // calls for you; created suspended it starts with Start()/Resume(). The OS thread is created at
  // start.
  explicit TThread(bool CreateSuspended);
  // Terminates the thread and waits for it unless it is the calling thread. The derived parts
  // of the object are already gone by then: a class whose Execute uses its own members while
  // running should Terminate and WaitFor in its own destructor. A thread object must not be
  // deleted by another thread while FreeOnTerminate is set.
  ~TThread() override;

  template <class T, class... A> static T* Create(A&&... Args) {
    T* Thread = new T(std::forward<A>(Args)...);
    Thread->AfterConstruction();
    return Thread;
  }
  // Starts the thread when it was created not suspended (no-op otherwise, or when started).
  void AfterConstruction();

  // Starts a suspended thread (EThread "Cannot call Start on a running or suspended thread"
  // when it already runs), resumes a thread that suspended itself.
  void Start();
  void Resume();
  // From the thread's own Execute: waits until another thread calls Resume. From elsewhere:
  // EThread "A thread can only suspend itself".
  void Suspend();
  bool Suspended() const;

  // Sets Terminated; Execute is expected to check it and return.
  void Terminate();
  bool Terminated() const { return FTerminated.load(); }
  // Waits for the thread to end (running CheckSynchronize meanwhile when called on the main
  // thread, so that a thread waiting in Synchronize cannot deadlock) and returns ReturnValue.
  // When a queued method run meanwhile raised, the wait still completes and the first such
  // exception is raised afterwards. A thread that was never started is started first.
  // EThread "Thread cannot wait for itself" when called from the thread itself.
  int WaitFor();
  bool Finished() const { return FFinished.load(); }

  bool FreeOnTerminate() const { return FFreeOnTerminate.load(); }
  void SetFreeOnTerminate(bool Value) { FFreeOnTerminate.store(Value); }
  int ReturnValue() const { return FReturnValue.load(); }
  TThreadPriority Priority() const { return FPriority; }
  // Stored only: this runtime runs every thread at the same priority.
  void SetPriority(TThreadPriority Value) { FPriority = Value; }
  // 0 until the thread has started.
  TThreadID ThreadID() const { return FThreadID.load(); }
  // The exception that ended Execute, if any (kept as an exception_ptr; also reported as text).
  std::exception_ptr FatalException() const { return FFatalException; }

  // Runs on the main thread after Execute ended, through Synchronize (so the main thread must
  // drain the queue: its message loop, or WaitFor on the main thread, does).
  std::function<void(TObject* Sender)> OnTerminate;

  // Runs Method on the main thread and waits for it (at once when called on the main thread).
  static void Synchronize(TThread* Thread, TThreadMethod Method);
  // Queues Method for the main thread and returns (runs at once on the main thread).
  static void Queue(TThread* Thread, TThreadMethod Method);
  // Drops queued (not yet run) methods of Thread.
  static void RemoveQueuedEvents(TThread* Thread);
  // The TThread whose Execute is running on the calling thread, null on other threads.
  static TThread* CurrentThread();

protected:
  virtual void Execute() = 0;
  // Called on the thread after Execute; runs OnTerminate on the main thread (Synchronize) when
  // it is assigned.
  virtual void DoTerminate();
  void SetReturnValue(int Value) { FReturnValue.store(Value); }
  void Synchronize(TThreadMethod Method) { Synchronize(this, std::move(Method)); }
  void Queue(TThreadMethod Method) { Queue(this, std::move(Method)); }

private:
  static void ThreadProc(TThread* Self);
  std::exception_ptr WaitForFinish();
  void StartOSThread();
  void RunTerminateHandler();

  std::thread FThread;
  mutable std::mutex FLock;
  std::condition_variable FWake;
  bool FCreateSuspended;
  bool FStarted = false;
  bool FSuspended = false;
  bool FTerminateHandled = false;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  std::atomic<bool> FFreeOnTerminate{false};
  std::atomic<int> FReturnValue{0};
  std::atomic<TThreadID> FThreadID{0};
  TThreadPriority FPriority = tpNormal;
  std::exception_ptr FFatalException;
};

// A recursive lock: the thread that holds it may enter again; it is free after as many Leaves.
class TCriticalSection : public TObject {
  ORV_CLASS(TCriticalSection, TObject)

public:
  void Enter() { FMutex.lock(); }
  void Leave() { FMutex.unlock(); }
  bool TryEnter() { return FMutex.try_lock(); }
  void Acquire() { Enter(); }
  void Release() { Leave(); }

private:
  std::recursive_mutex FMutex;
};

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };
constexpr uint32_t INFINITE = 0xFFFFFFFFu;

// An event: manual reset (stays signalled until ResetEvent) or automatic (one waiter takes the
// signal and resets it).
class TEvent : public TObject {
  ORV_CLASS(TEvent, TObject)

public:
  explicit TEvent(bool ManualReset = true, bool InitialState = false)
      : FManualReset(ManualReset), FSignaled(InitialState) {}
  void SetEvent();
  void ResetEvent();
  // Waits up to Timeout milliseconds (INFINITE: no limit).
  TWaitResult WaitFor(uint32_t Timeout = INFINITE);

private:
  std::mutex FLock;
  std::condition_variable FCond;
  bool FManualReset;
  bool FSignaled;
};

// A manual-reset event, initially not signalled.
class TSimpleEvent : public TEvent {
  ORV_CLASS(TSimpleEvent, TEvent)

public:
  TSimpleEvent() : TEvent(true, false) {}
};

// Many readers or one writer. A writer may take the read lock and the write lock again while it
// holds the write lock; readers may nest reads.
class TMultiReadExclusiveWriteSynchronizer : public TObject {
  ORV_CLASS(TMultiReadExclusiveWriteSynchronizer, TObject)

public:
  void BeginRead();
  void EndRead();
  // A thread that holds read locks may ask to write: its read locks are given up while it
  // waits and taken back with the write lock. Returns false when another writer got in during
  // that wait (so what was read may have changed), true otherwise.
  bool BeginWrite();
  void EndWrite();

private:
  std::mutex FLock;
  std::condition_variable FCond;
  int FReaders = 0;          // read locks held by threads other than the writer
  TThreadID FWriter = 0;
  int FWriteDepth = 0;
  uint64_t FWriteCount = 0;  // completed write-lock acquisitions, to detect an intervening writer
};

// Atomic operations on plain 32-bit integers (every access to Target from several threads must
// go through them), returning the new value (Increment/Decrement) or the previous one (Exchange,
// ExchangeAdd, CompareExchange).
int32_t InterlockedIncrement(int32_t& Target);
int32_t InterlockedDecrement(int32_t& Target);
int32_t InterlockedExchange(int32_t& Target, int32_t Value);
int32_t InterlockedExchangeAdd(int32_t& Target, int32_t Value);
int32_t InterlockedCompareExchange(int32_t& Target, int32_t Exchange, int32_t Comparand);
