// Reading text lines: every line end, the capacity rules and the archive end marker.
#include "fileio_test_support.h"

#include <cstring>
#include <utility>

// A pfgets result and the text it left in the buffer.
using line_read = std::pair<int, std::string>;

class text_lines : public fileio_dir_test {
protected:
    pf_file* open_with(const std::string& bytes)
    {
        write_bytes(in_base("lines.dat"), bytes);
        return pfopen(dir, "lines.dat", "rb");
    }

    // Reads until pfgets returns 0, that last read included; gives up after 20 reads. With
    // a member, the file is read as that archive member at offset 0.
    std::vector<line_read> read_all(const std::string& bytes, int capacity = 127, pff_entry* member = nullptr)
    {
        pf_file* file = open_with(bytes);
        EXPECT_NE(file, nullptr);
        std::vector<line_read> reads;
        if (!file)
            return reads;
        file->entry = member;
        std::vector<char> buffer(static_cast<std::size_t>(capacity), '#');
        for (int i = 0; i < 20; ++i) {
            const int result = pfgets(file, buffer.data(), capacity);
            reads.push_back({ result, buffer.data() });
            if (result == 0)
                break;
        }
        pfclose(file);
        return reads;
    }
};

using reads = std::vector<line_read>;

TEST_F(text_lines, every_line_end_is_accepted)
{
    const std::pair<const char*, reads> cases[] = {
        { "A\rB", { { 1, "A" }, { 1, "B" }, { 0, "" } } },
        { "A\nB\n", { { 1, "A" }, { 1, "B" }, { 0, "" } } },
        { "A\r\nB\r\n", { { 1, "A" }, { 1, "B" }, { 0, "" } } },
        { "A\n\rB\n\r", { { 1, "A" }, { 1, "B" }, { 0, "" } } },
        { "A\r\rB", { { 1, "A" }, { 1, "" }, { 1, "B" }, { 0, "" } } },
        { "A\n\nB", { { 1, "A" }, { 1, "" }, { 1, "B" }, { 0, "" } } },
        { "A\n\r\r\nB", { { 1, "A" }, { 1, "" }, { 1, "B" }, { 0, "" } } },
        { "\r\n", { { 1, "" }, { 0, "" } } },
        { "last", { { 1, "last" }, { 0, "" } } },
        { "", { { 0, "" } } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(read_all(c.first), c.second) << "bytes: " << testing::PrintToString(std::string(c.first));
}

TEST_F(text_lines, a_long_line_comes_in_pieces_without_losing_a_character)
{
    std::string line;
    for (int i = 0; i < 200; ++i)
        line += static_cast<char>('a' + i % 26);
    const reads expected = { { 1, line.substr(0, 126) }, { 1, line.substr(126) }, { 1, "next" }, { 0, "" } };
    EXPECT_EQ(read_all(line + "\r\n" + "next\r\n"), expected);
    // A line that exactly fills the buffer still has its terminator consumed with it.
    EXPECT_EQ(read_all("abc\r\nd", 4), (reads{ { 1, "abc" }, { 1, "d" }, { 0, "" } }));
    EXPECT_EQ(read_all("ab\n", 2), (reads{ { 1, "a" }, { 1, "b" }, { 0, "" } }));
}

TEST_F(text_lines, capacities_below_two_store_no_character)
{
    pf_file* file = open_with("AB\r\n");
    ASSERT_NE(file, nullptr);
    char buffer[4] = { 'x', 'y', 'z', 'w' };
    EXPECT_EQ(pfgets(file, buffer + 1, 1), 0);
    EXPECT_EQ(std::string(buffer, 4), std::string("x\0zw", 4));
    EXPECT_EQ(pfgets(file, buffer + 1, 0), 0);
    EXPECT_EQ(pfgets(file, buffer + 1, -3), 0);
    EXPECT_EQ(std::string(buffer, 4), std::string("x\0zw", 4));
    EXPECT_EQ(pfgets(file, nullptr, 0), 0);
    // Nothing was taken from the stream.
    char line[8];
    EXPECT_EQ(pfgets(file, line, sizeof line), 1);
    EXPECT_STREQ(line, "AB");
    pfclose(file);
}

TEST_F(text_lines, handles_without_a_stream_read_nothing)
{
    char buffer[8] = "old";
    EXPECT_EQ(pfgets(nullptr, buffer, sizeof buffer), 0);
    pf_file streamless = { nullptr, nullptr, nullptr, 1 };
    EXPECT_EQ(pfgets(&streamless, buffer, sizeof buffer), 0);
    EXPECT_EQ(pfputs(&streamless, "x"), 0);
}

TEST_F(text_lines, the_end_marker_ends_an_archive_member_only_at_or_past_its_end)
{
    pff_entry two_bytes = { "LINES.DAT", 0, 2, 0 };
    pff_entry three_bytes = { "LINES.DAT", 0, 3, 0 };
    const struct {
        const char* bytes;
        pff_entry* member;
        reads expected;
    } cases[] = {
        // A marker right after the member ends it for good, also after a CR.
        { "AB\x1A" "CD\r\n", &two_bytes, { { 1, "AB" }, { 0, "" }, } },
        { "ABCD\r\x1A" "EF", &two_bytes, { { 1, "ABCD" }, { 0, "" } } },
        // Inside the member, or in a file from disk, a marker is an ordinary character.
        { "AB\x1A" "CD\r\n", &three_bytes, { { 1, "AB\x1A" "CD" }, { 0, "" } } },
        { "AB\x1A" "CD", nullptr, { { 1, "AB\x1A" "CD" }, { 0, "" } } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(read_all(c.bytes, 127, c.member), c.expected) << testing::PrintToString(std::string(c.bytes));
}
