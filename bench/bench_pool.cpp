// The pooled allocator and the lists against glibc's malloc, jemalloc and mimalloc on the
// same request patterns, in one run. jemalloc and mimalloc both export malloc and free, so
// linking either replaces glibc's allocator in the whole program. jemalloc is linked (its
// thread-local storage cannot be dlopen'ed) and called through mallocx/sdallocx; glibc's
// own allocator stays reachable as __libc_malloc/__libc_free, which plain malloc aliases
// when nothing replaces it; mimalloc is loaded privately with dlopen and called as
// mi_malloc/mi_free.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <jemalloc/jemalloc.h>

#include <cstdint>
#include <cstdio>

#include "bench/ratio_report.h"
#include "support/list.h"
#include "support/pool.h"

extern "C" void* __libc_malloc(std::size_t size);
extern "C" void __libc_free(void* block);

namespace {

// One allocator as the benchmarks see it: a block is released with its size, as the pool
// requires; the others ignore the size or use it as a hint where their API takes one.
struct allocator {
  void* (*alloc)(std::size_t size);
  void (*release)(void* block, std::size_t size);
};

void* pool_alloc_bytes(std::size_t size) {
  return pool_alloc(static_cast<std::uint32_t>(size));
}
void pool_release(void* block, std::size_t size) {
  pool_free(block, static_cast<std::uint32_t>(size));
}
void* libc_alloc(std::size_t size) {
  return __libc_malloc(size);
}
void libc_release(void* block, std::size_t) {
  __libc_free(block);
}
void* jemalloc_alloc(std::size_t size) {
  return mallocx(size, 0);
}
void jemalloc_release(void* block, std::size_t size) {
  sdallocx(block, size, 0);
}

void* (*mimalloc_malloc)(std::size_t);
void (*mimalloc_free)(void*);

void* mimalloc_alloc(std::size_t size) {
  return mimalloc_malloc(size);
}
void mimalloc_release(void* block, std::size_t) {
  mimalloc_free(block);
}

const allocator pool_allocator = {pool_alloc_bytes, pool_release};
const allocator libc_allocator = {libc_alloc, libc_release};
const allocator jemalloc_allocator = {jemalloc_alloc, jemalloc_release};
const allocator mimalloc_allocator = {mimalloc_alloc, mimalloc_release};

template <typename function>
bool load_symbol(void* library, const char* name, function* target) {
  void* symbol = library != nullptr ? dlsym(library, name) : nullptr;
  *target = reinterpret_cast<function>(symbol);
  return symbol != nullptr;
}

bool load_mimalloc() {
  void* library = dlopen(MIMALLOC_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  return load_symbol(library, "mi_malloc", &mimalloc_malloc) &&
         load_symbol(library, "mi_free", &mimalloc_free);
}

// One allocation and its release, over and over: the pool's pop-and-push fast path.
// Calls go straight to each allocator, as a program would make them.
void pool_pair(benchmark::State& state) {
  const std::uint32_t size = static_cast<std::uint32_t>(state.range(0));
  for (auto _ : state) {
    void* block = pool_alloc(size);
    benchmark::DoNotOptimize(block);
    pool_free(block, size);
  }
}

void libc_pair(benchmark::State& state) {
  const std::size_t size = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    void* block = __libc_malloc(size);
    benchmark::DoNotOptimize(block);
    __libc_free(block);
  }
}

void jemalloc_pair(benchmark::State& state) {
  const std::size_t size = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    void* block = mallocx(size, 0);
    benchmark::DoNotOptimize(block);
    sdallocx(block, size, 0);
  }
}

void mimalloc_pair(benchmark::State& state) {
  const std::size_t size = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    void* block = mimalloc_malloc(size);
    benchmark::DoNotOptimize(block);
    mimalloc_free(block);
  }
}

// A burst: count blocks of mixed small sizes (the sizes of path records, handles and name
// copies) allocated in a row, then released in a scattered order.
constexpr int max_burst = 1024;
std::uint32_t burst_sizes[max_burst];
int release_order[max_burst];
void* burst_blocks[max_burst];

