#include "worksheet/text_buffer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

using namespace std::string_literals;

const std::string kZhong = "\xE4\xB8\xAD";      // 中, three bytes
const std::string kFullSpace = "\xE3\x80\x80";  // U+3000
const std::string kEmoji = "\xF0\x9F\x98\x80";  // four bytes

TextBuffer BufferWith(const std::string& text) {
    TextBuffer buffer;
    buffer.SetText(text);
    return buffer;
}

TEST(TextBufferTest, AppendsClearsAndReturnsTheWholeText) {
    TextBuffer buffer;
    EXPECT_EQ(buffer.Text(), "");
    buffer.Append("old");
    buffer.Clear();
    EXPECT_EQ(buffer.Text(), "");
    buffer.Append("12|");
    buffer.Append("7|");
    buffer.Append("30");
    EXPECT_EQ(buffer.Text(), "12|7|30");
    buffer.SetText("");
    EXPECT_EQ(buffer.CharCount(), 0);
}

TEST(TextBufferTest, AsciiPositionsSearchAndRemoval) {
    TextBuffer buffer = BufferWith("abcde");
    EXPECT_EQ(buffer.Substring(2, 2), "bc");
    EXPECT_EQ(buffer.Substring(), "abcde");
    EXPECT_EQ(buffer.Substring(4), "de");
    EXPECT_EQ(buffer.Substring(2, 0), "");
    EXPECT_EQ(buffer.Substring(2, -3), "");
    EXPECT_EQ(buffer.Substring(4, 100), "de");
    EXPECT_EQ(buffer.Find("a"), 1);
    EXPECT_EQ(buffer.Find("x"), 0);
    EXPECT_EQ(buffer.Find("cd"), 3);
    EXPECT_EQ(buffer.Find("a", 2), 0);
    EXPECT_EQ(buffer.Find("e", 99), 0);
    EXPECT_EQ(buffer.Find(""), 0);
    buffer.Remove(1, 3);
    EXPECT_EQ(buffer.Text(), "de");
    buffer.Remove(2, 50);
    EXPECT_EQ(buffer.Text(), "d");
}

TEST(TextBufferTest, MultiByteCharactersCountAsOne) {
    TextBuffer buffer = BufferWith(kZhong + "a");
    EXPECT_EQ(buffer.CharCount(), 2);
    EXPECT_EQ(buffer.Substring(2, 1), "a");
    EXPECT_EQ(buffer.Substring(1, 1), kZhong);
    EXPECT_EQ(buffer.Find("a"), 2);
    EXPECT_EQ(buffer.BytePosition(2), 4);

    buffer.SetText("x" + kEmoji + kZhong + "y");
    EXPECT_EQ(buffer.CharCount(), 4);
    EXPECT_EQ(buffer.Find("y"), 4);
    EXPECT_EQ(buffer.Find(kZhong), 3);
    EXPECT_EQ(buffer.Substring(2, 2), kEmoji + kZhong);
    buffer.Remove(2, 1);
    EXPECT_EQ(buffer.Text(), "x" + kZhong + "y");
    EXPECT_TRUE(buffer.ReplaceRange(2, 1, "ab"));
    EXPECT_EQ(buffer.Text(), "xaby");
}

TEST(TextBufferTest, BytePositionClampsAtBothEnds) {
    TextBuffer buffer = BufferWith("a" + kZhong + "b");
    EXPECT_EQ(buffer.BytePosition(-5), 1);
    EXPECT_EQ(buffer.BytePosition(1), 1);
    EXPECT_EQ(buffer.BytePosition(2), 2);
    EXPECT_EQ(buffer.BytePosition(3), 5);
    EXPECT_EQ(buffer.BytePosition(4), 6);  // just past the end
    EXPECT_EQ(buffer.BytePosition(1000), 6);
}

