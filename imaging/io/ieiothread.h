// TIEIOThread: one worker per deferred load or save of a TImageryIO in AsyncMode. It registers in
// its owner's worker list, re-enters the deferred call on its own thread (where the call runs
// instead of deferring again), turns any exception into the owner's Aborting flag and leaves the
// list when done. The owner joins and frees finished workers (WaitThreads, destructor).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "platform/rtl/threads.h"

class TImageryIO;

class TIEIOThread : public TThread {
  ORV_CLASS(TIEIOThread, TThread)
public:
  // Call kinds (the shape of the re-entered method).
  enum : uint8_t {
    ckFile = 0, ckStream = 1, ckFileCount = 2, ckStreamCount = 4, ckFileFormat = 5, ckStreamFormat = 6,
    ckAVIFrame = 8, ckMetafile = 9, ckURL = 10
  };
  // Registers in Owner's list and starts.
  TIEIOThread(TImageryIO* Owner, uint8_t Kind, std::function<void()> Call);

  uint8_t Kind() const { return FKind; }
  TThreadID RunningThreadID() const { return FThreadID.load(); }

protected:
  void Execute() override;

private:
  TImageryIO* FOwner;
  uint8_t FKind;
  std::function<void()> FCall;
  std::atomic<TThreadID> FThreadID{0};
};
