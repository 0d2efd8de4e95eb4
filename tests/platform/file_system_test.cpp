#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/program_directory.h"
#include "platform/text_encoding.h"
#include "temporary_directory.h"

namespace {

TEST(FileSystemTest, EnsureDirectoryCreatesEveryMissingLevel) {
    TemporaryDirectory directory;
    const std::string deep = directory.File("a/数据/c");
    EXPECT_FALSE(IsDirectory(deep));
    EXPECT_TRUE(EnsureDirectory(deep + "/"));
    EXPECT_TRUE(IsDirectory(deep));
    EXPECT_TRUE(EnsureDirectory(deep)) << "an existing directory is fine";

    WriteBytes(directory.File("file"), "x");
    EXPECT_FALSE(IsDirectory(directory.File("file")));
    EXPECT_FALSE(EnsureDirectory(directory.File("file")));
    EXPECT_FALSE(EnsureDirectory(directory.File("file/below")));
    EXPECT_FALSE(EnsureDirectory(""));
    EXPECT_EQ(ReadBytes(directory.File("file")), "x");
}

TEST(FileSystemTest, ReadFileIfExistsTellsMissingFromUnreadable) {
    TemporaryDirectory directory;
    const auto missing = ReadFileIfExists(directory.File("missing"));
    ASSERT_TRUE(missing.has_value());
    EXPECT_FALSE(missing->exists);
    EXPECT_FALSE(ReadFileIfExists(directory.path()).has_value()) << "a directory";
    EXPECT_FALSE(ReadFileIfExists(directory.File("missing/below"))->exists);

    const std::string bytes("with\0zero\r\n", 11);
    WriteBytes(directory.File("f"), bytes);
    EXPECT_FALSE(ReadFileIfExists(directory.File("f/below")).has_value());
    const auto file = ReadFileIfExists(directory.File("f"));
    ASSERT_TRUE(file.has_value());
    EXPECT_TRUE(file->exists);
    EXPECT_EQ(file->bytes, bytes);
}

TEST(FileSystemTest, ProgramDirectoryHoldsThisTest) {
    const std::string directory = ProgramDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_NE(directory.back(), '/');
    EXPECT_TRUE(std::filesystem::is_regular_file(directory + "/platform_file_system_test"));
}

TEST(TextEncodingTest, ConversionIsStrict) {
    EXPECT_EQ(Utf8ToGb18030("中"), std::string("\xd6\xd0"));
    EXPECT_EQ(Gb18030ToUtf8("\x95\x32\x82\x36"), std::string("𠀀"));
    EXPECT_EQ(Utf8ToGb18030(""), std::string());
    EXPECT_FALSE(Gb18030ToUtf8("\xd6").has_value()) << "truncated";
    EXPECT_FALSE(Gb18030ToUtf8("\x80").has_value());
    EXPECT_EQ(GbkToUtf8("\x80"), std::string("€"));
    EXPECT_FALSE(Utf8ToGb18030("\xc0\x80").has_value()) << "overlong";
    EXPECT_FALSE(Utf8ToGb18030("\xed\xa0\x80").has_value()) << "surrogate";
    // Long texts convert whole.
    const std::string longText(100000, 'a');
    EXPECT_EQ(Gb18030ToUtf8(longText), longText);
}

}  // namespace
