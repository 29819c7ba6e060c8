#pragma once
// A Download tab over an isolated home: real settings and (empty) language table, scripted
// prompts, a recording engine and main window. The stored download folder exists.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <filesystem>
#include <memory>

#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "support/TestHome.h"
#include "ui/CustomButton.h"
#include "ui/HyperlinkLabel.h"
#include "ui/TabDownload.h"
#include "ui/common/ScriptedPrompts.h"
#include "ui/download/RecordingDownloadService.h"
#include "ui/download/RecordingMessageSink.h"

namespace talvex::test {

inline const std::wstring kVideo = L"https://www.youtube.com/watch?v=abcdefghijk";
inline const std::wstring kOtherVideo = L"https://www.youtube.com/watch?v=zyxwvutsrqp";
inline const std::wstring kPlayList = L"https://www.youtube.com/playlist?list=PL0123456789";
inline const std::wstring kChannel = L"https://www.youtube.com/user/somebody";
inline const std::wstring kUnsupported = L"http://unsupported.example/video/1";

class DownloadTabFixture : public ::testing::Test {
protected:
    DownloadTabFixture() {
        std::filesystem::create_directories(folder);
        settings.SetString(setting::kDownloadDirectory, folder.wstring());
    }

    // The tab, shown and active so that focus and pointer events reach it.
    ui::TabDownload& Tab() {
        if (!tab_) {
            tab_ = std::make_unique<ui::TabDownload>(settings, strings, service, prompts, &sink);
            tab_->resize(tab_->sizeHint().expandedTo(QSize(700, 340)));
            tab_->show();
            QApplication::setActiveWindow(tab_.get());
            EXPECT_TRUE(QTest::qWaitForWindowActive(tab_.get()));
        }
        return *tab_;
    }
    void DestroyTab() { tab_.reset(); }

    // Types the lines into the box, as the user would, and leaves the focus there.
    void TypeAddresses(const std::vector<std::wstring>& lines) {
        QPlainTextEdit* box = Tab().AddressBox();
        box->setFocus();
        for (const std::wstring& line : lines) {
            QTest::keyClicks(box, QString::fromStdWString(line));
            QTest::keyClick(box, Qt::Key_Return);
        }
    }

    void ClickDownload() { QTest::mouseClick(Tab().DownloadButton(), Qt::LeftButton); }

    TestHome home;
    SettingsStore settings;
    StringTable strings;
    ScriptedPrompts prompts;
    RecordingDownloadService service{&settings};
    RecordingMessageSink sink;
    std::filesystem::path folder = home.Root() / "videos";

private:
    std::unique_ptr<ui::TabDownload> tab_;
};

}  // namespace talvex::test
