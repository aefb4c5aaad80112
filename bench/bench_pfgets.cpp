// Line reading speed: pfgets against the C library's fgets and getline, over the same
// 10 MB file of short CR LF lines in one run. Each iteration reads the whole file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "filelib/fileio.h"

namespace {

constexpr std::size_t file_size = 10 * 1024 * 1024;
constexpr int line_capacity = 127;

std::string bench_directory;
const char bench_file_name[] = "bench_lines.txt";
std::string bench_path;

// Lines of 8 to 47 characters, as in the small settings files the menu reads.
bool write_bench_file() {
  std::FILE* out = std::fopen(bench_path.c_str(), "wb");
  if (!out) return false;
  std::size_t written = 0;
  unsigned state = 12345;
  std::string line;
  while (written < file_size) {
    state = state * 1103515245u + 12345u;
    const std::size_t length = 8 + (state >> 16) % 40;
    line.assign(length, ' ');
    for (std::size_t i = 0; i < length; ++i) line[i] = static_cast<char>('A' + (i + written) % 26);
    line += "\r\n";
    std::fwrite(line.data(), 1, line.size(), out);
    written += line.size();
  }
  return std::fclose(out) == 0;
}

void read_with_pfgets(benchmark::State& state) {
  pf_dir* dir = pfdir_new(bench_directory.c_str(), nullptr);
  if (!dir) {
    state.SkipWithError("no directory handle");
    return;
  }
  char buffer[line_capacity];
  for (auto _ : state) {
    pf_file* file = pfopen(dir, bench_file_name, "rb");
    long lines = 0;
    while (pfgets(file, buffer, line_capacity)) ++lines;
    benchmark::DoNotOptimize(lines);
    pfclose(file);
  }
  pfdir_close(dir);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * file_size);
}

void read_with_fgets(benchmark::State& state) {
  char buffer[line_capacity];
  for (auto _ : state) {
    std::FILE* file = std::fopen(bench_path.c_str(), "rb");
    long lines = 0;
    while (std::fgets(buffer, line_capacity, file)) ++lines;
    benchmark::DoNotOptimize(lines);
    std::fclose(file);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * file_size);
}

#ifndef _WIN32
void read_with_getline(benchmark::State& state) {
  char* line = nullptr;
  std::size_t capacity = 0;
  for (auto _ : state) {
    std::FILE* file = std::fopen(bench_path.c_str(), "rb");
    long lines = 0;
    while (getline(&line, &capacity, file) >= 0) ++lines;
    benchmark::DoNotOptimize(lines);
    std::fclose(file);
  }
  std::free(line);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * file_size);
}
#endif

}  // namespace

BENCHMARK(read_with_pfgets)->Unit(benchmark::kMillisecond);
BENCHMARK(read_with_fgets)->Unit(benchmark::kMillisecond);
#ifndef _WIN32
BENCHMARK(read_with_getline)->Unit(benchmark::kMillisecond);
#endif

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const std::filesystem::path directory =
      std::filesystem::temp_directory_path() / ("bench_pfgets_" + std::to_string(std::rand()));
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  bench_directory = directory.string();
  bench_path = (directory / bench_file_name).string();
  if (error || !write_bench_file()) {
    std::fprintf(stderr, "cannot write %s\n", bench_path.c_str());
    return 1;
  }
  fileio_init();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fileio_tidyup();
  std::filesystem::remove_all(directory, error);
  return 0;
}
