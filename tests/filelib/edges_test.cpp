// The library at its edges on every platform: memory running out while a file on disk is
// opened, archive headers that cannot be had, members past 2 GiB, member modes and null
// arguments, two replacements at once. One platform's own edges: edges_<platform>_test.cpp.
#include <filesystem>
#include <fstream>

#include "filelib/fastfile.h"
#include "scratch.h"
#include "seams.h"

using edges = fileio_test;

// Running out of memory while the loose file is opened ends the open: the archive's
// member of the same name is not handed out instead.
TEST_F(edges, memory_running_out_for_a_file_on_disk_ends_the_open) {
  write_bytes(in_base("FASTFILE.DAT"), archive_bytes({{"A.TXT", "archive"}, {"B.TXT", "b"}}));
  write_bytes(in_base("A.TXT"), "disk");
  pfclose(pfopen(dir, "B.TXT", "rb"));  // the archive's header is loaded from here on
  for (long request : {2, 3}) {         // after the handle: the name's copy, then the list node
    refuse_requests(refused_layer::pool, request, false);
    EXPECT_EQ(pfopen(dir, "A.TXT", "rb"), nullptr) << request;
    EXPECT_EQ(requests_refused(), 1);
    refuse_requests(refused_layer::pool, 0, false);
  }
  EXPECT_EQ(lines_of(pfopen(dir, "A.TXT", "rb")), std::vector<std::string>{"disk"});
}

// A header that cannot be had is refused like a corrupt archive, never a stop: memory runs
// out for it, or it claims more than the limit (in a sparse file of 4 GiB), which is not
// even asked for.
TEST_F(edges, an_archive_header_that_cannot_be_had_finds_nothing_and_stops_nothing) {
  std::vector<archive_member> many(200, {"FILLER", ""});  // an image above the pooled sizes
  many.push_back({"M1", "x"});
  write_bytes(in_base("FASTFILE.DAT"), archive_bytes(many));
  pffopen_header("");  // makes the cache list before memory runs out
  malloc_watch(1024);
  EXPECT_EQ(pffopen(dir, "M1", "rb"), nullptr);
  malloc_unwatch();
  for (const std::uint32_t claimed : {0xFFFFFFF0u, 0xF0000000u}) {
    std::string bytes = archive_bytes({{"BIG", "x"}});
    put_u32(&bytes, 8, claimed);
    write_bytes(in_base("FASTFILE.DAT"), bytes);
    std::error_code error;
    std::filesystem::resize_file(in_base("FASTFILE.DAT"), std::uintmax_t(1) << 32, error);
    if (error) GTEST_SKIP() << "no sparse file of 4 GiB here: " << error.message();
    malloc_watch(pff_header_length_limit);
    EXPECT_EQ(pffopen(dir, "BIG", "rb"), nullptr) << claimed;
    for (int i = 0; i < malloc_request_count(); ++i)
      EXPECT_LE(malloc_request_at(i).size, pff_header_length_limit) << claimed;
    malloc_unwatch();
  }
}

TEST_F(edges, members_open_for_reading_only_and_never_for_null_arguments) {
  write_bytes(in_base("FASTFILE.DAT"), archive_bytes({{"A.TXT", "a"}}));
  for (const char* mode : {"r", "rb", "rt", "rbt"})
    EXPECT_EQ(pfclose(pffopen(dir, "A.TXT", mode)), 1) << mode;
  // Windows' D deletes the file on close; N, S, c and e change how it is opened.
  for (const char* mode : {"rD", "rbD", "rN", "rS", "rc", "re"})
    EXPECT_EQ(pffopen(dir, "A.TXT", mode), nullptr) << mode;
  EXPECT_EQ(pffopen(dir, nullptr, "rb"), nullptr);
  EXPECT_EQ(pffopen(dir, "A.TXT", nullptr), nullptr);
}

// A member 2 GiB into a sparse archive still ends at the marker behind it, which takes
// 64-bit positions where long has 32 bits (Windows, 32-bit Linux).
TEST_F(edges, a_member_past_two_gib_ends_at_its_marker) {
  const std::uint32_t member_at = 0x80000010u;
  std::string bytes = archive_bytes({{"FAR.TXT", "one\r\n"}});
  put_u32(&bytes, 28 + 12, member_at);
  write_bytes(in_base("FASTFILE.DAT"), bytes);
  std::error_code error;
  std::filesystem::resize_file(in_base("FASTFILE.DAT"), member_at + 16, error);
  if (error) GTEST_SKIP() << "no sparse file of 2 GiB here: " << error.message();
  {
    std::fstream archive(in_base("FASTFILE.DAT"), std::ios::in | std::ios::out | std::ios::binary);
    archive.seekp(std::streamoff(member_at));
    archive << "one\r\n\032tail";
    ASSERT_TRUE(archive.good());
  }
  EXPECT_EQ(lines_of(pfopen(dir, "FAR.TXT", "rb")), std::vector<std::string>{"one"});
}

// A second replacement of a file fails while the first holds the temporary, and leaves
// the file and the first one's work whole; a temporary that no one holds is a crash's.
TEST_F(edges, a_replacement_under_way_keeps_every_other_from_its_temporary) {
  write_bytes(in_base("k.dat"), "old\r\n");
  pf_file* first = pfreplace_open(dir, "k.dat");
  EXPECT_EQ(pfputs(first, "first"), 1);
  EXPECT_EQ(pfreplace_open(dir, "k.dat"), nullptr);
  EXPECT_EQ(pfreplace_error(), fileio_os_error_busy);
  EXPECT_EQ(read_bytes(in_base("k.dat")), "old\r\n");
  EXPECT_EQ(pfputs(first, "two") + pfreplace_commit(first), 2);
  EXPECT_EQ(read_bytes(in_base("k.dat")), "first\r\ntwo\r\n");
  write_bytes(in_base("k.dat.new"), "stale");
  EXPECT_EQ(pfreplace_commit(pfreplace_open(dir, "k.dat")), 1);
  EXPECT_EQ(read_bytes(in_base("k.dat")) + read_bytes(in_base("k.dat.new")), "<missing>");  // empty, gone
}
