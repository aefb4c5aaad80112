// Path objects, directory handles, the existence check, start-up and tidy-up.
#include "fileio_test_support.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#endif

using directories = fileio_test;

TEST_F(directories, absolute_handle_ends_in_one_separator)
{
    make_directory(in_base("game"));
    pf_dir* plain = pfdir_new(in_base("game").c_str(), nullptr);
    pf_dir* trailing = pfdir_new((in_base("game") + sep).c_str(), nullptr);
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(trailing, nullptr);
    EXPECT_EQ(std::string(plain->path), in_base("game") + sep);
    EXPECT_EQ(std::string(trailing->path), in_base("game") + sep);
    EXPECT_EQ(plain->search, nullptr);
    const std::vector<void*> made_by_init = { fileio_program_dir, fileio_current_dir };
    EXPECT_EQ(list_items(fileio_dirs), (std::vector<void*>{ made_by_init[0], made_by_init[1], plain, trailing }));

    pfdir_close(plain);
    EXPECT_EQ(list_items(fileio_dirs), (std::vector<void*>{ made_by_init[0], made_by_init[1], trailing }));
    pfdir_close(nullptr);
    pfdir_close(trailing);
    EXPECT_EQ(list_items(fileio_dirs), made_by_init);
}

TEST_F(directories, handle_keeps_the_name_as_written)
{
    make_directory(in_base("Game"));
    const std::string roundabout = in_base("Game") + sep + ".." + sep + "Game";
    pf_dir* dir = pfdir_new(roundabout.c_str(), nullptr);
    ASSERT_NE(dir, nullptr);
    EXPECT_EQ(std::string(dir->path), roundabout + sep);
#ifdef _WIN32
    // Windows ignores letter case, and the handle keeps the caller's.
    std::string lower = in_base("game");
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    pf_dir* lower_dir = pfdir_new(lower.c_str(), nullptr);
    ASSERT_NE(lower_dir, nullptr);
    EXPECT_EQ(std::string(lower_dir->path), lower + sep);
#endif
}

TEST_F(directories, absolute_names_forbid_a_parent_and_relative_names_need_one)
{
    make_directory(in_base("data"));
    pf_path* parent = pfpath_new(base.c_str(), nullptr);
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(pfdir_new("data", nullptr), nullptr);
    EXPECT_EQ(pfdir_new("", nullptr), nullptr);
    EXPECT_EQ(pfdir_new(in_base("data").c_str(), parent), nullptr);
#ifdef _WIN32
    // A single leading backslash is relative; two make a network name, which is absolute.
    EXPECT_EQ(pfdir_new("\\windows", nullptr), nullptr);
    EXPECT_EQ(pfdir_new("\\\\server\\share", parent), nullptr);
#endif
    EXPECT_EQ(list_items(fileio_dirs).size(), 2u);  // only fileio_init's two handles
}

TEST_F(directories, relative_handle_searches_under_its_parent)
{
    make_directory(in_base("data"));
    pf_path* parent = pfpath_new(base.c_str(), nullptr);
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(std::string(parent->path), base + sep);

    pf_dir* dir = pfdir_new("data", parent);
    ASSERT_NE(dir, nullptr);
    EXPECT_EQ(std::string(dir->path), std::string("data") + sep);
    ASSERT_NE(dir->search, nullptr);
    EXPECT_EQ(list_items(dir->search), (std::vector<void*>{ parent }));

    pf_dir* same = pfdir_new("", parent);
    ASSERT_NE(same, nullptr);
    EXPECT_STREQ(same->path, "");
    EXPECT_EQ(list_items(same->search), (std::vector<void*>{ parent }));

    EXPECT_EQ(pfdir_new("missing", parent), nullptr);
    // Closing a handle leaves the path objects of its search list alone.
    pfdir_close(dir);
    EXPECT_EQ(std::string(parent->path), base + sep);
    const std::vector<void*> paths = list_items(fileio_paths);
    EXPECT_NE(std::find(paths.begin(), paths.end(), parent), paths.end());
}

