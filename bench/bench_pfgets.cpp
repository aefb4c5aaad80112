// Line reading speed: pfgets against the C library's fgets (and getline) over the same
// 10 MB files in one run. Each iteration reads one whole file. The files: short lines of
// 8 to 47 characters ending in CR LF, as in the small settings files the menu reads, and
// lines of about 45 characters ending in CR LF, in LF, and one in three in CR LF with the
// rest in LF.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/ratio_report.h"
#include "filelib/fileio.h"

namespace {

constexpr std::size_t file_size = 10 * 1024 * 1024;
constexpr int line_capacity = 127;

struct bench_text {
  const char* name;
  std::size_t shortest;
  std::size_t longest;
  int crlf_every;  // every n-th line ends in CR LF, the others in LF
};

// clang-format off
const bench_text texts[] = {
    {"short_crlf", 8, 47, 1},
    {"crlf", 40, 50, 1},
    {"lf", 40, 50, 0},
    {"mixed", 40, 50, 3},
};
// clang-format on

std::filesystem::path bench_directory;
pf_dir* bench_dir;

std::string file_name(const bench_text& text) {
  return std::string(text.name) + ".txt";
}

std::string file_path(const bench_text& text) {
  return (bench_directory / file_name(text)).string();
}

bool write_text(const bench_text& text) {
  std::FILE* out = std::fopen(file_path(text).c_str(), "wb");
  if (!out) return false;
  std::size_t written = 0;
  unsigned state = 12345;
  std::string line;
  for (long number = 1; written < file_size; ++number) {
    state = state * 1103515245u + 12345u;
    const std::size_t length = text.shortest + (state >> 16) % (text.longest - text.shortest + 1);
    line.assign(length, ' ');
    for (std::size_t i = 0; i < length; ++i) line[i] = static_cast<char>('A' + (i + written) % 26);
    line += text.crlf_every != 0 && number % text.crlf_every == 0 ? "\r\n" : "\n";
    std::fwrite(line.data(), 1, line.size(), out);
    written += line.size();
  }
  return std::fclose(out) == 0;
}

void read_with_pfgets(benchmark::State& state, const bench_text* text) {
  const std::string name = file_name(*text);
  char buffer[line_capacity];
  for (auto _ : state) {
    pf_file* file = pfopen(bench_dir, name.c_str(), "rb");
    long lines = 0;
    while (pfgets(file, buffer, line_capacity)) ++lines;
    benchmark::DoNotOptimize(lines);
    pfclose(file);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * file_size);
}

void read_with_fgets(benchmark::State& state, const bench_text* text) {
  const std::string path = file_path(*text);
  char buffer[line_capacity];
  for (auto _ : state) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    long lines = 0;
    while (std::fgets(buffer, line_capacity, file)) ++lines;
    benchmark::DoNotOptimize(lines);
    std::fclose(file);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * file_size);
}

void read_with_getline(benchmark::State& state, const bench_text* text) {
  const std::string path = file_path(*text);
  char* line = nullptr;
  std::size_t capacity = 0;
  for (auto _ : state) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    long lines = 0;
    while (getline(&line, &capacity, file) >= 0) ++lines;
    benchmark::DoNotOptimize(lines);
    std::fclose(file);
  }
  std::free(line);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * file_size);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench_directory = std::filesystem::temp_directory_path() / ("bench_pfgets_" + std::to_string(std::rand()));
  std::error_code error;
  std::filesystem::create_directories(bench_directory, error);
  for (const bench_text& text : texts) {
    if (error || !write_text(text)) {
      std::fprintf(stderr, "cannot write %s\n", file_path(text).c_str());
      return 1;
    }
  }
  fileio_init();
  bench_dir = pfdir_new(bench_directory.string().c_str(), nullptr);
  if (!bench_dir) return 1;

  std::vector<bench_ratio> ratios;
  for (const bench_text& text : texts) {
    const std::string prefix = std::string("lines/") + text.name + "/";
    benchmark::RegisterBenchmark((prefix + "pfgets").c_str(), read_with_pfgets, &text)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((prefix + "fgets").c_str(), read_with_fgets, &text)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((prefix + "getline").c_str(), read_with_getline, &text)
        ->Unit(benchmark::kMillisecond);
    ratios.push_back({std::string("pfgets throughput / fgets, ") + text.name, prefix + "pfgets",
                      prefix + "fgets", true, 0.8});
  }
  ratio_reporter reporter(ratios);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  pfdir_close(bench_dir);
  fileio_tidyup();
  std::filesystem::remove_all(bench_directory, error);
  return 0;
}
