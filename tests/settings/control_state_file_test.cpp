#include "settings/control_state_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <random>

#include "../platform/temporary_directory.h"

namespace {

TEST(ControlStateFileTest, CheckedStates) {
    EXPECT_EQ(EncodeChecked(false), "假");
    EXPECT_EQ(EncodeChecked(true), "真");
    EXPECT_FALSE(DecodeChecked("假"));
    EXPECT_TRUE(DecodeChecked("真"));
    EXPECT_TRUE(DecodeChecked("1"));
    EXPECT_TRUE(DecodeChecked("假 ")) << "only the exact text means false";
}

TEST(ControlStateFileTest, EditTextsEscapeLineBreaksAndQuotes) {
    EXPECT_EQ(EncodeEditText("第一行\r\n\"第二行\""), "第一行><br><#引号第二行#引号");
    EXPECT_EQ(DecodeEditText("第一行><br><#引号第二行#引号"), "第一行\r\n\"第二行\"");
    EXPECT_EQ(EncodeEditText("lone\rCR lone\nLF"), "lone\rCR lone\nLF");
    EXPECT_EQ(EncodeEditText("\r\n\r\n"), "><br><><br><");
    // Texts that look like the escapes come back as what they stand for.
    EXPECT_EQ(DecodeEditText(EncodeEditText("a><br><b#引号c")), "a\r\nb\"c");
    // The quote mark is undone after the line breaks, so a quote cannot form a line break mark.
    EXPECT_EQ(DecodeEditText("><br#引号<"), "><br\"<");
}

TEST(ControlStateFileTest, ComboStateEncodesAsDocumented) {
    ComboState state{{{"2", 0}, {"3", 0}}, 1, "3"};
    EXPECT_EQ(EncodeComboState(state), "2<|>0<||>3<|>0<||>1<|>3");
    EXPECT_EQ(DecodeComboState("2<|>0<||>3<|>0<||>1<|>3"), state);

    const ComboState quoted{{{"\"甲\"", -7}, {"", 2147483647}}, -1, "\"自由\" 文字"};
    const std::string value = EncodeComboState(quoted);
    EXPECT_EQ(value.find('"'), std::string::npos);
    EXPECT_EQ(DecodeComboState(value), quoted);

    EXPECT_EQ(EncodeComboState(ComboState{{}, -1, ""}), "-1<|>");
    EXPECT_EQ(DecodeComboState("-1<|>"), (ComboState{{}, -1, ""}));
    EXPECT_EQ(DecodeComboState(""), std::nullopt);
}

TEST(ComboStateTest, SeparatorsInsideTextsAreNotEscaped) {
    // An item text holding "<|>" is cut at its first one; the data comes after the last.
    const ComboState cut{{{"a<|>b", 5}}, 0, "a<|>b"};
    const auto decoded = DecodeComboState(EncodeComboState(cut));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->items, (std::vector<ComboItem>{{"a", 5}}));
    EXPECT_EQ(decoded->text, "b");

    // One holding "<||>" falls apart into two items.
    const auto split = DecodeComboState(EncodeComboState({{{"x<||>y", 1}}, 0, "t"}));
    ASSERT_TRUE(split.has_value());
    EXPECT_EQ(split->items, (std::vector<ComboItem>{{"", 0}, {"y", 1}}));

    // Elements without "<|>" decode to empty texts and zeros.
    EXPECT_EQ(DecodeComboState("junk<||>more"), (ComboState{{{"", 0}}, 0, ""}));
    EXPECT_EQ(DecodeComboState("#引号"), (ComboState{{}, 0, ""}));
    EXPECT_EQ(DecodeComboState("<||>"), (ComboState{{{"", 0}}, 0, ""}));
}

TEST(ControlStateFileTest, TextBeforeAndAfter) {
    EXPECT_EQ(TextBefore("a<|>b<|>c", "<|>"), "a");
    EXPECT_EQ(TextAfter("a<|>b<|>c", "<|>"), "c");
    EXPECT_EQ(TextBefore("abc", "<|>"), "");
    EXPECT_EQ(TextAfter("abc", "<|>"), "");
    EXPECT_EQ(TextAfter("abc<|>", "<|>"), "");
    EXPECT_EQ(TextBefore("<|>abc", "<|>"), "");
}