TEST_F(directories, path_objects_are_absolute_and_end_in_one_separator)
{
    make_directory(in_base("sub"));
    pf_path* top = pfpath_new((base + sep).c_str(), nullptr);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(std::string(top->path), base + sep);

    pf_path* sub = pfpath_new("sub", top);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(std::string(sub->path), in_base("sub") + sep);

    set_current_directory(base);
    pf_path* relative = pfpath_new("sub", nullptr);
    ASSERT_NE(relative, nullptr);
    EXPECT_EQ(std::string(relative->path), in_base("sub") + sep);

    pf_path* root = pfpath_new(std::string(1, sep).c_str(), nullptr);
    ASSERT_NE(root, nullptr);
    const std::string root_path = root->path;
    ASSERT_FALSE(root_path.empty());
    EXPECT_EQ(root_path.back(), sep);
    EXPECT_FALSE(root_path.size() > 1 && root_path[root_path.size() - 2] == sep) << root_path;

    EXPECT_EQ(pfpath_new("missing", top), nullptr);
    EXPECT_EQ(list_items(fileio_paths).size(), 2u + 4u);
}

TEST_F(directories, existence_check_leaves_the_current_directory_alone)
{
    make_directory(in_base("here"));
    make_directory(in_base("there"));
    set_current_directory(in_base("here"));
    const std::string before = current_directory();

    EXPECT_NE(pfdir_new(in_base("there").c_str(), nullptr), nullptr);
    EXPECT_EQ(current_directory(), before);
    EXPECT_EQ(pfdir_new(in_base("nowhere").c_str(), nullptr), nullptr);
    EXPECT_EQ(current_directory(), before);
    EXPECT_NE(pfpath_new(in_base("there").c_str(), nullptr), nullptr);
    EXPECT_EQ(current_directory(), before);
    EXPECT_EQ(pfpath_new(in_base("nowhere").c_str(), nullptr), nullptr);
    EXPECT_EQ(current_directory(), before);
}

TEST_F(directories, paths_longer_than_the_limit_are_refused)
{
    const std::string long_name(300, 'x');
    pf_path* parent = pfpath_new(base.c_str(), nullptr);
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(pfdir_new((base + sep + long_name).c_str(), nullptr), nullptr);
    EXPECT_EQ(pfdir_new(long_name.c_str(), parent), nullptr);
    EXPECT_EQ(pfpath_new(long_name.c_str(), parent), nullptr);
    EXPECT_EQ(pfpath_new((base + sep + long_name).c_str(), nullptr), nullptr);
    // Composed of a parent and a name that are each short enough, but too long together.
    const std::string half(FILEIO_PATH_LIMIT - std::strlen(parent->path) + 1, 'y');
    EXPECT_EQ(pfdir_new(half.c_str(), parent), nullptr);
    EXPECT_EQ(pfpath_new(half.c_str(), parent), nullptr);
}

#ifndef _WIN32
// Builds a directory whose absolute path has exactly `length` characters.
static std::string directory_of_length(const std::string& base, std::size_t length)
{
    std::string path = base;
    while (path.size() < length) {
        // Room for the name after the next separator; never leave a remainder of one,
        // which could hold a separator but no name.
        const std::size_t room = length - path.size() - 1;
        const std::size_t name_length = room <= 100 ? room : (room - 100 >= 2 ? 100 : 50);
        path += sep + std::string(name_length, 'd');
        make_directory(path);
    }
    return path;
}

TEST_F(directories, the_limit_counts_the_separator_a_path_object_gains)
{
    ASSERT_LT(base.size(), 200u);
    const std::string fits = directory_of_length(base, FILEIO_PATH_LIMIT - 1);
    ASSERT_EQ(fits.size(), FILEIO_PATH_LIMIT - 1);
    pf_path* object = pfpath_new(fits.c_str(), nullptr);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(std::strlen(object->path), FILEIO_PATH_LIMIT);

    const std::string too_long = fits + "f";
    make_directory(too_long);
    EXPECT_EQ(pfpath_new(too_long.c_str(), nullptr), nullptr);
    // The handle keeps the name, which with its separator would exceed the limit as well.
    EXPECT_EQ(pfdir_new(too_long.c_str(), nullptr), nullptr);
    EXPECT_NE(pfdir_new(fits.c_str(), nullptr), nullptr);
}
#endif

