#pragma once

// One Qt application for all tests of a process: created before the first test and destroyed
// after the last one, while everything it needs still exists. Include it as
// "../support/qt_application.h" and register it once per test program:
//
//     [[maybe_unused]] auto* const kQt = test_support::AddQtApplication<QApplication>();

#include <gtest/gtest.h>

#include <QtGlobal>
#include <functional>
#include <memory>
#include <utility>

namespace test_support {

template <class Application>
class QtApplicationEnvironment : public ::testing::Environment {
public:
    QtApplicationEnvironment(std::function<void()> before, std::function<void()> after)
        : before_(std::move(before)), after_(std::move(after)) {}

    void SetUp() override {
        if (before_) before_();
        // The offscreen platform unless the environment asks for another.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        application_ = std::make_unique<Application>(argc_, argv_);
        if (after_) after_();
    }
    void TearDown() override { application_.reset(); }

private:
    std::function<void()> before_;
    std::function<void()> after_;
    int argc_ = 1;
    char name_[13] = "pelmora_test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<Application> application_;
};

// Registers the application of the test process. `before` runs before it is created (for what
// must come first in the process), `after` once it exists.
template <class Application>
::testing::Environment* AddQtApplication(std::function<void()> before = {},
                                         std::function<void()> after = {}) {
    return ::testing::AddGlobalTestEnvironment(
        new QtApplicationEnvironment<Application>(std::move(before), std::move(after)));
}

}  // namespace test_support
