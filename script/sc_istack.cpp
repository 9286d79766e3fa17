// Script stacks: segments entered with ucontext on the same thread.
#include "script/sc_istack.h"

#include <pthread.h>
#include <sys/mman.h>
#include <ucontext.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

// The address sanitizer must be told of every stack switch. g++ announces it with
// __SANITIZE_ADDRESS__, clang through __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define SC_ASAN_FIBERS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SC_ASAN_FIBERS 1
#endif
#endif
#ifdef SC_ASAN_FIBERS
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

// One segment: reserved address space whose pages are backed only once a run reaches them.
// (Kept below 64 MB: the address sanitizer cleans up after exceptions only on stacks that size.)
constexpr size_t kSegmentSize = size_t(16) << 20;
// Segments one run may chain: the deepest recursion uses at most this much stack in all.
constexpr int kMaxSegments = 28;
// Never entered: the lowest pages of a segment stop a run that somehow passed the checks.
constexpr size_t kGuardSize = size_t(64) << 10;
// Room kept free below the deepest script frame of a segment for the native code a script
// calls (forms, dialogs, drawing) and for the error's own unwinding.
constexpr size_t kMargin = size_t(1) << 20;

struct TSegment {
  char* Base = nullptr;  // lowest address of the mapping
};

struct TStacks {
  std::vector<TSegment> Segments;
  ~TStacks() {
    for (TSegment& s : Segments)
      if (s.Base) munmap(s.Base, kSegmentSize);
  }
};

thread_local TStacks gStacks;
thread_local int gCurrent = -1;        // segment the thread runs on, -1 for its own stack
thread_local int gDeepestSegment = 0;  // deepest segment entered since the run began
thread_local char* gThreadLow = nullptr;

struct TCall {
  const std::function<void()>* F;
  std::exception_ptr Error;
  ucontext_t Caller;
#ifdef SC_ASAN_FIBERS
  const void* CallerBottom = nullptr;
  size_t CallerSize = 0;
#endif
};

thread_local TCall* gCall = nullptr;

void Entry() {
  TCall* c = gCall;
#ifdef SC_ASAN_FIBERS
  __sanitizer_finish_switch_fiber(nullptr, &c->CallerBottom, &c->CallerSize);
#endif
  try {
    (*c->F)();
  } catch (...) {
    c->Error = std::current_exception();
  }
#ifdef SC_ASAN_FIBERS
  // This context ends here: returning resumes the caller through uc_link.
  __sanitizer_start_switch_fiber(nullptr, c->CallerBottom, c->CallerSize);
#endif
}

char* ThreadStackLow() {
  if (!gThreadLow) {
    pthread_attr_t attr;
    void* addr = nullptr;
    size_t size = 0;
    if (pthread_getattr_np(pthread_self(), &attr) == 0) {
      pthread_attr_getstack(&attr, &addr, &size);
      pthread_attr_destroy(&attr);
    }
    // Unknown bounds: assume the common 8 MB below the current frame.
    gThreadLow = addr ? static_cast<char*>(addr)
                      : static_cast<char*>(__builtin_frame_address(0)) - (size_t(8) << 20);
  }
  return gThreadLow;
}

// Segment Index, mapped on first use; null when the address space is refused.
char* SegmentBase(int Index) {
  std::vector<TSegment>& segs = gStacks.Segments;
  if (static_cast<int>(segs.size()) <= Index) segs.resize(static_cast<size_t>(Index) + 1);
  TSegment& s = segs[static_cast<size_t>(Index)];
  if (!s.Base) {
    void* p = mmap(nullptr, kSegmentSize, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    s.Base = static_cast<char*>(p);
    mprotect(s.Base, kGuardSize, PROT_NONE);
  }
  return s.Base;
}

// Runs F on segment Index, switching from wherever the thread runs now.
void RunOnSegment(int Index, char* Base, const std::function<void()>& F) {
  TCall call;
  call.F = &F;
  ucontext_t callee;
  getcontext(&callee);
  callee.uc_stack.ss_sp = Base;
  callee.uc_stack.ss_size = kSegmentSize;
  callee.uc_link = &call.Caller;
  makecontext(&callee, Entry, 0);
  TCall* savedCall = gCall;
  int savedCurrent = gCurrent;
  gCall = &call;
  gCurrent = Index;
#ifdef SC_ASAN_FIBERS
  void* fake = nullptr;
  __sanitizer_start_switch_fiber(&fake, Base, kSegmentSize);
#endif
  swapcontext(&call.Caller, &callee);
#ifdef SC_ASAN_FIBERS
  __sanitizer_finish_switch_fiber(fake, nullptr, nullptr);
#endif
  gCurrent = savedCurrent;
  gCall = savedCall;
  if (Index > gDeepestSegment) gDeepestSegment = Index;
  if (savedCurrent < 0) {
    // The run is over: the further segments only deep runs reach give their pages back.
    for (int i = 1; i <= gDeepestSegment; ++i)
      madvise(gStacks.Segments[static_cast<size_t>(i)].Base + kGuardSize, kSegmentSize - kGuardSize,
              MADV_DONTNEED);
    gDeepestSegment = 0;
  }
  if (call.Error) std::rethrow_exception(call.Error);
}

}  // namespace

bool scStackLow() {
  char* here = static_cast<char*>(__builtin_frame_address(0));
  char* low = gCurrent >= 0 ? gStacks.Segments[static_cast<size_t>(gCurrent)].Base + kGuardSize
                            : ThreadStackLow();
  return here < low + kMargin;
}

void scRunOnScriptStack(const std::function<void()>& F) {
  if (gCurrent >= 0) {
    F();
    return;
  }
  char* base = SegmentBase(0);
  if (!base) {
    // No room for a stack of its own: run where we are; the checks still watch this stack.
    F();
    return;
  }
  RunOnSegment(0, base, F);
}

bool scRunOnFurtherStack(const std::function<void()>& F) {
  if (gCurrent < 0) {
    // On the thread's own stack (an event handler called by native code): enter the script
    // stack first.
    char* base = SegmentBase(0);
    if (!base) return false;
    RunOnSegment(0, base, F);
    return true;
  }
  int next = gCurrent + 1;
  if (next >= kMaxSegments) return false;
  char* base = SegmentBase(next);
  if (!base) return false;
  RunOnSegment(next, base, F);
  return true;
}