TEST_F(directories, init_makes_the_program_and_current_directories)
{
    ASSERT_NE(fileio_paths, nullptr);
    ASSERT_NE(fileio_dirs, nullptr);
    ASSERT_NE(fileio_files, nullptr);
    ASSERT_NE(fileio_program_path, nullptr);
    ASSERT_NE(fileio_current_path, nullptr);
    EXPECT_EQ(std::string(fileio_current_path->path), start_directory + sep);
    const std::string program = fileio_program_path->path;
    EXPECT_EQ(program.back(), sep);
    EXPECT_TRUE(file_exists(program + "fileio_dirs_test") || file_exists(program + "fileio_dirs_test.exe"))
        << program;

    ASSERT_NE(fileio_program_dir, nullptr);
    ASSERT_NE(fileio_current_dir, nullptr);
    EXPECT_STREQ(fileio_program_dir->path, "");
    EXPECT_EQ(list_items(fileio_program_dir->search), (std::vector<void*>{ fileio_program_path }));
    EXPECT_EQ(list_items(fileio_current_dir->search), (std::vector<void*>{ fileio_current_path }));
    EXPECT_EQ(list_items(fileio_paths), (std::vector<void*>{ fileio_program_path, fileio_current_path }));
    EXPECT_EQ(list_items(fileio_dirs), (std::vector<void*>{ fileio_program_dir, fileio_current_dir }));
}

TEST_F(directories, tidyup_releases_every_list)
{
    make_directory(in_base("a"));
    pf_path* parent = pfpath_new(base.c_str(), nullptr);
    ASSERT_NE(parent, nullptr);
    ASSERT_NE(pfdir_new("a", parent), nullptr);
    ASSERT_NE(pfdir_new(in_base("a").c_str(), nullptr), nullptr);
    fileio_tidyup();
    EXPECT_EQ(fileio_paths, nullptr);
    EXPECT_EQ(fileio_dirs, nullptr);
    EXPECT_EQ(fileio_files, nullptr);
    EXPECT_EQ(fileio_program_dir, nullptr);
    EXPECT_TRUE(debug_records().empty());
}

#ifdef _WIN32
// Needs a second drive E: (the test prefix maps one to a folder).
TEST_F(directories, existence_check_on_another_drive_restores_drives_and_directories)
{
    if (!(_getdrives() & (1u << 4)))
        GTEST_SKIP() << "no drive E:";
    const std::string folder = "E:\\fileio_drive_" + std::to_string(_getpid());
    make_directory(folder + "\\sub");
    make_directory(folder + "\\parked");
    // Leave E: in a directory of its own, then come back to where the test started.
    set_current_directory(folder + "\\parked");
    set_current_directory(start_directory);
    char e_before[300];
    ASSERT_NE(_getdcwd(5, e_before, sizeof e_before), nullptr);
    const int drive_before = _getdrive();
    ASSERT_NE(drive_before, 5);

    std::string lower = folder + "\\sub";
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    pf_dir* dir = pfdir_new(lower.c_str(), nullptr);
    ASSERT_NE(dir, nullptr);
    EXPECT_EQ(std::string(dir->path), lower + "\\");
    EXPECT_EQ(pfdir_new((folder + "\\missing").c_str(), nullptr), nullptr);
    EXPECT_NE(pfpath_new((folder + "\\sub").c_str(), nullptr), nullptr);

    char e_after[300];
    ASSERT_NE(_getdcwd(5, e_after, sizeof e_after), nullptr);
    EXPECT_EQ(_getdrive(), drive_before);
    EXPECT_EQ(current_directory(), start_directory);
    EXPECT_STREQ(e_after, e_before);

    std::error_code error;
    std::filesystem::remove_all(folder, error);
}
#endif
