#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/text_encoding.h"
#include "temporary_directory.h"

namespace {

// "[选择框]" and "[编辑框]" in GBK, written out byte by byte.
const std::string kCheckBoxHeaderGbk = "\x5b\xd1\xa1\xd4\xf1\xbf\xf2\x5d";
const std::string kEditBoxHeaderGbk = "\x5b\xb1\xe0\xbc\xad\xbf\xf2\x5d";
// "选择框_加=假", "选择框_减=真" in GBK.
const std::string kAddFalseGbk = "\xd1\xa1\xd4\xf1\xbf\xf2\x5f\xbc\xd3\x3d\xbc\xd9";
const std::string kSubtractTrueGbk = "\xd1\xa1\xd4\xf1\xbf\xf2\x5f\xbc\xf5\x3d\xd5\xe6";

class IniFileTest : public ::testing::Test {
protected:
    TemporaryDirectory directory_;
    std::string file_ = directory_.File("config.abc");
};

TEST_F(IniFileTest, MissingFileSectionOrKeyReadsAsTheFallback) {
    EXPECT_EQ(ReadEntry(file_, "s", "k", "none"), "none");
    WriteBytes(file_, "[s]\r\nk=v\r\n");
    EXPECT_EQ(ReadEntry(file_, "s", "other", "none"), "none");
    EXPECT_EQ(ReadEntry(file_, "t", "k", "none"), "none");
    EXPECT_EQ(ReadEntry(file_, "S", "k", "none"), "none") << "sections compare exactly";
    EXPECT_EQ(ReadEntry(file_, "s", "K"), "") << "keys compare exactly";
    EXPECT_EQ(ReadEntry(file_, "s", "k", "none"), "v");
    EXPECT_EQ(ReadEntry(directory_.path(), "s", "k", "none"), "none") << "a directory";
}

TEST_F(IniFileTest, ReadsTheDocumentedSyntax) {
    WriteBytes(file_,
               "top=before any section\n"
               "; comment=1\n"
               "  [s]  trailing words\n"
               "# k=commented out\n"
               "  k \t=  spaced value  \n"
               "a=b=c\n"
               "empty=\n"
               "=no key\n"
               "[t]\r\n"
               "k=in t\r\n"
               "[s]\n"
               "k=second occurrence\n"
               "late=found in repeated section\n");
    EXPECT_EQ(ReadEntry(file_, "s", "k"), "  spaced value  ");
    EXPECT_EQ(ReadEntry(file_, "s", "a"), "b=c");
    EXPECT_EQ(ReadEntry(file_, "s", "empty", "fallback"), "");
    EXPECT_EQ(ReadEntry(file_, "t", "k"), "in t") << "the CR of a CR LF line end is no part of it";
    EXPECT_EQ(ReadEntry(file_, "s", "late"), "found in repeated section");
    EXPECT_EQ(ReadEntry(file_, "", "top", "none"), "none");
    EXPECT_EQ(ReadEntry(file_, "s", "; comment", "none"), "none");
}

TEST_F(IniFileTest, ReadsAGbkFileOfAnEarlierVersion) {
    WriteBytes(file_, kCheckBoxHeaderGbk + "\r\n" + kAddFalseGbk + "\r\n" + kSubtractTrueGbk +
                          "\r\n" + kEditBoxHeaderGbk + "\r\nprice=\x80\x35\r\n");
    EXPECT_EQ(ReadEntry(file_, "选择框", "选择框_加"), "假");
    EXPECT_EQ(ReadEntry(file_, "选择框", "选择框_减"), "真");
    EXPECT_EQ(ReadEntry(file_, "编辑框", "price"), "€5") << "code page 936 puts the euro at 0x80";
}

TEST_F(IniFileTest, NewFileIsGbkWithCrLf) {
    ASSERT_TRUE(WriteEntry(file_, "选择框", "选择框_加", "假"));
    EXPECT_EQ(ReadBytes(file_), kCheckBoxHeaderGbk + "\r\n" + kAddFalseGbk + "\r\n");
}

TEST_F(IniFileTest, CharactersOutsideGbkSurvive) {
    const std::string text = "😀 and 𠀀 and 中";
    ASSERT_TRUE(WriteEntry(file_, "编辑框", "编辑框1", text));
    EXPECT_EQ(ReadEntry(file_, "编辑框", "编辑框1"), text);
    EXPECT_NE(ReadBytes(file_).find("\x94\x39\xfc\x36"), std::string::npos)
        << "the emoji is stored as its four-byte GB18030 code";
}

TEST_F(IniFileTest, WritesKeepEveryOtherLineByteForByte) {
    const std::string before =
        "; settings of an older version\r\n"
        "[other]\r\n"
        "  Key = kept as is  \r\n"
        "\r\n" +
        kCheckBoxHeaderGbk + "\r\n" + kAddFalseGbk +
        "\r\n"
        "# a comment inside\r\n"
        "\r\n"
        "[tail]\r\n"
        "x=1";  // no line end at the end of the file
    WriteBytes(file_, before);

    // Replacing a value touches only what follows its "=".
    ASSERT_TRUE(WriteEntry(file_, "选择框", "选择框_加", "真"));
    std::string expected = before;
    expected.replace(expected.find(kAddFalseGbk) + kAddFalseGbk.size() - 2, 2, "\xd5\xe6");
    EXPECT_EQ(ReadBytes(file_), expected);

    // A new entry goes right after the last entry of its section.
    ASSERT_TRUE(WriteEntry(file_, "选择框", "选择框_减", "真"));
    const std::string afterLastEntry =
        kAddFalseGbk.substr(0, kAddFalseGbk.size() - 2) + "\xd5\xe6\r\n";
    expected.insert(expected.find(afterLastEntry) + afterLastEntry.size(),
                    kSubtractTrueGbk + "\r\n");
    EXPECT_EQ(ReadBytes(file_), expected);

    // A new section goes at the end; the last line gets a line end first.
    ASSERT_TRUE(WriteEntry(file_, "new", "k", "v"));
    expected += "\r\n[new]\r\nk=v\r\n";
    EXPECT_EQ(ReadBytes(file_), expected);

    // An entry keeps the spelling of its key and its line end when its value changes.
    ASSERT_TRUE(WriteEntry(file_, "other", "Key", "changed"));
    expected.replace(expected.find("  Key = kept as is  "), 20, "  Key =changed");
    EXPECT_EQ(ReadBytes(file_), expected);
}

TEST_F(IniFileTest, NewEntryOfAnEmptySectionFollowsItsHeader) {
    WriteBytes(file_, "[s]\n\n[t]\nk=1\n");
    ASSERT_TRUE(WriteEntry(file_, "s", "k", "2"));
    EXPECT_EQ(ReadBytes(file_), "[s]\nk=2\n\n[t]\nk=1\n") << "and takes the file's LF line end";
}

TEST_F(IniFileTest, UnreadableSectionHeaderEndsTheSectionBeforeIt) {
    WriteBytes(file_, "[s]\na=1\n[\xff\xff]\nb=2\n");
    EXPECT_EQ(ReadEntry(file_, "s", "b", "none"), "none");
    ASSERT_TRUE(WriteEntry(file_, "s", "b", "3"));
    EXPECT_EQ(ReadBytes(file_), "[s]\na=1\nb=3\n[\xff\xff]\nb=2\n");
}

const std::string kByteOrderMark = "\xef\xbb\xbf";

TEST_F(IniFileTest, AByteOrderMarkIsIgnoredAndNotWrittenBack) {
    WriteBytes(file_, kByteOrderMark + kCheckBoxHeaderGbk + "\r\n" + kAddFalseGbk + "\r\n");
    EXPECT_EQ(ReadEntry(file_, "选择框", "选择框_加"), "假") << "the first section is found";
    ASSERT_TRUE(WriteEntry(file_, "选择框", "选择框_加", "假"));
    EXPECT_EQ(ReadBytes(file_).substr(0, 3), kByteOrderMark) << "no change, no write";

    ASSERT_TRUE(WriteEntry(file_, "选择框", "选择框_减", "真"));
    EXPECT_EQ(ReadBytes(file_),
              kCheckBoxHeaderGbk + "\r\n" + kAddFalseGbk + "\r\n" + kSubtractTrueGbk + "\r\n");
}

TEST_F(IniFileTest, AByteOrderMarkLaterInTheFileIsNoMark) {
    WriteBytes(file_, "[s]\r\n" + kByteOrderMark + "k=1\r\n");
    EXPECT_EQ(ReadEntry(file_, "s", "k", "none"), "none");
}

// Entries of a line that is not valid GB18030, read as well as they can be.
struct DamagedLine {
    const char* name;
    std::string line;
    std::string key;
    std::string value;  // what it reads as
};

std::ostream& operator<<(std::ostream& out, const DamagedLine& line) {
    return out << line.name;
}

class DamagedLineTest : public IniFileTest, public ::testing::WithParamInterface<DamagedLine> {};

TEST_P(DamagedLineTest, IsReadAndReplacedInPlace) {
    const std::string before = "[s]\r\nfirst=1\r\n" + GetParam().line + "\r\nlast=2\r\n";
    WriteBytes(file_, before);
    EXPECT_EQ(ReadEntry(file_, "s", GetParam().key, "none"), GetParam().value);
    EXPECT_EQ(ReadEntry(file_, "s", "last"), "2");

    ASSERT_TRUE(WriteEntry(file_, "s", GetParam().key, "新"));
    const std::string key = GetParam().line.substr(0, GetParam().line.find('=') + 1);
    EXPECT_EQ(ReadBytes(file_), "[s]\r\nfirst=1\r\n" + key + "\xd0\xc2\r\nlast=2\r\n")
        << "the value replaced where it was, no second entry";
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DamagedLineTest,
    ::testing::Values(DamagedLine{"ByteFF",
                                  "k=12\xff"
                                  "3",
                                  "k",
                                  "12\uFFFD"
                                  "3"},
                      DamagedLine{"TruncatedCharacterAtTheEnd", "k=abc\xd6", "k", "abc\uFFFD"},
                      DamagedLine{"LeadByteBeforeASpace", "k=\xd6 \xd6\xd0", "k", "\uFFFD 中"},
                      DamagedLine{"EuroOfGbkBesideAnInvalidByte", "price=\x80\xff", "price",
                                  "€\uFFFD"},
                      DamagedLine{"ChineseKeyWithDamagedValue",
                                  "\xd1\xa1\xd4\xf1\xbf\xf2_\xbc\xd3=\xfe", "选择框_加", "\uFFFD"},
                      DamagedLine{"SpacesAroundTheKey", "  k\t= \xff ", "k", " \uFFFD "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(IniFileTest, ADamagedKeyMatchesNoNameAndIsKept) {
    WriteBytes(file_, "[s]\nk\xff=1\nk=2\n");
    EXPECT_EQ(ReadEntry(file_, "s", "k"), "2");
    ASSERT_TRUE(WriteEntry(file_, "s", "k", "3"));
    EXPECT_EQ(ReadBytes(file_), "[s]\nk\xff=1\nk=3\n");
}

TEST_F(IniFileTest, ASectionHeaderWithDamagedBytesAfterItsNameStillCounts) {
    WriteBytes(file_, "[s] \xff\xff\nk=1\n");
    EXPECT_EQ(ReadEntry(file_, "s", "k"), "1");
    ASSERT_TRUE(WriteEntry(file_, "s", "j", "2"));
    EXPECT_EQ(ReadBytes(file_), "[s] \xff\xff\nk=1\nj=2\n");
}

TEST_F(IniFileTest, RefusesTextsThatCannotBeStoredFaithfully) {
    WriteBytes(file_, "[s]\r\nk=old\r\n");
    const std::vector<std::array<std::string, 3>> refused = {{"s", "k", "two\r\nlines"},
                                                             {"s", "k", "lone\nLF"},
                                                             {"s", "k", "lone\rCR"},
                                                             {"s", "k", "bad \xff utf-8"},
                                                             {"s", "k", "cut \xe4\xb8"},
                                                             {"s", "k", "\xed\xa0\x80"},
                                                             {"", "k", "v"},
                                                             {"a]b", "k", "v"},
                                                             {"a[b", "k", "v"},
                                                             {"s", "", "v"},
                                                             {"s", "a=b", "v"},
                                                             {"s", "[k", "v"},
                                                             {"s", ";k", "v"},
                                                             {"s", "#k", "v"},
                                                             {"s", " k", "v"},
                                                             {"s", "k\n", "v"},
                                                             {"s\xff", "k", "v"}};
    for (const auto& [section, key, value] : refused) {
        EXPECT_FALSE(WriteEntry(file_, section, key, value))
            << section << "/" << key << "/" << value;
    }
    EXPECT_EQ(ReadBytes(file_), "[s]\r\nk=old\r\n");
}

TEST_F(IniFileTest, FailedWriteReturnsFalseAndKeepsTheOldFile) {
    // The directory is missing, and is not created.
    EXPECT_FALSE(WriteEntry(directory_.File("missing/config.abc"), "s", "k", "v"));
    EXPECT_FALSE(std::filesystem::exists(directory_.File("missing")));

    // The parent is a regular file.
    WriteBytes(file_, "[s]\r\nk=old\r\n");
    EXPECT_FALSE(WriteEntry(file_ + "/config.abc", "s", "k", "v"));
    EXPECT_EQ(ReadBytes(file_), "[s]\r\nk=old\r\n");

    // The file is a directory with content.
    const std::string directoryInTheWay = directory_.File("in-the-way");
    std::filesystem::create_directories(directoryInTheWay + "/inner");
    EXPECT_FALSE(WriteEntry(directoryInTheWay, "s", "k", "v"));
    EXPECT_TRUE(std::filesystem::is_directory(directoryInTheWay + "/inner"));

    // No temporary file is left behind.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(directory_.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 2);
}

TEST_F(IniFileTest, ReadOnlyDirectoryOrUnreadableFileIsNotOverwritten) {
    if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root";
    WriteBytes(file_, "[s]\r\nk=old\r\n");
    ::chmod(file_.c_str(), 0200);  // write-only: replacing it would lose what cannot be read
    EXPECT_FALSE(WriteEntry(file_, "s", "other", "v"));
    ::chmod(file_.c_str(), 0644);
    EXPECT_EQ(ReadBytes(file_), "[s]\r\nk=old\r\n");

    ::chmod(directory_.path().c_str(), 0555);
    EXPECT_FALSE(WriteEntry(file_, "s", "k", "new"));
    ::chmod(directory_.path().c_str(), 0755);
    EXPECT_EQ(ReadBytes(file_), "[s]\r\nk=old\r\n");
}

TEST_F(IniFileTest, ReplacementKeepsThePermissions) {
    WriteBytes(file_, "[s]\r\nk=old\r\n");
    ::chmod(file_.c_str(), 0640);
    ASSERT_TRUE(WriteEntry(file_, "s", "k", "new"));
    struct stat info {};
    ASSERT_EQ(::stat(file_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(IniFileTest, ReplacementKeepsTheOwner) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file another owner";
    WriteBytes(file_, "[s]\r\nk=old\r\n");
    ASSERT_EQ(::chown(file_.c_str(), 4321, 4322), 0);
    ASSERT_TRUE(WriteEntry(file_, "s", "k", "new"));
    struct stat info {};
    ASSERT_EQ(::stat(file_.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 4322u);
    EXPECT_EQ(ReadEntry(file_, "s", "k"), "new");
}

TEST_F(IniFileTest, RewritingTheSameValueLeavesTheFileAlone) {
    ASSERT_TRUE(WriteEntry(file_, "s", "k", "v"));
    struct stat before {};
    ASSERT_EQ(::stat(file_.c_str(), &before), 0);
    ASSERT_TRUE(WriteEntry(file_, "s", "k", "v"));
    struct stat after {};
    ASSERT_EQ(::stat(file_.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino) << "a replaced file would have a new inode";
    ASSERT_TRUE(WriteEntry(file_, "s", "k", "w"));
    ASSERT_EQ(::stat(file_.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
}

// Random files built from lines that matter (headers, entries, comments, garbage, both line
// ends): a write must read back, and must not change what any other entry reads as.
TEST_F(IniFileTest, FuzzWritesReadBackAndDisturbNothingElse) {
    std::mt19937 random(20240611);
    const std::vector<std::string> sections = {"选择框", "s", "编辑框"};
    const std::vector<std::string> keys = {"k", "选择框_加", "x"};
    auto pick = [&](const auto& list) { return list[random() % list.size()]; };
    auto randomBytes = [&](size_t most) {
        std::string bytes(random() % (most + 1), '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        return bytes;
    };
    auto encode = [](const std::string& utf8) {  // GBK bytes of the few texts above
        const std::map<std::string, std::string> gbk = {
            {"选择框", "\xd1\xa1\xd4\xf1\xbf\xf2"},
            {"编辑框", "\xb1\xe0\xbc\xad\xbf\xf2"},
            {"选择框_加", "\xd1\xa1\xd4\xf1\xbf\xf2\x5f\xbc\xd3"}};
        const auto found = gbk.find(utf8);
        return found == gbk.end() ? utf8 : found->second;
    };

    for (int round = 0; round < 120; ++round) {
        std::string file;
        const int lines = static_cast<int>(random() % 12);
        for (int i = 0; i < lines; ++i) {
            switch (random() % 6) {
                case 0:
                    file += "[" + encode(pick(sections)) + "]";
                    break;
                case 1:
                case 2:
                    file += encode(pick(keys)) + "=" + randomBytes(6);
                    break;
                case 3:
                    file += ";" + encode(pick(keys)) + "=c";
                    break;
                case 4:
                    file += randomBytes(10);
                    break;
                default:
                    break;
            }
            if (i + 1 < lines || random() % 2 == 0) file += random() % 2 == 0 ? "\r\n" : "\n";
        }
        WriteBytes(file_, file);

        std::map<std::pair<std::string, std::string>, std::string> before;
        for (const std::string& section : sections) {
            for (const std::string& key : keys) {
                before[{section, key}] = ReadEntry(file_, section, key, "<none>");
            }
        }
        const std::string section = pick(sections);
        const std::string key = pick(keys);
        const std::string value = "v" + std::to_string(round) + " 值";
        ASSERT_TRUE(WriteEntry(file_, section, key, value));
        before[{section, key}] = value;
        for (const auto& [where, expected] : before) {
            ASSERT_EQ(ReadEntry(file_, where.first, where.second, "<none>"), expected)
                << "round " << round << ", wrote " << section << "/" << key << " into\n"
                << file;
        }
    }
}

// Random files and random series of writes: a series of writes into one document gives the
// bytes that the same writes give one by one, each into a document parsed afresh from the bytes
// of the write before, and every value written reads back from the document at once.
TEST(IniDocumentTest, FuzzSeriesOfWritesEqualsWritesOneByOne) {
    std::mt19937 random(99);
    const std::vector<std::string> sections = {"选择框", "s", "编辑框", "新"};
    const std::vector<std::string> keys = {"k", "选择框_加", "x", "新键"};
    const std::vector<std::string> lines = {"[\xd1\xa1\xd4\xf1\xbf\xf2]",
                                            "[s]",
                                            "[s] \xff",
                                            "k=1",
                                            "x = 2 ",
                                            "\xd1\xa1=3",
                                            "; c",
                                            "",
                                            "k=\xff",
                                            "[t]",
                                            "junk \x80",
                                            "[s",
                                            "=v"};
    auto pick = [&](const auto& list) { return list[random() % list.size()]; };
    for (int round = 0; round < 400; ++round) {
        std::string file = round % 7 == 0 ? "\xef\xbb\xbf" : "";
        const int count = static_cast<int>(random() % 10);
        for (int i = 0; i < count; ++i) {
            file += pick(lines);
            if (i + 1 < count || random() % 2 == 0) file += random() % 2 == 0 ? "\r\n" : "\n";
        }
        IniDocument together(file);
        std::string oneByOne = file;
        const int writes = 1 + static_cast<int>(random() % 6);
        for (int w = 0; w < writes; ++w) {
            const std::string section = pick(sections);
            const std::string key = pick(keys);
            const std::string value = "v" + std::to_string(random() % 3) + " 值";
            ASSERT_TRUE(together.Write(section, key, value));
            ASSERT_EQ(together.Read(section, key), value) << "round " << round;
            IniDocument single(oneByOne);
            ASSERT_TRUE(single.Write(section, key, value));
            oneByOne = single.Bytes();
        }
        ASSERT_EQ(together.Bytes(), oneByOne) << "round " << round << " from\n" << file;
    }
}

TEST_F(IniFileTest, FuzzRandomBytesReadWithoutFault) {
    std::mt19937 random(7);
    for (int round = 0; round < 120; ++round) {
        std::string bytes(random() % 200, '\0');
        for (char& c : bytes) {
            // Mostly bytes that shape the syntax, so that lines parse in many ways.
            const char shaping[] = "[]=;#\r\n \t\xd1\xa1\x80\xff";
            c = random() % 2 == 0 ? shaping[random() % (sizeof shaping - 1)]
                                  : static_cast<char>(random());
        }
        WriteBytes(file_, bytes);
        // Whatever the file holds, a value read is UTF-8 text.
        for (const char* section : {"s", "\xe9\x80\x89", "\xd1\xa1"}) {
            const std::string value = ReadEntry(file_, section, "k", "");
            ASSERT_TRUE(Utf8ToGb18030(value).has_value()) << "read from\n" << bytes;
        }
        ASSERT_TRUE(WriteEntry(file_, "s", "k", "v"));
        ASSERT_EQ(ReadEntry(file_, "s", "k"), "v");
    }
}

}  // namespace
