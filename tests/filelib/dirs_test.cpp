// Path objects, directory handles, the existence check and start-up.
#include <cstring>
#include <filesystem>

#include "scratch.h"

using directories = fileio_test;

TEST_F(directories, names_compose_by_each_platforms_rules_and_leave_the_current_directory_alone) {
  check_given_back = false;
  for (const char* name : {"Game", "data", "sub"}) make_directory(in_base(name));
  pf_path* parent = pfpath_new(base.c_str(), nullptr);
  ASSERT_NE(parent, nullptr);
  set_current_directory(base);
  const std::string no = "(refused)", s(1, sep), long_name(300, 'x');
  const std::string one_too_long(FILEIO_PATH_LIMIT - std::strlen(parent->path) + 1, 'y');
  struct row {
    bool path_object;
    std::string name;
    pf_path* parent;
    std::string expected;
  };
  std::vector<row> cases = {
      // clang-format off
      {false, in_base("Game"), nullptr, in_base("Game") + s}, {false, in_base("Game") + s, nullptr, in_base("Game") + s},
      {false, in_base("Game") + s + ".." + s + "Game", nullptr, in_base("Game") + s + ".." + s + "Game" + s},
      {false, "data", parent, "data" + s}, {false, "", parent, ""}, {false, "data", nullptr, no},
      {false, "", nullptr, no}, {false, in_base("data"), parent, no}, {false, "missing", parent, no},
      {false, in_base("missing"), nullptr, no}, {false, in_base(long_name), nullptr, no},
      {false, long_name, parent, no}, {false, one_too_long, parent, no},
      {true, base + s, nullptr, base + s}, {true, "sub", parent, in_base("sub") + s},
      {true, "sub" + s + ".." + s + "Game", nullptr, in_base("Game") + s},  // from the current directory
      {true, "missing", parent, no}, {true, in_base(long_name), nullptr, no}, {true, long_name, parent, no},
      {true, one_too_long, parent, no},
      // clang-format on
  };
  // Windows ignores letter case, and the handle keeps the caller's; a single leading
  // backslash is relative, two make a network name, which is absolute.
  if (sep == '\\')
    cases.insert(cases.end(), {{false, lower_case(in_base("Game")), nullptr, lower_case(in_base("Game")) + s},
                               {false, "\\windows", nullptr, no},
                               {false, "\\\\server\\share", parent, no}});
  for (const auto& c : cases) {
    SCOPED_TRACE((c.path_object ? "path " : "dir ") + c.name + (c.parent ? " under parent" : ""));
    if (c.path_object) {
      pf_path* path = pfpath_new(c.name.c_str(), c.parent);
      EXPECT_EQ(path ? std::string(path->path) : no, c.expected);
    } else {
      pf_dir* made = pfdir_new(c.name.c_str(), c.parent);
      EXPECT_EQ(made ? std::string(made->path) : no, c.expected);
      if (made)
        EXPECT_EQ(made->search ? list_items(made->search) : std::vector<void*>{nullptr},
                  std::vector<void*>{c.parent});
    }
    EXPECT_EQ(current_directory(), base);
  }
  // The root gains no second separator.
  const std::string root = pfpath_new(s.c_str(), nullptr)->path;
  EXPECT_EQ(root, sep == '/' ? s : root.substr(0, 2) + s);
}

TEST_F(directories, init_lists_its_handles_and_close_leaves_the_paths) {
  EXPECT_EQ(std::string(fileio_current_path->path), start_directory + sep);
  const std::string program = fileio_program_path->path;
  EXPECT_TRUE(std::filesystem::exists(program + "filelib_dirs_test") ||
              std::filesystem::exists(program + "filelib_dirs_test.exe"))
      << program;
  EXPECT_STREQ(fileio_program_dir->path, "");
  EXPECT_EQ(list_items(fileio_program_dir->search), std::vector<void*>{fileio_program_path});
  EXPECT_EQ(list_items(fileio_current_dir->search), std::vector<void*>{fileio_current_path});
  EXPECT_EQ(list_items(fileio_paths), (std::vector<void*>{fileio_program_path, fileio_current_path}));
  pf_dir* second = pfdir_new("", fileio_current_path);
  EXPECT_EQ(list_items(fileio_dirs),
            (std::vector<void*>{fileio_program_dir, fileio_current_dir, dir, second}));
  pfdir_close(dir);
  pfdir_close(nullptr);
  EXPECT_EQ(list_items(fileio_dirs), (std::vector<void*>{fileio_program_dir, fileio_current_dir, second}));
  pfdir_close(second);
  dir = nullptr;
  EXPECT_EQ(list_items(fileio_paths).size(), 2u);
}