void prepare_burst(int count) {
  std::uint32_t seed = 12345;
  auto next_random = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return seed >> 16;
  };
  const std::uint32_t sizes[] = {12, 24, 24, 32, 40, 64, 100, 128, 260, 300};
  for (int i = 0; i < count; ++i) {
    burst_sizes[i] = sizes[next_random() % (sizeof sizes / sizeof sizes[0])];
    release_order[i] = i;
  }
  for (int i = count - 1; i > 0; --i) {
    const int other = static_cast<int>(next_random() % static_cast<std::uint32_t>(i + 1));
    const int kept = release_order[i];
    release_order[i] = release_order[other];
    release_order[other] = kept;
  }
}

void burst(benchmark::State& state, const allocator* heap) {
  const int count = static_cast<int>(state.range(0));
  prepare_burst(count);
  for (auto _ : state) {
    for (int i = 0; i < count; ++i) burst_blocks[i] = heap->alloc(burst_sizes[i]);
    benchmark::ClobberMemory();
    for (int i = 0; i < count; ++i) {
      const int which = release_order[i];
      heap->release(burst_blocks[which], burst_sizes[which]);
    }
  }
  state.SetItemsProcessed(state.iterations() * count);
}

// The lists as the file library uses them: add a record at the back, take it out again.
void list_append_remove(benchmark::State& state) {
  list_node* head = list_create();
  int record = 0;
  for (auto _ : state) {
    list_node* node = list_append(&record, head);
    benchmark::DoNotOptimize(node);
    list_remove(&record, head);
  }
  list_destroy(head);
}

// Fill a list with count records, then empty it front first, as tidy-up does.
void list_fill_and_drain(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  static int records[max_burst];
  list_node* head = list_create();
  for (auto _ : state) {
    for (int i = 0; i < count; ++i) list_append(&records[i], head);
    while (head->next != head) list_remove(head->next->item, head);
  }
  list_destroy(head);
  state.SetItemsProcessed(state.iterations() * count);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const bool have_mimalloc = load_mimalloc();
  if (!have_mimalloc) std::fprintf(stderr, "bench_pool: mimalloc not loaded: %s\n", dlerror());

  for (int size : {16, 64, 256}) {
    benchmark::RegisterBenchmark("pair/pool", pool_pair)->Arg(size);
    benchmark::RegisterBenchmark("pair/glibc", libc_pair)->Arg(size);
    benchmark::RegisterBenchmark("pair/jemalloc", jemalloc_pair)->Arg(size);
    if (have_mimalloc) benchmark::RegisterBenchmark("pair/mimalloc", mimalloc_pair)->Arg(size);
  }
  for (int count : {64, 1024}) {
    benchmark::RegisterBenchmark("burst/pool", burst, &pool_allocator)->Arg(count);
    benchmark::RegisterBenchmark("burst/glibc", burst, &libc_allocator)->Arg(count);
    benchmark::RegisterBenchmark("burst/jemalloc", burst, &jemalloc_allocator)->Arg(count);
    if (have_mimalloc) benchmark::RegisterBenchmark("burst/mimalloc", burst, &mimalloc_allocator)->Arg(count);
  }
  benchmark::RegisterBenchmark("list/append_remove", list_append_remove);
  benchmark::RegisterBenchmark("list/fill_and_drain", list_fill_and_drain)->Arg(64);

  // The pool against each allocator on the same pattern: at most half of glibc's time, and
  // no more than the others'.
  std::vector<bench_ratio> ratios;
  for (const char* pattern : {"pair/%s/16", "pair/%s/64", "pair/%s/256", "burst/%s/64", "burst/%s/1024"}) {
    char pool[32];
    std::snprintf(pool, sizeof pool, pattern, "pool");
    for (const char* other : {"glibc", "jemalloc", "mimalloc"}) {
      char alternative[32];
      std::snprintf(alternative, sizeof alternative, pattern, other);
      ratios.push_back({std::string(pool) + " / " + other, pool, alternative, false,
                        std::string(other) == "glibc" ? 0.5 : 1.0});
    }
  }
  ratio_reporter reporter(ratios);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