TEST(ControlStateFileTest, WholeNumberOf) {
    EXPECT_EQ(WholeNumberOf("12"), 12);
    EXPECT_EQ(WholeNumberOf("-1"), -1);
    EXPECT_EQ(WholeNumberOf("+7"), 7);
    EXPECT_EQ(WholeNumberOf(" \t42 "), 42);
    EXPECT_EQ(WholeNumberOf("3.99"), 3);
    EXPECT_EQ(WholeNumberOf("-3.99"), -3);
    EXPECT_EQ(WholeNumberOf(".5"), 0);
    EXPECT_EQ(WholeNumberOf("8."), 8);
    EXPECT_EQ(WholeNumberOf("2147483647"), INT32_MAX);
    EXPECT_EQ(WholeNumberOf("2147483648"), INT32_MAX);
    EXPECT_EQ(WholeNumberOf("99999999999999999999999"), INT32_MAX);
    EXPECT_EQ(WholeNumberOf("-2147483648"), INT32_MIN);
    EXPECT_EQ(WholeNumberOf("-2147483649"), INT32_MIN);
    EXPECT_EQ(WholeNumberOf("000000000000000000012"), 12);
    for (const char* notANumber :
         {"", " ", "-", "+.", ".", "12abc", "abc", "1e3", "0x10", "1 2", "--1", "1.2.3", "１２"}) {
        EXPECT_EQ(WholeNumberOf(notANumber), 0) << notANumber;
    }
}

TEST(ControlStateFileTest, DataDirectoryBesideTheProgramOrInTheUserConfiguration) {
    EXPECT_EQ(DataDirectoryFor("/opt/p", true, "/x", "/home/u"), "/opt/p/data");
    EXPECT_EQ(DataDirectoryFor("/usr/local/bin", false, "/home/u/.cfg/", "/home/u"),
              "/home/u/.cfg/vantrel-pelmora");
    EXPECT_EQ(DataDirectoryFor("/usr/local/bin", false, "", "/home/u"),
              "/home/u/.config/vantrel-pelmora");
    EXPECT_EQ(DataDirectoryFor("/usr/local/bin", false, "relative", "/home/u"),
              "/home/u/.config/vantrel-pelmora")
        << "a relative XDG_CONFIG_HOME does not count";
    EXPECT_EQ(DataDirectoryFor("/usr/local/bin", false, "", ""), "/usr/local/bin/data");
    EXPECT_EQ(DataDirectoryFor("", true, "", ""), "/data") << "a program directly in /";
}

TEST(ControlStateFileTest, CanWriteDataBeside) {
    TemporaryDirectory directory;
    EXPECT_TRUE(CanWriteDataBeside(directory.path())) << "data can be created";
    std::filesystem::create_directory(directory.File("data"));
    EXPECT_TRUE(CanWriteDataBeside(directory.path()));
    EXPECT_FALSE(CanWriteDataBeside(directory.File("missing")));

    TemporaryDirectory blocked;
    WriteBytes(blocked.File("data"), "a file named data");
    EXPECT_FALSE(CanWriteDataBeside(blocked.path()));
}

TEST(ControlStateFileTest, FilesLieInTheDataDirectory) {
    const std::string data = DataDirectory();
    EXPECT_EQ(StateFilePath(), data + "/config.abc");
    EXPECT_EQ(DefaultStateFilePath(), data + "/setsoft.ini");
    EXPECT_TRUE(std::filesystem::is_directory(data)) << "made by DefaultStateFilePath";
    EXPECT_TRUE(CreateDataDirectory());
}

// Random values through every decoder: no crash, no sanitizer report, and the decoders keep
// their promises whatever they are fed.
TEST(ControlStateFileTest, FuzzDecodersWithRandomBytes) {
    std::mt19937 random(1234);
    const std::string pieces[] = {"<|>", "<||>", "#引号", "><br><", "-", ".", "\r\n", "\"", "9"};
    for (int round = 0; round < 20000; ++round) {
        std::string value;
        const int parts = static_cast<int>(random() % 10);
        for (int i = 0; i < parts; ++i) {
            if (random() % 2 == 0) {
                value += pieces[random() % std::size(pieces)];
            } else {
                value += static_cast<char>(random());
            }
        }
        const std::string text = DecodeEditText(value);
        EXPECT_EQ(text.find("><br><"), std::string::npos) << value;
        const int32_t number = WholeNumberOf(value);
        if (value.find_first_of("123456789") == std::string::npos) {
            EXPECT_EQ(number, 0) << value;
        }
        const std::optional<ComboState> state = DecodeComboState(value);
        ASSERT_EQ(state.has_value(), !value.empty());
        if (state) {
            // Decoding what was decoded and encoded again is stable.
            ASSERT_EQ(DecodeComboState(EncodeComboState(*state)), state) << value;
        }
    }
}

}  // namespace
