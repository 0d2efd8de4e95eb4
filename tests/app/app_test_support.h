#pragma once

// Shared by the tests of the main window: one QApplication for the whole test process, on the
// offscreen platform unless the environment asks for another.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "platform/grid_renderer.h"

namespace app_test {

// Creates the application before the first test and destroys it after the last one, while
// everything it needs still exists.
class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        application_ = std::make_unique<QApplication>(argc_, argv_);
        QApplication::setApplicationName(QStringLiteral("VantrelPelmora"));
        RegisterCjkFontSubstitutions();
    }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[9] = "app_test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

inline ::testing::Environment* const kApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

// The application of the test process (created by the environment above).
inline QApplication& Application() {
    return *qApp;
}

inline QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace app_test
