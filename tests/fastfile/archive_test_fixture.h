// Shared set-up for the archive reader tests: the library is started once per process,
// and each test leaves the library's settings as it found them.
#pragma once

#include <cctype>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "archive_files.h"
#include "filelib/fastfile.h"
#include "filelib/fileio.h"

inline std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

inline const char separator = static_cast<char>(std::filesystem::path::preferred_separator);

inline int cached_headers()
{
    int count = 0;
    if (pff_cache != nullptr)
        for (list_node* node = pff_cache->next; node != pff_cache; node = node->next)
            ++count;
    return count;
}

// Every byte the stream gives until its end.
inline std::string rest_of(std::FILE* stream)
{
    std::string bytes;
    int c;
    while ((c = std::fgetc(stream)) != EOF)
        bytes.push_back(static_cast<char>(c));
    return bytes;
}

// Lines as pfgets returns them, until it reports the end.
inline std::vector<std::string> lines_of(pf_file* file)
{
    std::vector<std::string> lines;
    char buffer[128];
    while (pfgets(file, buffer, sizeof buffer))
        lines.push_back(buffer);
    return lines;
}

class ArchiveTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int started = fileio_init();
        (void)started;
    }

    void TearDown() override
    {
        for (pf_dir* dir : dirs)
            pfdir_close(dir);
        fileio_options = saved_options;
        std::memset(pff_archive_name, 0, sizeof pff_archive_name);
    }

    pf_dir* open_dir(const std::string& path)
    {
        pf_dir* dir = pfdir_new(path.c_str(), nullptr);
        EXPECT_NE(dir, nullptr) << path;
        if (dir != nullptr)
            dirs.push_back(dir);
        return dir;
    }

    // Looks a file up through pffind directly, as pffopen does for an absolute handle.
    const pff_entry* find(pf_file* file, const std::string& directory, const std::string& name,
                          const char* mode = "rb")
    {
        std::vector<char> path(directory.begin(), directory.end());
        path.insert(path.end(), name.begin(), name.end());
        path.push_back('\0');
        *file = pf_file{};
        const pff_entry* entry = pffind(file, directory.size(), path.data(), mode);
        last_path = path.data();
        return entry;
    }

    std::string last_path;

private:
    std::vector<pf_dir*> dirs;
    std::uint32_t saved_options = fileio_options;
};
