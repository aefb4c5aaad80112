#include "archive_files.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include <gtest/gtest.h>

#include "filelib/fastfile_format.h"

std::string fresh_directory(const std::string& label)
{
    std::filesystem::path path = std::filesystem::current_path() / "fastfile_scratch" / label;
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
    std::filesystem::create_directories(path);
    return path.string() + static_cast<char>(std::filesystem::path::preferred_separator);
}

void write_file(const std::string& path, const std::string& bytes)
{
    std::FILE* stream = std::fopen(path.c_str(), "wb");
    ASSERT_NE(stream, nullptr) << path;
    EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), stream), bytes.size());
    std::fclose(stream);
}

std::string read_file(const std::string& path)
{
    std::string bytes;
    std::FILE* stream = std::fopen(path.c_str(), "rb");
    if (stream == nullptr)
        return bytes;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, stream)) > 0)
        bytes.append(buffer, got);
    std::fclose(stream);
    return bytes;
}

void write_archive(const std::string& path, const std::vector<member_spec>& members, int first_entry)
{
    std::vector<fastfile_member> layout(members.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        ASSERT_LE(members[i].name.size(), std::size_t(fastfile_name_limit));
        std::memset(layout[i].name, 0, sizeof layout[i].name);
        std::memcpy(layout[i].name, members[i].name.data(), members[i].name.size());
        layout[i].size = std::uint32_t(members[i].data.size());
    }
    std::uint32_t header_length = 0;
    int count = int(members.size());
    ASSERT_TRUE(fastfile_plan_layout(layout.data(), count, first_entry, &header_length));
    std::FILE* stream = std::fopen(path.c_str(), "wb");
    ASSERT_NE(stream, nullptr) << path;
    EXPECT_TRUE(fastfile_write_header(stream, layout.data(), count, first_entry, header_length));
    for (const member_spec& member : members)
        EXPECT_TRUE(fastfile_write_member_bytes(stream, member.data.data(), std::uint32_t(member.data.size())));
    std::fclose(stream);
}

void patch_u32(const std::string& path, std::uint32_t offset, std::uint32_t value)
{
    unsigned char bytes[4];
    fastfile_put_u32(bytes, value);
    std::FILE* stream = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(stream, nullptr) << path;
    ASSERT_EQ(std::fseek(stream, long(offset), SEEK_SET), 0);
    EXPECT_EQ(std::fwrite(bytes, 1, 4, stream), 4u);
    std::fclose(stream);
}
