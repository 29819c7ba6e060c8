#pragma once
// The main window in a home of its own, answered by scripted prompts, with helpers that run
// the event loop until something holds.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <filesystem>
#include <memory>

#include "support/TestHome.h"
#include "ui/MainDlg.h"
#include "ui/common/EventLoopWait.h"
#include "ui/common/ScriptedPrompts.h"

namespace talvex::test {

// The window tests' name for it.
template <class Pred>
bool WaitUntil(Pred pred, int limitMs) {
    return RunEventsUntil(pred, limitMs);
}

// Regular files in folder whose name begins with "~qrv" (work files).
inline std::vector<std::string> WorkFilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("~qrv", 0) == 0) {
            names.push_back(name);
        }
    }
    return names;
}

class WindowFixture : public ::testing::Test {
protected:
    // A new window with an empty command line (or the one given).
    ui::MainDlg& OpenWindow(std::wstring commandLine = {}) {
        window_ = std::make_unique<ui::MainDlg>(std::move(commandLine), prompts_);
        window_->show();
        return *window_;
    }
    void TearDown() override {
        if (window_) {
            window_->RequestClose(false);
            window_.reset();
        }
    }

    TestHome home_;
    ScriptedPrompts prompts_;
    std::unique_ptr<ui::MainDlg> window_;
};

}  // namespace talvex::test
