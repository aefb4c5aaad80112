// Opening and reading one file of 1,000: loose on disk against packed in a fast-file
// archive, through pfopen in both cases. Arguments pick the member: first, middle, last
// (the archive search is linear in record order).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/ratio_report.h"
#include "filelib/fastfile_format.h"
#include "filelib/fileio.h"

namespace {

constexpr int member_count = 1000;
const char member_text[] = "PRIMARY_HAL\r\nkorv.exe -some -game -options\r\n";

std::filesystem::path scratch;
pf_dir* loose_dir;
pf_dir* packed_dir;

std::string member_name(int index) {
  char name[16];
  std::snprintf(name, sizeof name, "F%04d.DAT", index);
  return name;
}

bool write_inputs() {
  std::filesystem::create_directories(scratch / "loose");
  std::filesystem::create_directories(scratch / "packed");
  std::vector<pff_member> members(member_count);
  std::uint32_t size = sizeof member_text - 1;
  for (int i = 0; i < member_count; ++i) {
    std::string name = member_name(i);
    std::snprintf(members[i].name, sizeof members[i].name, "%s", name.c_str());
    members[i].size = size;
    std::FILE* loose = std::fopen((scratch / "loose" / name).string().c_str(), "wb");
    if (loose == nullptr) return false;
    std::fwrite(member_text, 1, size, loose);
    std::fclose(loose);
  }
  std::uint32_t header_length = 0;
  std::FILE* archive = std::fopen((scratch / "packed" / "FASTFILE.DAT").string().c_str(), "wb");
  if (archive == nullptr || !pff_plan_layout(members.data(), member_count, 0, &header_length) ||
      !pff_write_header(archive, members.data(), member_count, 0, header_length))
    return false;
  for (int i = 0; i < member_count; ++i) pff_write_member_bytes(archive, member_text, size);
  return std::fclose(archive) == 0;
}

void open_and_read(benchmark::State& state, pf_dir* dir, std::uint32_t options) {
  std::string name = member_name(int(state.range(0)));
  std::uint32_t saved = fileio_options;
  fileio_options = options;
  char line[128];
  for (auto _ : state) {
    pf_file* file = pfopen(dir, name.c_str(), "rb");
    if (file == nullptr) {
      state.SkipWithError("member not found");
      break;
    }
    int lines = 0;
    while (pfgets(file, line, sizeof line)) ++lines;
    benchmark::DoNotOptimize(lines);
    pfclose(file);
  }
  fileio_options = saved;
}

void BM_loose_file(benchmark::State& state) {
  open_and_read(state, loose_dir, 0);
}

// Default order: the disk is tried first and misses, then the cached archive answers.
void BM_archive_member(benchmark::State& state) {
  open_and_read(state, packed_dir, 0);
}

void BM_archive_member_archive_first(benchmark::State& state) {
  open_and_read(state, packed_dir, FILEIO_ARCHIVE_FIRST);
}

// A name in neither place, in the folder of 1,000 loose files and no archive: the disk
// misses, then the archive's absence, remembered for the folder, answers without listing
// it again. Against the C library's failed fopen of the same path.
void BM_absent_without_archive(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(pfopen(loose_dir, "ABSENT.DAT", "rb"));
}

void BM_absent_fopen(benchmark::State& state) {
  const std::string path = (scratch / "loose" / "ABSENT.DAT").string();
  for (auto _ : state) benchmark::DoNotOptimize(std::fopen(path.c_str(), "rb"));
}

const int member_positions[] = {0, 500, 999};

BENCHMARK(BM_loose_file)->Arg(0)->Arg(500)->Arg(999);
BENCHMARK(BM_archive_member)->Arg(0)->Arg(500)->Arg(999);
BENCHMARK(BM_archive_member_archive_first)->Arg(0)->Arg(500)->Arg(999);
BENCHMARK(BM_absent_without_archive);
BENCHMARK(BM_absent_fopen);

// Each member against the loose file of the same name: at most 1.5 times its time in the
// default order (which first misses on disk), at most 1.1 times with the archive first.
std::vector<bench_ratio> member_ratios() {
  std::vector<bench_ratio> ratios;
  for (int position : member_positions) {
    const std::string loose = "BM_loose_file/" + std::to_string(position);
    ratios.push_back({"member " + std::to_string(position) + " / loose, default order",
                      "BM_archive_member/" + std::to_string(position), loose, false, 1.5});
    ratios.push_back({"member " + std::to_string(position) + " / loose, archive first",
                      "BM_archive_member_archive_first/" + std::to_string(position), loose, false, 1.1});
  }
  ratios.push_back(
      {"absent, folder without archive / fopen", "BM_absent_without_archive", "BM_absent_fopen", false, 0});
  return ratios;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  scratch = std::filesystem::temp_directory_path() /
            ("bench_fastfile_" + std::to_string(std::uintmax_t(std::hash<std::string>{}(argv[0]))));
  std::error_code ignored;
  std::filesystem::remove_all(scratch, ignored);
  fileio_init();
  if (!write_inputs()) {
    std::fprintf(stderr, "bench_fastfile: cannot write the inputs under %s\n", scratch.string().c_str());
    return 1;
  }
  // Its absence is remembered only for a folder that has not changed for a few seconds.
  std::filesystem::last_write_time(scratch / "loose",
                                   std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  loose_dir = pfdir_new((scratch / "loose").string().c_str(), nullptr);
  packed_dir = pfdir_new((scratch / "packed").string().c_str(), nullptr);
  if (loose_dir == nullptr || packed_dir == nullptr) return 1;
  ratio_reporter reporter(member_ratios());
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  pfdir_close(loose_dir);
  pfdir_close(packed_dir);
  fileio_tidyup();
  std::filesystem::remove_all(scratch, ignored);
  return 0;
}
