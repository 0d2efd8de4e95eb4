// Qt's own texts follow the user's language once its translations are installed.
#include "app/qt_translations.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>
#include <algorithm>

#include "app_test_support.h"

namespace {

struct QtText {
    const char* name;
    const char* context;
    const char* source;
};

class QtTranslationsTest : public ::testing::TestWithParam<QtText> {
protected:
    void SetUp() override { app_test::Application(); }
    void TearDown() override {
        if (translator_) QCoreApplication::removeTranslator(translator_);
        delete translator_;
    }
    static QString Translated(const QtText& text) {
        return QCoreApplication::translate(text.context, text.source);
    }
    QTranslator* translator_ = nullptr;
};

// Texts of the preview's toolbar, its print dialog and the standard buttons of a message box.
const QtText kTexts[] = {
    {"PreviewPrintButton", "QPrintPreviewDialog", "Print"},
    {"PreviewPortraitButton", "QPrintPreviewDialog", "Portrait"},
    {"PreviewLandscapeButton", "QPrintPreviewDialog", "Landscape"},
    {"PrintDialogPrintToPdf", "QPrintDialog", "Print to File (PDF)"},
    {"StandardCancelButton", "QPlatformTheme", "Cancel"},
    {"StandardOkButton", "QPlatformTheme", "OK"},
};

TEST_P(QtTranslationsTest, AreChineseForAChineseUser) {
    ASSERT_EQ(Translated(GetParam()), QString::fromUtf8(GetParam().source));
    translator_ = InstallQtTranslations(*QCoreApplication::instance(),
                                        QLocale(QLocale::Chinese, QLocale::China));
    ASSERT_NE(translator_, nullptr) << "qtbase_zh_CN.qm is not installed";
    const QString text = Translated(GetParam());
    EXPECT_NE(text, QString::fromUtf8(GetParam().source));
    // Every translation of these texts holds at least one Chinese character.
    EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() >= 0x4e00 && c.unicode() <= 0x9fff;
    })) << text.toStdString();
}

TEST_P(QtTranslationsTest, StayEnglishWhereQtHasNoTranslation) {
    translator_ = InstallQtTranslations(*QCoreApplication::instance(), QLocale::c());
    EXPECT_EQ(translator_, nullptr);
    EXPECT_EQ(Translated(GetParam()), QString::fromUtf8(GetParam().source));
}

INSTANTIATE_TEST_SUITE_P(QtTexts, QtTranslationsTest, ::testing::ValuesIn(kTexts),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
