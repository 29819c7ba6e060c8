#pragma once
// A Play page over an isolated home: real settings, the built-in texts, scripted prompts, and
// a media folder with clips made by the encoder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "integration/convert/MediaFixtures.h"
#include "support/TestHome.h"
#include "ui/TabPlay.h"
#include "ui/common/ScriptedPrompts.h"

namespace talvex::test {

class PlayTabFixture : public ::testing::Test {
protected:
    PlayTabFixture() {
        std::filesystem::create_directories(media);
        std::filesystem::create_directories(downloads);
        settings.SetString(setting::kDownloadDirectory, downloads.wstring());
    }

    // The page, shown and active, at the size the main window gives it.
    ui::TabPlay& Tab() {
        if (!tab_) {
            tab_ = std::make_unique<ui::TabPlay>(settings, strings, prompts);
            tab_->resize(700, 330);
            tab_->show();
            QApplication::setActiveWindow(tab_.get());
            EXPECT_TRUE(QTest::qWaitForWindowExposed(tab_.get()));
        }
        return *tab_;
    }
    void DestroyTab() { tab_.reset(); }

    // A short clip: H.264 in MP4 unless args say otherwise.
    std::filesystem::path Clip(const std::filesystem::path& folder, const std::string& name,
                               const std::vector<std::string>& args = {}, double seconds = 1) {
        const std::filesystem::path file = folder / name;
        EXPECT_TRUE(MakeClip(file, 160, 120, seconds, args)) << name;
        return file;
    }

    QStringList ListedFiles() {
        QStringList names;
        for (int row = 0; row < Tab().FileList()->count(); ++row) {
            names << Tab().FileList()->item(row)->text();
        }
        return names;
    }

    void DoubleClickFile(const QString& name) {
        QListWidget* list = Tab().FileList();
        const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        list->scrollToItem(found.front());
        const QPoint at = list->visualItemRect(found.front()).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    std::wstring Stored(int n) const { return settings.GetString(setting::MruDirName(n), L""); }

    TestHome home;
    SettingsStore settings;
    StringTable strings;
    ScriptedPrompts prompts;
    std::filesystem::path media = home.Root() / "media";
    std::filesystem::path downloads = home.Root() / "downloads";

private:
    std::unique_ptr<ui::TabPlay> tab_;
};

}  // namespace talvex::test
