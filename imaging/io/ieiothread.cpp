// Worker thread of the IO component.
#include "imaging/io/ieiothread.h"

#include <mutex>

#include "imaging/io/imageryio.h"

ORV_CLASS_IMPL(TIEIOThread, TThread)

TIEIOThread::TIEIOThread(TImageryIO* Owner, uint8_t Kind, std::function<void()> Call)
    : TThread(true), FOwner(Owner), FKind(Kind), FCall(std::move(Call)) {
  FOwner->FThreadsCS->Enter();
  FOwner->FThreads.push_back(this);
  FOwner->FThreadsCS->Leave();
  Start();
}

void TIEIOThread::Execute() {
  FThreadID.store(GetCurrentThreadId());
  {
    // One deferred call at a time per component: they share the target bitmap.
    std::lock_guard<std::mutex> work(FOwner->FWorkLock);
    try {
      FCall();
    } catch (...) {
      FOwner->Aborting.store(true);
    }
    FCall = nullptr;  // releases what the call kept alive (copied buffers) while still locked
  }
  FOwner->FThreadsCS->Enter();
  auto& list = FOwner->FThreads;
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i] == this) {
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  FOwner->FFinished.push_back(this);
  FOwner->FThreadsCS->Leave();
}
