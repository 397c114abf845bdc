// Replaces the global operator new and delete with counting versions on top
// of malloc. The default array and nothrow forms of libstdc++ call these, so
// every C++ allocation in the process is seen.
#include "tools/bench/alloc_count.h"

#include <dlfcn.h>
#include <execinfo.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

namespace bench {
namespace {

constexpr int kRoles = static_cast<int>(Role::kCount);
constexpr int kMaxTraces = 8;
constexpr int kMaxFrames = 24;

std::atomic<bool> g_counting{false};
std::atomic<bool> g_tracing{false};
std::atomic<uint64_t> g_counts[kRoles];

struct Trace {
  Role role;
  int frames;
  void* stack[kMaxFrames];
};
Trace g_traces[kMaxTraces];
std::atomic<int> g_trace_count{0};

thread_local Role t_role = Role::Other;
thread_local bool t_in_trace = false;

const char* RoleName(Role role) {
  switch (role) {
    case Role::Core: return "core thread";
    case Role::Poll: return "polling thread";
    default: return "key event thread";
  }
}

void Count() {
  if (!g_counting.load(std::memory_order_relaxed)) return;
  g_counts[static_cast<int>(t_role)].fetch_add(1, std::memory_order_relaxed);
  if (!g_tracing.load(std::memory_order_relaxed) || t_in_trace) return;
  const int slot = g_trace_count.fetch_add(1, std::memory_order_relaxed);
  if (slot >= kMaxTraces) return;
  t_in_trace = true;  // backtrace may allocate the first time
  g_traces[slot].role = t_role;
  g_traces[slot].frames = backtrace(g_traces[slot].stack, kMaxFrames);
  t_in_trace = false;
}

void* Allocate(std::size_t size) {
  Count();
  if (void* p = std::malloc(size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}

void* AllocateAligned(std::size_t size, std::align_val_t align) {
  Count();
  void* p = nullptr;
  std::size_t alignment = static_cast<std::size_t>(align);
  if (alignment < sizeof(void*)) alignment = sizeof(void*);
  if (posix_memalign(&p, alignment, size != 0 ? size : 1) == 0) return p;
  throw std::bad_alloc();
}

// One frame as "file+offset", the form addr2line takes.
bool Locate(void* address, std::string& file, uintptr_t& offset) {
  Dl_info info{};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return false;
  file = info.dli_fname;
  // A return address points after the call; step back into it.
  offset = reinterpret_cast<uintptr_t>(address) - reinterpret_cast<uintptr_t>(info.dli_fbase) - 1;
  return true;
}

void PrintFrame(void* address) {
  std::string file;
  uintptr_t offset = 0;
  if (!Locate(address, file, offset)) {
    std::printf("      %p\n", address);
    return;
  }
  char command[1024];
  std::snprintf(command, sizeof command, "addr2line -Cfipe '%s' 0x%zx 2>/dev/null", file.c_str(),
                static_cast<size_t>(offset));
  std::string line;
  if (FILE* pipe = popen(command, "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) line += buffer;
    pclose(pipe);
  }
  if (line.empty() || line.rfind("??", 0) == 0) {
    std::printf("      %s+0x%zx\n", file.c_str(), static_cast<size_t>(offset));
  } else {
    std::printf("      %s", line.c_str());
  }
}

}  // namespace

void MarkThread(Role role) { t_role = role; }

void StartCounting() {
  for (auto& count : g_counts) count.store(0, std::memory_order_relaxed);
  g_counting.store(true, std::memory_order_seq_cst);
}

void StopCounting() { g_counting.store(false, std::memory_order_seq_cst); }

uint64_t Allocations(Role role) { return g_counts[static_cast<int>(role)].load(std::memory_order_relaxed); }

uint64_t TotalAllocations() {
  uint64_t total = 0;
  for (auto& count : g_counts) total += count.load(std::memory_order_relaxed);
  return total;
}

void TraceAllocations(bool on) {
  if (on) {
    void* warm[2];
    backtrace(warm, 2);  // loads the unwinder outside the counted window
  }
  g_tracing.store(on, std::memory_order_seq_cst);
}

void PrintAllocationTraces() {
  const int count = std::min(g_trace_count.load(), kMaxTraces);
  for (int i = 0; i < count; ++i) {
    // Identical stacks are printed once, with how many there were.
    bool seen = false;
    int same = 0;
    for (int j = 0; j < count; ++j) {
      const bool equal =
          g_traces[j].frames == g_traces[i].frames &&
          std::equal(g_traces[i].stack, g_traces[i].stack + g_traces[i].frames, g_traces[j].stack);
      if (equal && j < i) seen = true;
      if (equal) ++same;
    }
    if (seen) continue;
    std::printf("  %d of the first %d counted allocations, on the %s:\n", same, count,
                RoleName(g_traces[i].role));
    // Frame 0 is the counting itself; inlining decides how many of ours follow.
    for (int f = 1; f < g_traces[i].frames && f < 12; ++f) PrintFrame(g_traces[i].stack[f]);
  }
}

}  // namespace bench

void* operator new(std::size_t size) { return bench::Allocate(size); }
void* operator new(std::size_t size, std::align_val_t align) { return bench::AllocateAligned(size, align); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