TEST(TextBufferTest, MalformedSequencesNeverReadPastTheEnd) {
    EXPECT_EQ(TextBuffer::CharCountOf("\x80"), 1);      // stray continuation byte
    EXPECT_EQ(TextBuffer::CharCountOf("a\xE3"), 2);     // lead byte at the very end
    EXPECT_EQ(TextBuffer::CharCountOf("\xE3\x80"), 1);  // sequence cut short
    EXPECT_EQ(TextBuffer::CharCountOf("\xE3"
                                      "a"),
              2);                                           // lead byte without continuation
    EXPECT_EQ(TextBuffer::CharCountOf("\xF0\x9F\x98"), 1);  // four-byte sequence cut short
    EXPECT_EQ(TextBuffer::CharCountOf("\xFF\xFE"), 2);      // bytes that never begin a sequence
    EXPECT_EQ(TextBuffer::CharCountOf("ab\0cd"s), 2);       // counting stops at a zero byte
    EXPECT_EQ(TextBuffer::CharCountOf(kZhong + "\0"s + kZhong), 1);

    // The trailing truncated sequence is one character that Substring hands back whole.
    TextBuffer buffer = BufferWith("ab\xE3\x80");
    EXPECT_EQ(buffer.CharCount(), 3);
    EXPECT_EQ(buffer.Substring(3), "\xE3\x80");
    EXPECT_EQ(buffer.BytePosition(4), 5);
    EXPECT_TRUE(buffer.ToUpper());
    EXPECT_EQ(buffer.Text(), "AB\xE3\x80");
    EXPECT_TRUE(buffer.Trim());
    EXPECT_EQ(buffer.Text(), "AB\xE3\x80");
}

TEST(TextBufferTest, InsertClampsThePosition) {
    TextBuffer buffer = BufferWith("a" + kZhong + "b");
    buffer.Insert("<");
    EXPECT_EQ(buffer.Text(), "<a" + kZhong + "b");
    buffer.Insert(-3, "[");
    EXPECT_EQ(buffer.Text(), "[<a" + kZhong + "b");
    buffer.Insert(5, "|");
    EXPECT_EQ(buffer.Text(), "[<a" + kZhong + "|b");
    buffer.Insert(100, ">");
    EXPECT_EQ(buffer.Text(), "[<a" + kZhong + "|b>");
}

TEST(TextBufferTest, ReplaceAllHonoursStartAndCount) {
    TextBuffer buffer = BufferWith("1|2|3|4");
    EXPECT_TRUE(buffer.ReplaceAll("|", "+"));
    EXPECT_EQ(buffer.Text(), "1+2+3+4");

    buffer.SetText("1|2|3|4");
    EXPECT_TRUE(buffer.ReplaceAll("|", "-", 1, 2));
    EXPECT_EQ(buffer.Text(), "1-2-3|4");

    buffer.SetText("1|2|3|4");
    EXPECT_TRUE(buffer.ReplaceAll("|", "", 4));
    EXPECT_EQ(buffer.Text(), "1|234");

    buffer.SetText("1|2");
    EXPECT_TRUE(buffer.ReplaceAll("|", "*", 1, 0));
    EXPECT_EQ(buffer.Text(), "1|2");
    EXPECT_TRUE(buffer.ReplaceAll("", "x"));
    EXPECT_EQ(buffer.Text(), "1|2");

    // A replacement that contains the search text is not searched again.
    buffer.SetText("aa");
    EXPECT_TRUE(buffer.ReplaceAll("a", "aa"));
    EXPECT_EQ(buffer.Text(), "aaaa");

    // Start counts characters, not bytes.
    buffer.SetText(kZhong + kZhong + "x" + kZhong);
    EXPECT_TRUE(buffer.ReplaceAll(kZhong, "z", 2));
    EXPECT_EQ(buffer.Text(), kZhong + "zxz");
}

TEST(TextBufferTest, SearchesMatchOnlyWholeCharacters) {
    // The tail bytes of U+3000 are not a match for a search that starts inside the character.
    TextBuffer buffer = BufferWith(kFullSpace + "\x80\x80");
    EXPECT_EQ(buffer.Find("\x80\x80"), 2);
    EXPECT_TRUE(buffer.ReplaceAll("\x80", "?"));
    EXPECT_EQ(buffer.Text(), kFullSpace + "??");
}

