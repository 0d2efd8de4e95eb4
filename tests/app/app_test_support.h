#pragma once

// Shared by the tests of the main window: one QApplication for the whole test process.

#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressDialog>
#include <QTest>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "../support/qt_application.h"
#include "output/message_box.h"
#include "platform/grid_renderer.h"

namespace app_test {

inline ::testing::Environment* const kApplicationEnvironment =
    test_support::AddQtApplication<QApplication>({}, [] {
        QApplication::setApplicationName(QStringLiteral("VantrelPelmora"));
        RegisterCjkFontSubstitutions();
    });

// The application of the test process (created by the environment above, on the offscreen
// platform unless the environment asks for another).
inline QApplication& Application() {
    return *qApp;
}

inline QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

inline bool ProgressDialogVisible() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QProgressDialog*>(widget) && widget->isVisible()) return true;
    }
    return false;
}

// Remembers every message the program shows, and whether a progress dialog was still on screen
// when one of them came (a message must wait until the run's progress dialog has gone).
class RecordingMessages : public MessageBox {
public:
    void Show(const std::string& text, int32_t style) override {
        shown.emplace_back(text, style);
        progressShownMeanwhile = progressShownMeanwhile || ProgressDialogVisible();
    }
    std::vector<std::pair<std::string, int32_t>> shown;
    bool progressShownMeanwhile = false;
};

}  // namespace app_test
