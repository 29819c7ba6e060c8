#include "ui/UpdateCheck.h"

#include <QUrl>
#include <QWidget>
#include <ctime>
#include <system_error>

#include "app/SettingsStore.h"
#include "app/Version.h"
#include "engine/Engine.h"
#include "ui/CheckUpdateDlg.h"
#include "ui/UiPrompts.h"
#include "ui/UiText.h"
#include "ui/UpdateRules.h"

namespace talvex::ui {

UpdateCheck::UpdateCheck(Engine& engine, UiPrompts& prompts, QWidget* owner)
    : QObject(nullptr), engine_(engine), prompts_(prompts), owner_(owner) {}

UpdateCheck::~UpdateCheck() {
    Shutdown();
}

void UpdateCheck::Run(bool manual) {
    if (shutDown_) {
        return;
    }
    if (busy_) {
        if (manual) {
            manual_.store(true);
        }
        return;
    }
    const SettingsStore& settings = *engine_.GetSettings();
    UpdateCheckRequest request;
    request.programVersion = kVersionText;
    const QUrl page = SitePageUrl(settings, QStringLiteral("/notifier.html"));
    if (page.isLocalFile()) {
        // The pages bundled with the program: the file is read as it is.
        request.notifierFile = std::filesystem::path(page.toLocalFile().toStdString());
    } else {
        request.notifierAddress =
            page.toString(QUrl::FullyEncoded).toStdWString() +
            NotifierQuery(settings.GetLanguage(), settings.GetInstallationId(), kVersionText);
    }

    busy_ = true;
    manual_.store(manual);
    stop_.store(false);
    ScriptTable& scripts = engine_.Parser().Scripts();
    try {
        worker_ = std::thread([this, request, &scripts] {
            const UpdateCheckOutcome outcome = RunUpdateCheckWork(request, scripts, stop_);
            QMetaObject::invokeMethod(
                this, [this, outcome] { OnWorkDone(outcome); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        busy_ = false;
        UpdateCheckOutcome failed;
        failed.result = UpdateCheckResult::kSiteFailed;
        ShowOutcome(failed, manual);
        emit finished();
    }
}

bool UpdateCheck::RunIfDue() {
    return RunIfDue(static_cast<uint32_t>(std::time(nullptr)));
}

bool UpdateCheck::RunIfDue(uint32_t now) {
    if (shutDown_ || !ClaimAutomaticCheck(*engine_.GetSettings(), now)) {
        return false;
    }
    Run(false);
    return true;
}

void UpdateCheck::Shutdown() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    stop_.store(true);
    if (dialog_) {
        dialog_->reject();
    }
    JoinWorker();
}

void UpdateCheck::JoinWorker() {
    if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) {
        worker_.join();
    }
}

void UpdateCheck::OnWorkDone(const UpdateCheckOutcome& outcome) {
    JoinWorker();
    if (!shutDown_) {
        ShowOutcome(outcome, manual_.load());
    }
    busy_ = false;
    if (!shutDown_) {
        emit finished();
    }
}

void UpdateCheck::ShowOutcome(const UpdateCheckOutcome& outcome, bool manual) {
    QWidget* parent = owner_.data();
    switch (outcome.result) {
        case UpdateCheckResult::kStopped:
            break;
        case UpdateCheckResult::kSiteFailed:
        case UpdateCheckResult::kUnusableNotice:
            if (manual) {
                prompts_.Message(parent, MessageIcon::Warning, MessageButtons::Ok,
                                 CheckFailedText());
            }
            break;
        case UpdateCheckResult::kNewProgram: {
            const UpdateNotice& notice = outcome.notice;
            CheckUpdateDlg dialog(engine_, prompts_, QString::fromStdWString(notice.installerUrl),
                                  QString::fromStdWString(notice.version),
                                  QString::fromStdWString(notice.whatsNew), parent);
            dialog_ = &dialog;
            connect(&dialog, &CheckUpdateDlg::opened, this,
                    [this, &dialog] { emit dialogOpened(&dialog); });
            const int code = dialog.exec();
            dialog_ = nullptr;
            if (code == CheckUpdateDlg::kInstallerStarted && !shutDown_) {
                emit quitRequested();
            }
            break;
        }
        case UpdateCheckResult::kUpToDate:
        case UpdateCheckResult::kScriptsInstalled:
            if (manual) {
                prompts_.Message(parent, MessageIcon::Information, MessageButtons::Ok,
                                 UpToDateText(QString::fromStdWString(outcome.scriptVersion)));
            }
            break;
        case UpdateCheckResult::kScriptsFailed:
            if (manual) {
                prompts_.Message(parent, MessageIcon::Warning, MessageButtons::Ok,
                                 ScriptsFailedText());
            }
            break;
    }
}

QString UpdateCheck::UpToDateText(const QString& scriptVersion) const {
    QString text = Text(*engine_.GetStringTable(), L"msg.manual.check.upd",
                        L"Your application is up to date. Your version is %1 (%2)");
    text.replace(QStringLiteral("%1"), QString::fromStdWString(kVersionText));
    text.replace(QStringLiteral("%2"), scriptVersion);
    return text;
}

QString UpdateCheck::CheckFailedText() const {
    return Text(*engine_.GetStringTable(), L"msg.manual.check.failed",
                L"Talvex could not check for updates: the update site could not be reached or "
                L"did not answer as expected. Please check your Internet connection and try "
                L"again later.");
}

QString UpdateCheck::ScriptsFailedText() const {
    return Text(*engine_.GetStringTable(), L"msg.manual.check.scripts.failed",
                L"New site scripts are available, but they could not be downloaded and "
                L"installed. Talvex keeps using the current ones. Please try again later.");
}

}  // namespace talvex::ui
