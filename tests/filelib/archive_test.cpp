// Fast-file archives: finding members, the header cache, the search order of pfopen,
// archives that must be refused, modes that must not write, and running out of memory.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "filelib/fastfile.h"
#include "filelib/fastfile_disk.h"
#include "scratch.h"
#include "seams.h"
#include "support/pool.h"

namespace {

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

int cached_headers() {
  return pff_cache ? int(list_items(pff_cache).size()) : 0;
}

class archives : public fileio_test {
 protected:
  void TearDown() override {
    fileio_options = 4;
    std::memset(pff_archive_name, 0, sizeof pff_archive_name);
    fileio_test::TearDown();
  }
  // Lines as pfgets returns them until it reports the end; closes the file.
  std::vector<std::string> lines_of(pf_file* file) {
    std::vector<std::string> lines;
    char buffer[128];
    while (file && pfgets(file, buffer, sizeof buffer)) lines.push_back(buffer);
    pfclose(file);
    return lines;
  }
  // The archive's bytes as pffind sees them from the member on; closes the stream.
  std::string found(const std::string& directory, const std::string& name) {
    std::string path = directory + name, bytes;
    pf_file file{};
    if (!pffind(&file, directory.size(), &path[0], "rb")) return "(none)";
    for (int c; (c = std::fgetc(file.stream)) != EOF;) bytes.push_back(static_cast<char>(c));
    std::fclose(file.stream);
    return bytes;
  }
  std::string archive() const { return in_base("FASTFILE.DAT"); }
};

TEST_F(archives, names_match_by_prefix_from_first_entry_and_the_header_loads_once_per_path) {
  // clang-format off
  write_bytes(archive(), archive_bytes({{"HIDDEN.TXT", "hidden"}, {"FOO.DAT", "foo"}, {"TWIN.TXT", "first"},
                                        {"TWIN.TXT", "second"}, {"TWELVECHARS1", "12"}, {"SHORT", "short"}}, 1));
  // clang-format on
  const std::string prefix = base + sep;
  EXPECT_EQ(found(prefix, "foo.da"), "foo\032first\032second\03212\032short\032");
  const int cached = cached_headers();
  EXPECT_EQ(std::string(static_cast<pff_header*>(pff_cache->next->item)->archive), upper(archive()));
  EXPECT_EQ(found(prefix, "TWIN.TXT").substr(0, 5), "first");
  EXPECT_EQ(found(prefix, "TWELVECHARS1").substr(0, 2), "12");
  // 13 characters never match, nor records before first_entry; the NUL after a shorter
  // stored name differs from a longer requested one.
  for (const char* name : {"TWELVECHARS1X", "SHORTER", "HIDDEN.TXT", "MISSING", ""})
    EXPECT_EQ(found(prefix, name), "(none)") << name;
  // The image in memory answers from now on, whatever the spelling of the path.
  write_bytes(archive(), "no longer an archive");
  EXPECT_NE(found(upper(prefix), "short"), "(none)");
  EXPECT_EQ(cached_headers(), cached);
}

TEST_F(archives, members_read_from_their_offset_and_stop_only_at_an_end_marker) {
  std::string bytes =
      archive_bytes({{"FIRST.TXT", "one\r\ntwo"}, {"INNER.TXT", "a\032b\r\nc"}, {"SPILL.TXT", "head tail"}});
  put_u32(&bytes, 28 + 2 * 24 + 16, 4);  // SPILL.TXT claims only "head": what follows is no marker
  write_bytes(archive(), bytes);
  pf_file* first = pfopen(dir, "first.txt", "rb");
  ASSERT_TRUE(first && first->entry);
  EXPECT_EQ(first->name, nullptr);
  EXPECT_EQ(std::ftell(first->stream), long(first->entry->offset));
  EXPECT_EQ(lines_of(first), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(lines_of(pfopen(dir, "INNER.TXT", "rb")), (std::vector<std::string>{"a\032b", "c"}));
  EXPECT_EQ(lines_of(pfopen(dir, "SPILL.TXT", "rb")), std::vector<std::string>{"head tail"});
  // Each member handle has its own stream and its mode's binary flag.
  pf_file* plain = pfopen(dir, "FIRST.TXT", "r");
  pf_file* text = pfopen(dir, "FIRST.TXT", "rt");
  ASSERT_TRUE(plain && text);
  EXPECT_EQ(plain->binary * 2 + text->binary, 2);
  EXPECT_NE(plain->stream, text->stream);
  EXPECT_EQ(pfclose(plain), 1);
  EXPECT_EQ(std::fgetc(text->stream), 'o');
  pfclose(text);
}

TEST_F(archives, disk_comes_first_unless_archive_first_is_set_and_relative_handles_look_under_their_parent) {
  make_directory(in_base("Sub Dir"));
  write_bytes(in_base("Sub Dir") + sep + "FastFile.dat",
              archive_bytes({{"BOTH.TXT", "archive"}, {"PACKED.TXT", "packed"}}));
  write_bytes(in_base("Sub Dir") + sep + "OTHER.PAK", archive_bytes({{"PACKED.TXT", "other"}}));
  write_bytes(in_base("Sub Dir") + sep + "BOTH.TXT", "disk");
  pf_dir* sub = pfdir_new("Sub Dir", pfpath_new(base.c_str(), nullptr));
  for (auto [options, both] : {std::pair<std::uint32_t, const char*>{4, "disk"}, {5, "archive"}}) {
    fileio_options = options;
    EXPECT_EQ(lines_of(pfopen(sub, "BOTH.TXT", "rb")), std::vector<std::string>{both});
    EXPECT_EQ(lines_of(pfopen(sub, "packed.txt", "rb")), std::vector<std::string>{"packed"});
    EXPECT_EQ(pfexists(sub, "PACKED.TXT") * 2 + pfexists(sub, "ABSENT.TXT"), 2);
  }
  std::strcpy(pff_archive_name, "other.pak");
  EXPECT_EQ(lines_of(pffopen(sub, "packed.txt", "rb")), std::vector<std::string>{"other"});
  // A write mode never reaches the archive: archive first, it falls through to the disk.
  const std::string before = read_bytes(in_base("Sub Dir") + sep + "OTHER.PAK");
  for (const char* mode : {"w", "wb", "a", "r+", "rb+", "w+", "a+b"})
    EXPECT_EQ(pffopen(sub, "PACKED.TXT", mode), nullptr) << mode;
  pf_file* written = pfopen(sub, "PACKED.TXT", "wb");
  ASSERT_TRUE(written && written->name);
  pfclose(written);
  EXPECT_EQ(read_bytes(in_base("Sub Dir") + sep + "OTHER.PAK"), before);
  pfdir_close(sub);
}

TEST_F(archives, corrupt_archives_are_refused_and_not_cached) {
  const std::string sound = archive_bytes({{"A.TXT", "alpha"}, {"B.TXT", "beta"}});
  const std::uint32_t end = std::uint32_t(sound.size());
  constexpr std::uint32_t length = 8, flags = 12, first = 20, count = 24, record = 28;
  const struct {
    std::size_t kept;                                              // bytes kept of the sound archive
    std::vector<std::pair<std::uint32_t, std::uint32_t>> patches;  // offset, new value
    int outcome;  // 0: refused, 1: loaded but nothing found, 2: found
  } cases[] = {
      // clang-format off
      {7, {}, 0}, {20, {}, 0}, {end, {{4, 0x32323232u}}, 0}, {end, {{flags, 0x80000001u}}, 0},
      {end, {{length, 0}}, 0}, {end, {{length, 27}}, 0}, {end, {{length, record + 47}}, 0},
      {end, {{length, 0xFFFFFFF0u}}, 0}, {end, {{length, end + 1}}, 0}, {end, {{first, 0xFFFFFFFFu}}, 0},
      {end, {{first, 0x7FFFFFFFu}, {count, 1}}, 0}, {end, {{count, 0x7FFFFFFFu}}, 0},
      {end, {{first, 1}, {count, 2}}, 0}, {end, {{record + 36, end + 1}}, 0},
      {end, {{record + 12, 0xFFFFFFFFu}}, 0}, {end, {{record + 16, 0xFFFFFFF0u}}, 0},
      // Uninterpreted fields are not looked at; an empty or negative count loads but finds nothing.
      {end, {{flags, 0xFFFFFFFEu}, {16, 0xDEADBEEFu}, {record + 20, 0xDEADBEEFu}}, 2},
      {end, {{count, 0}}, 1}, {end, {{count, 0x80000000u}}, 1},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    std::string bytes = sound.substr(0, c.kept);
    for (auto [at, value] : c.patches) put_u32(&bytes, at, value);
    const std::string folder = in_base(std::to_string(&c - cases));
    make_directory(folder);
    write_bytes(folder + sep + "FASTFILE.DAT", bytes);
    pf_dir* handle = pfdir_new(folder.c_str(), nullptr);
    const int cached = cached_headers();
    pf_file* member = pffopen(handle, "A.TXT", "rb");
    EXPECT_EQ(member != nullptr, c.outcome == 2);
    EXPECT_EQ(pfexists(handle, "B.TXT"), c.outcome == 2);
    EXPECT_EQ(cached_headers(), cached + (c.outcome > 0));
    pfclose(member);
    pfdir_close(handle);
  }
}

TEST_F(archives, overlong_paths_find_nothing_and_running_out_of_memory_stops_with_the_functions_name) {
  std::vector<archive_member> many;
  for (int i = 0; i < 200; ++i)
    many.push_back({"M" + std::to_string(i), "x"});  // an image above pooled sizes
  write_bytes(archive(), archive_bytes(many));
  EXPECT_EQ(pffopen(nullptr, "M1", "rb"), nullptr);
  std::memset(pff_archive_name, 'Y', sizeof pff_archive_name);  // not even terminated: still bounded
  EXPECT_EQ(pffopen(dir, "M1", "rb"), nullptr);
  std::memset(pff_archive_name, 0, sizeof pff_archive_name);
  EXPECT_EQ(pffopen(dir, std::string(600, 'N').c_str(), "rb"), nullptr);
  EXPECT_EQ(pffopen_header(std::string(274, 'P').c_str()), nullptr);
#ifndef _WIN32         // the stop shows its message on standard error here, a box on Windows
  pffopen_header("");  // makes the cache list before memory runs out
  EXPECT_EXIT((malloc_watch(1024), pffopen(dir, "M1", "rb")), ::testing::ExitedWithCode(0),
              "pffopen_header\\(\\): out of memory");
  EXPECT_EXIT((refuse_requests(refused_layer::pool, 1, false), pffopen(dir, "M1", "rb")),
              ::testing::ExitedWithCode(0), "pffopen\\(\\): out of memory");
#endif
  pf_file* member = pffopen(dir, "M1", "rb");
  EXPECT_EQ(lines_of(member), std::vector<std::string>{"x"});
}

#ifndef _WIN32
// Where letter case matters, an exact spelling wins, then the first match in byte order.
TEST_F(archives, case_matching_prefers_the_exact_spelling_then_byte_order) {
  const std::string wanted = upper(in_base("FASTFILE.DAT"));
  char real[PFF_ARCHIVE_PATH_LIMIT + 1];
  for (const char* spelling : {"fastFILE.dat", "Fastfile.dat", "FASTFILE.DAT"}) {  // each wins over the last
    write_bytes(in_base(spelling), "");
    ASSERT_TRUE(pff_disk_resolve(wanted.c_str(), real, sizeof real));
    EXPECT_EQ(std::string(real), in_base(spelling));
  }
  EXPECT_FALSE(pff_disk_resolve(upper(in_base("NOFILE.DAT")).c_str(), real, sizeof real));
  EXPECT_FALSE(pff_disk_resolve(wanted.c_str(), real, 10));
}
#endif

}  // namespace
