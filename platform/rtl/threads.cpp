// Threads and synchronisation (see threads.h for the model: main-thread queue, no suspension
// from outside).
#include "platform/rtl/threads.h"

#include <chrono>
#include <deque>
#include <memory>
#include <unordered_map>

ORV_CLASS_IMPL(TThread, TObject)
ORV_CLASS_IMPL(TCriticalSection, TObject)
ORV_CLASS_IMPL(TEvent, TObject)
ORV_CLASS_IMPL(TSimpleEvent, TEvent)
ORV_CLASS_IMPL(TMultiReadExclusiveWriteSynchronizer, TObject)

// ---------------------------------------------------------------------------------------------
// Thread ids, clock, sleep.

namespace {
std::atomic<TThreadID> NextThreadID{1};
thread_local TThreadID ThisThreadID = 0;
thread_local TThread* ThisThread = nullptr;
// The thread that runs static initialisation is the program's main thread.
const TThreadID MainID = GetCurrentThreadId();
}  // namespace

const TThreadID& MainThreadID = MainID;

TThreadID GetCurrentThreadId() {
  if (ThisThreadID == 0) ThisThreadID = NextThreadID.fetch_add(1);
  return ThisThreadID;
}

static bool OnMainThread() { return GetCurrentThreadId() == MainThreadID; }