TEST(TextBufferTest, TrimsBothKindsOfSpace) {
    TextBuffer buffer = BufferWith(" " + kFullSpace + "  " + kFullSpace);
    EXPECT_TRUE(buffer.Trim());
    EXPECT_EQ(buffer.Text(), "");

    const std::string padded = kFullSpace + " a" + kFullSpace + "b " + kFullSpace;
    buffer.SetText(padded);
    EXPECT_TRUE(buffer.TrimStart());
    EXPECT_EQ(buffer.Text(), "a" + kFullSpace + "b " + kFullSpace);
    buffer.SetText(padded);
    EXPECT_TRUE(buffer.TrimEnd());
    EXPECT_EQ(buffer.Text(), kFullSpace + " a" + kFullSpace + "b");
    buffer.SetText(padded);
    EXPECT_TRUE(buffer.Trim());
    EXPECT_EQ(buffer.Text(), "a" + kFullSpace + "b");

    // Only the exact U+3000 sequence is a space: a character that shares its lead byte is kept.
    buffer.SetText("\xE3\x80\x81 ");
    EXPECT_TRUE(buffer.Trim());
    EXPECT_EQ(buffer.Text(), "\xE3\x80\x81");
}

TEST(TextBufferTest, RemoveSpacesKeepsEverythingElse) {
    TextBuffer buffer = BufferWith(" 1 +" + kFullSpace + "2" + kZhong + "x");
    EXPECT_TRUE(buffer.RemoveSpaces());
    EXPECT_EQ(buffer.Text(), "1+2" + kZhong + "x");

    buffer.SetText(kFullSpace + " " + kFullSpace);
    EXPECT_FALSE(buffer.RemoveSpaces());
    EXPECT_EQ(buffer.Text(), "");
}

TEST(TextBufferTest, CaseMappingTouchesOnlyAsciiLettersInRange) {
    TextBuffer buffer = BufferWith("abc" + kZhong + "z");
    const size_t length = buffer.Text().size();
    EXPECT_TRUE(buffer.ToUpper());
    EXPECT_EQ(buffer.Text(), "ABC" + kZhong + "Z");
    EXPECT_EQ(buffer.Text().size(), length);

    buffer.SetText("ABCD");
    EXPECT_TRUE(buffer.ToLower(2, 2));
    EXPECT_EQ(buffer.Text(), "AbcD");

    // The multi-byte character counts as one of the two characters.
    buffer.SetText("a" + kZhong + "bc");
    EXPECT_TRUE(buffer.ToUpper(2, 2));
    EXPECT_EQ(buffer.Text(), "a" + kZhong + "Bc");

    buffer.SetText("[@Z`z{]");
    EXPECT_TRUE(buffer.ToLower());
    EXPECT_EQ(buffer.Text(), "[@z`z{]");
    EXPECT_TRUE(buffer.ToUpper());
    EXPECT_EQ(buffer.Text(), "[@Z`Z{]");
}

TEST(TextBufferTest, FilesRoundTripTheirBytes) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("text_buffer_test_" +
                       std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".bin");
    const std::string bytes = "a\0b\xFF\r\n"s + kZhong;
    TextBuffer buffer = BufferWith(bytes);
    ASSERT_TRUE(buffer.SaveFile(path.string()));

    TextBuffer loaded;
    ASSERT_TRUE(loaded.LoadFile(path.string()));
    EXPECT_EQ(loaded.Text(), bytes);
    std::filesystem::remove(path);

    EXPECT_FALSE(loaded.LoadFile(path.string()));
    EXPECT_EQ(loaded.Text(), "");
    loaded.SetText("kept");
    EXPECT_FALSE(loaded.LoadFile(std::filesystem::temp_directory_path().string()));
    EXPECT_EQ(loaded.Text(), "");
    EXPECT_FALSE(buffer.SaveFile((path / "no" / "such" / "dir").string()));
}

TEST(TextBufferTest, CopiesAreIndependent) {
    TextBuffer original = BufferWith("abc");
    TextBuffer copy = original;
    copy.Append("d");
    EXPECT_EQ(original.Text(), "abc");
    EXPECT_EQ(copy.Text(), "abcd");
    EXPECT_NE(copy.BufferId(), original.BufferId());
    const uint64_t id = copy.BufferId();
    copy = original;
    EXPECT_EQ(copy.Text(), "abc");
    EXPECT_EQ(copy.BufferId(), id);
}

}  // namespace
