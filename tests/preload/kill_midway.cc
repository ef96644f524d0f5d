// Loaded into a program under test (LD_PRELOAD), it kills the program with
// SIGKILL just before a write through fwrite would take the bytes written so
// far beyond KESTRAM_KILL_AFTER_BYTES: a run stopped half way through its
// outputs, at the same point on any machine.
#include <dlfcn.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>

extern "C" size_t fwrite(const void* data, size_t size, size_t count, FILE* file) {
  using Fwrite = size_t (*)(const void*, size_t, size_t, FILE*);
  static const Fwrite real = reinterpret_cast<Fwrite>(dlsym(RTLD_NEXT, "fwrite"));
  static const unsigned long long limit = [] {
    const char* value = getenv("KESTRAM_KILL_AFTER_BYTES");
    return value != nullptr ? strtoull(value, nullptr, 10) : 0ULL;
  }();
  static std::atomic<unsigned long long> written{0};
  if (limit != 0 && written.fetch_add(size * count) + size * count > limit) kill(getpid(), SIGKILL);
  return real(data, size, count, file);
}