uint64_t GetTickCount64() {
  using namespace std::chrono;
  return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint32_t GetTickCount() { return uint32_t(GetTickCount64()); }

void Sleep(uint32_t Milliseconds) {
  if (Milliseconds == 0)
    std::this_thread::yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

// ---------------------------------------------------------------------------------------------
// The main-thread queue.

namespace {
struct TSyncItem {
  TThread* Thread;
  TThreadMethod Method;
  bool Synchronous;
  bool Done = false;
  std::exception_ptr Error;
};

struct TSyncQueue {
  std::mutex Lock;
  std::condition_variable Cond;  // work queued, work done, a thread finished
  std::deque<std::shared_ptr<TSyncItem>> Items;
  std::function<void()> Wake;
};

TSyncQueue& SyncQueue() {
  static TSyncQueue* Q = new TSyncQueue;  // never destroyed: threads may outlive static cleanup
  return *Q;
}

void Enqueue(const std::shared_ptr<TSyncItem>& Item) {
  TSyncQueue& Q = SyncQueue();
  std::function<void()> Wake;
  {
    std::lock_guard<std::mutex> G(Q.Lock);
    Q.Items.push_back(Item);
    Wake = Q.Wake;
  }
  Q.Cond.notify_all();
  if (Wake) Wake();
}

void NotifyMainThread() {
  TSyncQueue& Q = SyncQueue();
  { std::lock_guard<std::mutex> G(Q.Lock); }
  Q.Cond.notify_all();
}
}  // namespace

void SetWakeMainThread(std::function<void()> Wake) {
  TSyncQueue& Q = SyncQueue();
  std::lock_guard<std::mutex> G(Q.Lock);
  Q.Wake = std::move(Wake);
}

bool CheckSynchronize(int Timeout) {
  if (!OnMainThread()) return false;
  TSyncQueue& Q = SyncQueue();
  std::deque<std::shared_ptr<TSyncItem>> Work;
  {
    std::unique_lock<std::mutex> L(Q.Lock);
    if (Q.Items.empty() && Timeout > 0)
      Q.Cond.wait_for(L, std::chrono::milliseconds(Timeout), [&] { return !Q.Items.empty(); });
    Work.swap(Q.Items);
  }
  if (Work.empty()) return false;
  while (!Work.empty()) {
    std::shared_ptr<TSyncItem> Item = Work.front();
    Work.pop_front();
    if (Item->Synchronous) {
      try {
        Item->Method();
      } catch (...) {
        Item->Error = std::current_exception();
      }
      {
        std::lock_guard<std::mutex> G(Q.Lock);
        Item->Done = true;
      }
      Q.Cond.notify_all();
      continue;
    }
    try {
      Item->Method();
    } catch (...) {
      // The rest stays queued, ahead of anything queued meanwhile.
      std::lock_guard<std::mutex> G(Q.Lock);
      Q.Items.insert(Q.Items.begin(), Work.begin(), Work.end());
      throw;
    }
  }
  return true;
}

void TThread::Synchronize(TThread* Thread, TThreadMethod Method) {
  if (!Method) return;
  if (OnMainThread()) {
    Method();
    return;
  }
  auto Item = std::make_shared<TSyncItem>(TSyncItem{Thread, std::move(Method), true, false, nullptr});
  Enqueue(Item);
  TSyncQueue& Q = SyncQueue();
  {
    std::unique_lock<std::mutex> L(Q.Lock);
    Q.Cond.wait(L, [&] { return Item->Done; });
  }
  if (Item->Error) std::rethrow_exception(Item->Error);
}

void TThread::Queue(TThread* Thread, TThreadMethod Method) {
  if (!Method) return;
  if (OnMainThread()) {
    Method();
    return;
  }
  Enqueue(std::make_shared<TSyncItem>(TSyncItem{Thread, std::move(Method), false, false, nullptr}));
}

void TThread::RemoveQueuedEvents(TThread* Thread) {
  TSyncQueue& Q = SyncQueue();
  std::lock_guard<std::mutex> G(Q.Lock);
  for (auto It = Q.Items.begin(); It != Q.Items.end();) {
    // A waiting Synchronize must still run: its caller is blocked on it.
    if ((*It)->Thread == Thread && !(*It)->Synchronous)
      It = Q.Items.erase(It);
    else
      ++It;
  }
}

TThread* TThread::CurrentThread() { return ThisThread; }

// ---------------------------------------------------------------------------------------------
// TThread

TThread::TThread(bool CreateSuspended) : FCreateSuspended(CreateSuspended) {}

TThread::~TThread() {
  bool Running;
  {
    std::lock_guard<std::mutex> G(FLock);
    Running = FStarted && !FFinished.load();
  }
  if (Running && ThisThread != this) {
    Terminate();
    {
      std::lock_guard<std::mutex> G(FLock);
      FSuspended = false;
    }
    FWake.notify_all();
    WaitForFinish();  // an exception of some queued method cannot leave a destructor: dropped
  }
  if (FThread.joinable()) {
    if (FThread.get_id() == std::this_thread::get_id())
      FThread.detach();
    else
      FThread.join();
  }
  RemoveQueuedEvents(this);
}

void TThread::AfterConstruction() {
  std::lock_guard<std::mutex> G(FLock);
  if (!FCreateSuspended && !FStarted) StartOSThread();
}

void TThread::StartOSThread() {
  // FLock is held: the new thread takes it before touching the object, so FThread is assigned
  // before a FreeOnTerminate thread can delete itself.
  FStarted = true;
  FThread = std::thread(&TThread::ThreadProc, this);
}

void TThread::Start() {
  std::lock_guard<std::mutex> G(FLock);
  if (FStarted) throw EThread("Cannot call Start on a running or suspended thread");
  StartOSThread();
}

void TThread::Resume() {
  {
    std::lock_guard<std::mutex> G(FLock);
    if (!FStarted) {
      StartOSThread();
      return;
    }
    FSuspended = false;
  }
  FWake.notify_all();
}

void TThread::Suspend() {
  if (ThisThread != this) throw EThread("A thread can only suspend itself");
  std::unique_lock<std::mutex> L(FLock);
  FSuspended = true;
  FWake.wait(L, [&] { return !FSuspended; });
}

bool TThread::Suspended() const {
  std::lock_guard<std::mutex> G(FLock);
  return !FStarted || FSuspended;
}

void TThread::Terminate() { FTerminated.store(true); }

int TThread::WaitFor() {
  if (ThisThread == this) throw EThread("Thread cannot wait for itself");
  std::exception_ptr Error = WaitForFinish();
  if (Error) std::rethrow_exception(Error);
  return FReturnValue.load();
}

std::exception_ptr TThread::WaitForFinish() {
  {
    std::lock_guard<std::mutex> G(FLock);
    if (!FStarted) StartOSThread();
  }
  if (!OnMainThread()) {
    std::unique_lock<std::mutex> L(FLock);
    FWake.wait(L, [&] { return FFinished.load(); });
    return nullptr;
  }
  // Keep serving the main-thread queue, or a thread that waits in Synchronize would never
  // finish. A queued method that raises does not end the wait; its exception is handed back.
  std::exception_ptr First;
  TSyncQueue& Q = SyncQueue();
  while (!FFinished.load()) {
    try {
      if (CheckSynchronize(0)) continue;
    } catch (...) {
      if (!First) First = std::current_exception();
      continue;
    }
    std::unique_lock<std::mutex> L(Q.Lock);
    Q.Cond.wait_for(L, std::chrono::milliseconds(50),
                    [&] { return !Q.Items.empty() || FFinished.load(); });
  }
  return First;
}

void TThread::DoTerminate() {
  if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

void TThread::ThreadProc(TThread* Self) {
  { std::lock_guard<std::mutex> G(Self->FLock); }  // the starter has finished assigning FThread
  ThisThread = Self;
  Self->FThreadID.store(GetCurrentThreadId());
  if (!Self->FTerminated.load()) {
    try {
      Self->Execute();
    } catch (...) {
      Self->FFatalException = std::current_exception();
    }
  }
  try {
    Self->DoTerminate();
  } catch (...) {
    if (!Self->FFatalException) Self->FFatalException = std::current_exception();
  }
  bool FreeSelf = Self->FFreeOnTerminate.load();
  {
    std::lock_guard<std::mutex> G(Self->FLock);
    Self->FFinished.store(true);
  }
  Self->FWake.notify_all();
  NotifyMainThread();
  ThisThread = nullptr;
  if (FreeSelf) delete Self;
}

// ---------------------------------------------------------------------------------------------
// TEvent

void TEvent::SetEvent() {
  {
    std::lock_guard<std::mutex> G(FLock);
    FSignaled = true;
  }
  if (FManualReset)
    FCond.notify_all();
  else
    FCond.notify_one();
}

void TEvent::ResetEvent() {
  std::lock_guard<std::mutex> G(FLock);
  FSignaled = false;
}

TWaitResult TEvent::WaitFor(uint32_t Timeout) {
  std::unique_lock<std::mutex> L(FLock);
  auto Ready = [&] { return FSignaled; };
  if (Timeout == INFINITE)
    FCond.wait(L, Ready);
  else if (!FCond.wait_for(L, std::chrono::milliseconds(Timeout), Ready))
    return wrTimeout;
  if (!FManualReset) FSignaled = false;
  return wrSignaled;
}

// ---------------------------------------------------------------------------------------------
// TMultiReadExclusiveWriteSynchronizer. Each thread's read depth per lock object lives in a
// thread-local table; FReaders counts the threads, other than the writer, that hold read locks.

namespace {
thread_local std::unordered_map<const void*, int> ReadDepth;
}

void TMultiReadExclusiveWriteSynchronizer::BeginRead() {
  TThreadID Me = GetCurrentThreadId();
  int& Depth = ReadDepth[this];
  std::unique_lock<std::mutex> L(FLock);
  if (FWriter == Me || Depth > 0) {
    ++Depth;
    return;
  }
  FCond.wait(L, [&] { return FWriter == 0; });
  ++FReaders;
  Depth = 1;
}

void TMultiReadExclusiveWriteSynchronizer::EndRead() {
  TThreadID Me = GetCurrentThreadId();
  auto It = ReadDepth.find(this);
  if (It == ReadDepth.end() || It->second == 0) return;  // unbalanced: ignore
  std::lock_guard<std::mutex> G(FLock);
  if (--It->second == 0) {
    ReadDepth.erase(It);
    if (FWriter != Me) {
      --FReaders;
      FCond.notify_all();
    }
  }
}

bool TMultiReadExclusiveWriteSynchronizer::BeginWrite() {
  TThreadID Me = GetCurrentThreadId();
  auto It = ReadDepth.find(this);
  bool Reading = It != ReadDepth.end() && It->second > 0;
  std::unique_lock<std::mutex> L(FLock);
  if (FWriter == Me) {
    ++FWriteDepth;
    return true;
  }
  if (Reading) {
    --FReaders;  // give up the read lock while waiting, or two upgraders would deadlock
    FCond.notify_all();
  }
  uint64_t Seen = FWriteCount;
  FCond.wait(L, [&] { return FWriter == 0 && FReaders == 0; });
  FWriter = Me;
  FWriteDepth = 1;
  return FWriteCount++ == Seen;
}

void TMultiReadExclusiveWriteSynchronizer::EndWrite() {
  TThreadID Me = GetCurrentThreadId();
  std::lock_guard<std::mutex> G(FLock);
  if (FWriter != Me) return;  // not the writer: ignore
  if (--FWriteDepth > 0) return;
  FWriter = 0;
  auto It = ReadDepth.find(this);
  if (It != ReadDepth.end() && It->second > 0) ++FReaders;  // still reading
  FCond.notify_all();
}

// ---------------------------------------------------------------------------------------------
// Interlocked operations.

int32_t InterlockedIncrement(int32_t& Target) { return std::atomic_ref<int32_t>(Target).fetch_add(1) + 1; }
int32_t InterlockedDecrement(int32_t& Target) { return std::atomic_ref<int32_t>(Target).fetch_sub(1) - 1; }
int32_t InterlockedExchange(int32_t& Target, int32_t Value) {
  return std::atomic_ref<int32_t>(Target).exchange(Value);
}
int32_t InterlockedExchangeAdd(int32_t& Target, int32_t Value) {
  return std::atomic_ref<int32_t>(Target).fetch_add(Value);
}
int32_t InterlockedCompareExchange(int32_t& Target, int32_t Exchange, int32_t Comparand) {
  std::atomic_ref<int32_t>(Target).compare_exchange_strong(Comparand, Exchange);
  return Comparand;
}
