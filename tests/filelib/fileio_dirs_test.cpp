// Path objects, directory handles, the existence check and start-up.
#include "fileio_test_support.h"

#include <cctype>
#include <cstring>
#include <filesystem>
#include <utility>

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#endif

using directories = fileio_test;

static std::string lower_case(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

TEST_F(directories, names_compose_by_each_platforms_rules) {
  for (const char* name : {"Game", "data", "sub"}) make_directory(in_base(name));
  pf_path* parent = pfpath_new(base.c_str(), nullptr);
  ASSERT_NE(parent, nullptr);
  set_current_directory(base);
  const std::string refused = "(refused)", long_name(300, 'x');
  const std::string too_long_together(FILEIO_PATH_LIMIT - std::strlen(parent->path) + 1, 'y');
  const struct {
    bool path_object;
    std::string name;
    pf_path* parent;
    std::string expected;
  } cases[] = {
      {false, in_base("Game"), nullptr, in_base("Game") + sep},
      {false, in_base("Game") + sep, nullptr, in_base("Game") + sep},
      {false, in_base("Game") + sep + ".." + sep + "Game", nullptr,
       in_base("Game") + sep + ".." + sep + "Game" + sep},
      {false, "data", parent, std::string("data") + sep},
      {false, "", parent, ""},
      {false, "data", nullptr, refused},
      {false, "", nullptr, refused},
      {false, in_base("data"), parent, refused},
      {false, "missing", parent, refused},
      {false, in_base("missing"), nullptr, refused},
      {false, in_base(long_name), nullptr, refused},
      {false, long_name, parent, refused},
      {false, too_long_together, parent, refused},
#ifdef _WIN32
      // Windows ignores letter case, and the handle keeps the caller's.
      {false, lower_case(in_base("Game")), nullptr, lower_case(in_base("Game")) + sep},
      // A single leading backslash is relative; two make a network name, which is absolute.
      {false, "\\windows", nullptr, refused},
      {false, "\\\\server\\share", parent, refused},
#endif
      {true, base + sep, nullptr, base + sep},
      {true, "sub", parent, in_base("sub") + sep},
      {true, "sub", nullptr, in_base("sub") + sep},  // from the current directory
      {true, "missing", parent, refused},
      {true, in_base(long_name), nullptr, refused},
      {true, long_name, parent, refused},
      {true, too_long_together, parent, refused},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE((c.path_object ? "path " : "dir ") + c.name + (c.parent ? " under parent" : ""));
    if (c.path_object) {
      pf_path* path = pfpath_new(c.name.c_str(), c.parent);
      EXPECT_EQ(path ? std::string(path->path) : refused, c.expected);
      continue;
    }
    pf_dir* dir = pfdir_new(c.name.c_str(), c.parent);
    EXPECT_EQ(dir ? std::string(dir->path) : refused, c.expected);
    if (dir && c.parent)
      EXPECT_EQ(list_items(dir->search), std::vector<void*>{c.parent});
    else if (dir)
      EXPECT_EQ(dir->search, nullptr);
  }
  // The root gains no second separator.
  const std::string root = pfpath_new(std::string(1, sep).c_str(), nullptr)->path;
  EXPECT_TRUE(root.back() == sep && (root.size() == 1 || root[root.size() - 2] != sep)) << root;
}

TEST_F(directories, init_lists_its_handles_and_close_leaves_the_paths) {
  EXPECT_EQ(std::string(fileio_current_path->path), start_directory + sep);
  const std::string program = fileio_program_path->path;
  EXPECT_TRUE(std::filesystem::exists(program + "fileio_dirs_test") ||
              std::filesystem::exists(program + "fileio_dirs_test.exe"))
      << program;
  EXPECT_STREQ(fileio_program_dir->path, "");
  EXPECT_EQ(list_items(fileio_program_dir->search), (std::vector<void*>{fileio_program_path}));
  EXPECT_EQ(list_items(fileio_current_dir->search), (std::vector<void*>{fileio_current_path}));
  EXPECT_EQ(list_items(fileio_paths), (std::vector<void*>{fileio_program_path, fileio_current_path}));
  EXPECT_TRUE(list_items(fileio_files).empty());

  pf_dir* first = pfdir_new(base.c_str(), nullptr);
  pf_dir* second = pfdir_new("", fileio_current_path);
  const std::vector<void*> made_by_init = {fileio_program_dir, fileio_current_dir};
  EXPECT_EQ(list_items(fileio_dirs), (std::vector<void*>{made_by_init[0], made_by_init[1], first, second}));
  pfdir_close(first);
  pfdir_close(nullptr);
  EXPECT_EQ(list_items(fileio_dirs), (std::vector<void*>{made_by_init[0], made_by_init[1], second}));
  pfdir_close(second);
  EXPECT_EQ(list_items(fileio_dirs), made_by_init);
  EXPECT_EQ(std::string(fileio_current_path->path), start_directory + sep);
  EXPECT_EQ(list_items(fileio_paths).size(), 2u);
}

TEST_F(directories, existence_check_leaves_the_current_directory_alone) {
  make_directory(in_base("here"));
  make_directory(in_base("there"));
  set_current_directory(in_base("here"));
  const std::string before = current_directory();
  for (const auto& [name, exists] : {std::pair<const char*, bool>{"there", true}, {"nowhere", false}}) {
    EXPECT_EQ(pfdir_new(in_base(name).c_str(), nullptr) != nullptr, exists);
    EXPECT_EQ(pfpath_new(in_base(name).c_str(), nullptr) != nullptr, exists);
    EXPECT_EQ(current_directory(), before) << name;
  }
}

#ifndef _WIN32
TEST_F(directories, the_limit_counts_the_separator_a_path_object_gains) {
  // A directory whose absolute path has exactly FILEIO_PATH_LIMIT - 1 characters.
  ASSERT_LT(base.size(), 200u);
  std::string fits = base;
  while (fits.size() < FILEIO_PATH_LIMIT - 1) {
    const std::size_t room = FILEIO_PATH_LIMIT - 1 - fits.size() - 1;
    fits += sep + std::string(room <= 100 ? room : (room - 100 >= 2 ? 100 : 50), 'd');
    make_directory(fits);
  }
  pf_path* object = pfpath_new(fits.c_str(), nullptr);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(std::strlen(object->path), FILEIO_PATH_LIMIT);
  EXPECT_NE(pfdir_new(fits.c_str(), nullptr), nullptr);

  make_directory(fits + "f");
  EXPECT_EQ(pfpath_new((fits + "f").c_str(), nullptr), nullptr);
  EXPECT_EQ(pfdir_new((fits + "f").c_str(), nullptr), nullptr);
}
#else
// Needs a second drive E: (the test prefix maps one to a folder).
TEST_F(directories, existence_check_on_another_drive_restores_drives_and_directories) {
  if (!(_getdrives() & (1u << 4))) GTEST_SKIP() << "no drive E:";
  const std::string folder = "E:\\fileio_drive_" + std::to_string(_getpid());
  make_directory(folder + "\\sub");
  make_directory(folder + "\\parked");
  // Leave E: in a directory of its own, then come back to where the test started.
  set_current_directory(folder + "\\parked");
  set_current_directory(start_directory);
  char e_before[300], e_after[300];
  ASSERT_NE(_getdcwd(5, e_before, sizeof e_before), nullptr);
  const int drive_before = _getdrive();
  ASSERT_NE(drive_before, 5);

  pf_dir* dir = pfdir_new(lower_case(folder + "\\sub").c_str(), nullptr);
  ASSERT_NE(dir, nullptr);
  EXPECT_EQ(std::string(dir->path), lower_case(folder + "\\sub\\"));
  EXPECT_EQ(pfdir_new((folder + "\\missing").c_str(), nullptr), nullptr);
  EXPECT_NE(pfpath_new((folder + "\\sub").c_str(), nullptr), nullptr);

  ASSERT_NE(_getdcwd(5, e_after, sizeof e_after), nullptr);
  EXPECT_EQ(_getdrive(), drive_before);
  EXPECT_EQ(current_directory(), start_directory);
  EXPECT_STREQ(e_after, e_before);
  std::error_code error;
  std::filesystem::remove_all(folder, error);
}
#endif
