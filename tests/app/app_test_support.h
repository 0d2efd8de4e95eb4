#pragma once

// Shared by the tests of the main window: one QApplication for the whole test process.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "../support/qt_application.h"
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

}  // namespace app_test
