#include "ui/MainDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <algorithm>
#include <chrono>
#include <thread>

#include "app/CommandLine.h"
#include "app/DebugLog.h"
#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "engine/Engine.h"
#include "platform/Folders.h"
#include "ui/AboutDlg.h"
#include "ui/ActivityItemListCtrl.h"
#include "ui/ActivityModel.h"
#include "ui/CSimpleTabCtrl.h"
#include "ui/CheckUpdateDlg.h"
#include "ui/CustomButton.h"
#include "ui/DStaticText.h"
#include "ui/DesktopNotifier.h"
#include "ui/DialogUnits.h"
#include "ui/EngineDownloads.h"
#include "ui/LinkMarkup.h"
#include "ui/Pictures.h"
#include "ui/QtMessageSink.h"
#include "ui/RequestLoginDlg.h"
#include "ui/TabActivity.h"
#include "ui/TabConvert.h"
#include "ui/TabDownload.h"
#include "ui/TabPlay.h"
#include "ui/UiText.h"
#include "ui/UpdateCheck.h"
#include "ui/WorkEndNotice.h"

namespace talvex::ui {

namespace {

// The window's background and the colour of the links drawn on it.
const QColor kBackground(118, 178, 244);

}  // namespace

MainDlg::MainDlg(std::wstring commandLine, UiPrompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      prompts_(prompts),
      commandLine_(std::move(commandLine)),
      sink_(std::make_unique<QtMessageSink>(this)),
      engine_(std::make_unique<Engine>()) {
    // Errors while setting up are not fatal: the window opens with whatever was set up.
    try {
        engine_->Init(sink_.get());
    } catch (...) {
        Trace("Exception caught while initialising the engine");
    }
    engine_->Pipe().StartListening(sink_.get());
    login_ = std::make_unique<RequestLoginDlg>(*engine_->GetStringTable(), this);
    engine_->Parser().SetLoginPrompt(login_.get());
    downloads_ = new EngineDownloads(*engine_, this);
    BuildWindow();
    ApplyTexts();
    // Downloads that an earlier run left unfinished are listed again, paused, for Start to
    // go on with.
    try {
        engine_->RestoreUnfinished();
    } catch (...) {
        Trace("Exception caught while listing unfinished downloads");
    }
    updateCheck_ = std::make_unique<UpdateCheck>(*engine_, prompts_, this);
    // The installer the user chose to run has been opened: the program makes way for it.
    connect(
        updateCheck_.get(), &UpdateCheck::quitRequested, this,
        [this] {
            if (RequestClose(false)) {
                QCoreApplication::quit();
            }
        },
        Qt::QueuedConnection);
    // Once a day ("NextCheckAutoUpdate"), on a worker: the window opens at once.
    updateCheck_->RunIfDue();
    if (!commandLine_.empty()) {
        sink_->Post(kMsgInstanceCommand, 1, 0);
    }
}

MainDlg::~MainDlg() {
    if (!shutDown_) {
        Shutdown();
    }
    // Its worker uses the engine.
    updateCheck_.reset();
    // The pages show the engine's items and unregister from its queue: they go first, then
    // the requests still being read, then the engine once no worker uses it.
    delete tabs_;
    tabs_ = nullptr;
    delete downloads_;
    downloads_ = nullptr;
    sink_->Detach();
    if (!WaitForWorkers(kWorkerWaitMs)) {
        // A worker is stuck on the network: the engine and the login dialog it may still use
        // are left to the end of the process instead of being freed under it. Settings are
        // saved and the stop has removed every work file.
        DebugLog::Write("MainDlg: workers still busy at exit, the engine is kept until the end");
        stoppedItems_.clear();
        engine_->Parser().SetLoginPrompt(nullptr);
        (void)engine_.release();
        login_->setParent(nullptr);
        (void)login_.release();
        return;
    }
    engine_->Parser().SetLoginPrompt(nullptr);
    engine_.reset();
    login_.reset();
}

void MainDlg::BuildWindow() {
    setWindowTitle(QStringLiteral("Talvex"));
    setWindowIcon(pictures::WindowIcon());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kBackground);
    setPalette(palette);
    setAutoFillBackground(true);

    const DialogUnits du(font());
    setFixedSize(du.Size(430, 286));

    logo_ = new QLabel(this);
    logo_->setGeometry(du.Rect(14, 2, 53, 52));
    const int side = std::min(logo_->width(), logo_->height());
    logo_->setPixmap(pictures::Logo(side));
    logo_->setAlignment(Qt::AlignCenter);
    logo_->setAccessibleName(QStringLiteral("Talvex"));

    helpButton_ = new CustomButton(this);
    helpButton_->setGeometry(du.Rect(362, 10, 58, 15));
    helpButton_->SetColors(ButtonColors::Blue());
    QFont helpFont(QStringLiteral("Arial"));
    helpFont.setStyleHint(QFont::SansSerif);
    helpFont.setBold(true);
    helpFont.setPixelSize(12);
    helpButton_->setFont(helpFont);
    helpButton_->setFocusPolicy(Qt::StrongFocus);
    connect(helpButton_, &QAbstractButton::clicked, this, &MainDlg::OnHelpButton);

    what2do_ = new DStaticText(this);
    what2do_->setGeometry(du.Rect(12, 57, 252, 10));
    what2do_->SetFontStyle(DStaticText::kBold, 12);
    what2do_->SetTextColor(Qt::white);

    tabs_ = new CSimpleTabCtrl(this);
    tabs_->setGeometry(du.Rect(10, 72, 410, 193));

    StringTable& strings = *engine_->GetStringTable();
    SettingsStore& settings = *engine_->GetSettings();
    tabDownload_ = new TabDownload(settings, strings, *downloads_, prompts_, sink_.get(), nullptr);
    tabConvert_ = new TabConvert(*engine_, prompts_, sink_.get(), nullptr);
    tabActivity_ =
        new TabActivity(*engine_->GetActivityQueue(), settings, strings, prompts_, nullptr);
    tabPlay_ = new TabPlay(settings, strings, prompts_, nullptr);
    tabs_->AddTab(tabDownload_, QStringLiteral("Download"));
    tabs_->AddTab(tabConvert_, QStringLiteral("Convert"));
    tabs_->AddTab(tabActivity_, QStringLiteral("Activity"));
    tabs_->AddTab(tabPlay_, QStringLiteral("Play"));

    links_ = new QLabel(this);
    links_->setGeometry(du.Rect(10, 271, 410, 9));
    QFont linkFont = font();
    linkFont.setBold(true);
    linkFont.setPixelSize(11);
    links_->setFont(linkFont);
    links_->setTextFormat(Qt::RichText);
    QPalette linkColors = links_->palette();
    linkColors.setColor(QPalette::WindowText, Qt::white);
    linkColors.setColor(QPalette::Link, Qt::white);
    linkColors.setColor(QPalette::LinkVisited, Qt::white);
    links_->setPalette(linkColors);
    links_->setAlignment(Qt::AlignCenter);
    links_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(links_, &QLabel::linkActivated, this, &MainDlg::OnLink);

    SetNotifier(new DesktopNotifier());
    connect(&tabActivity_->List().Model(), &ActivityModel::itemEnded, this, &MainDlg::OnItemEnded);

    setTabOrder(helpButton_, tabs_);
    setTabOrder(tabs_, links_);
    // The first thing to do is to give an address.
    tabDownload_->AddressBox()->setFocus();

    // Centred on the screen's work area.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void MainDlg::ApplyTexts() {
    const StringTable& strings = *engine_->GetStringTable();
    tabs_->SetTabTitle(0, Text(strings, L"tab.name.download", L"Download"));
    tabs_->SetTabTitle(1, Text(strings, L"tab.name.convert", L"Convert"));
    tabs_->SetTabTitle(2, Text(strings, L"tab.name.activity", L"Activity"));
    tabs_->SetTabTitle(3, Text(strings, L"tab.name.play", L"Play"));
    helpButton_->setText(Text(strings, L"dlg.main.btn.help", L"Help"));
    helpButton_->setAccessibleName(helpButton_->text());
    what2do_->setText(Text(strings, L"dlg.main.lbl.what2do", L"What do you want to do?"));
    // White on the window's blue, the separators as well as the links.
    QString links =
        LinkMarkupToHtml(Text(strings, L"dlg.main.lbl.link.menu",
                              L"<a ID=\"1\">About Talvex</a>  |  <a ID=\"2\">Supported "
                              L"Sites</a>  |  <a ID=\"3\">FAQ</a>  |  <a ID=\"4\">Contact "
                              L"Us</a>"));
    links.replace(QStringLiteral("<a href="),
                  QStringLiteral("<a style=\"color:#ffffff; text-decoration:none\" href="));
    links_->setText(QStringLiteral("<span style=\"color:#ffffff\">") + links +
                    QStringLiteral("</span>"));
    tabDownload_->ApplyLanguage();
    tabConvert_->ApplyLanguage();
    tabActivity_->ApplyLanguage();
    tabPlay_->ApplyLanguage();
}

bool MainDlg::SwitchLanguage(const QString& languageName) {
    const bool switched = engine_->GetStringTable()->SwitchLanguage(
        *engine_->GetSettings(), ResourceFolder(), languageName.toStdWString());
    if (switched) {
        ApplyTexts();
    }
    return switched;
}

std::unique_ptr<QMenu> MainDlg::BuildHelpMenu() {
    StringTable& strings = *engine_->GetStringTable();
    auto menu = std::make_unique<QMenu>(this);
    menu->addAction(Text(strings, L"menu.item.help", L"Talvex Help"), this,
                    [this] { OpenSitePage(QStringLiteral("/help.html")); });
    menu->addAction(Text(strings, L"menu.item.help.faq", L"Frequently Asked Questions"), this,
                    [this] { OpenSitePage(QStringLiteral("/faq.html")); });
    menu->addAction(Text(strings, L"menu.item.help.sup.sites", L"Supported Sites"), this,
                    [this] { OpenSitePage(QStringLiteral("/supported_sites.html")); });
    menu->addSeparator();
    menu->addAction(Text(strings, L"menu.item.help.checkupdates", L"Check for Updates"), this,
                    [this] { updateCheck_->Run(true); });
    menu->addSeparator();
    const QString chooseText = Text(strings, L"menu.item.help.language", L"Choose Language");
    strings.ListLanguages(ResourceFolder());
    const auto languages = strings.Languages();
    if (languages.empty()) {
        menu->addAction(chooseText)->setEnabled(false);
    } else {
        QMenu* submenu = menu->addMenu(chooseText);
        const std::wstring current = engine_->GetSettings()->GetLanguage();
        for (const auto& [name, id] : languages) {
            QAction* action = submenu->addAction(QString::fromStdWString(name));
            action->setCheckable(true);
            action->setChecked(id == current);
            const QString languageName = QString::fromStdWString(name);
            connect(action, &QAction::triggered, this,
                    [this, languageName] { SwitchLanguage(languageName); });
        }
    }
    QAction* notices = menu->addAction(
        Text(strings, L"menu.item.help.notices", L"Notify When Work Ends in the Background"));
    notices->setCheckable(true);
    notices->setChecked(NotificationsWanted(*engine_->GetSettings()));
    connect(notices, &QAction::toggled, this,
            [this](bool on) { SetNotificationsWanted(*engine_->GetSettings(), on); });
    menu->addSeparator();
    menu->addAction(Text(strings, L"menu.item.help.about", L"About Talvex"), this,
                    &MainDlg::ShowAbout);
    return menu;
}

void MainDlg::OnHelpButton() {
    std::unique_ptr<QMenu> menu = BuildHelpMenu();
    menu->exec(helpButton_->mapToGlobal(QPoint(0, helpButton_->height())));
}

void MainDlg::ShowAbout() {
    AboutDlg about(*engine_->GetStringTable(), engine_->Parser().ScriptVersion(), prompts_, this);
    about.SetVendorSite(SitePageUrl(*engine_->GetSettings(), QString()));
    about.exec();
}

void MainDlg::OnLink(const QString& id) {
    if (id == QLatin1String("1")) {
        OpenSitePage(QString());
    } else if (id == QLatin1String("2")) {
        OpenSitePage(QStringLiteral("/supported_sites.html"));
    } else if (id == QLatin1String("3")) {
        OpenSitePage(QStringLiteral("/faq.html"));
    } else if (id == QLatin1String("4")) {
        OpenSitePage(QStringLiteral("/contact_us.html"));
    }
}

void MainDlg::OpenSitePage(const QString& path) {
    prompts_.OpenUrl(SitePageUrl(*engine_->GetSettings(), path));
}

bool MainDlg::event(QEvent* event) {
    if (event->type() == SinkEvent::EventType()) {
        const auto* message = static_cast<SinkEvent*>(event);
        HandleMessage(message->message, message->wParam, message->lParam);
        return true;
    }
    return QWidget::event(event);
}

void MainDlg::HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (shutDown_) {
        return;
    }
    switch (message) {
        case kMsgInstanceCommand:
            if (wParam == 1) {
                HandleCommandLine(commandLine_);
            } else {
                // Another start handed its command line over: come to the front for it.
                showNormal();
                raise();
                activateWindow();
                HandleCommandLine(engine_->Pipe().GetLastCommandLine());
            }
            break;
        case kMsgSelectTab:
            tabs_->SelectTab(static_cast<int>(wParam));
            break;
        case kMsgItemFinished:
            engine_->GetActivityQueue()->OnItemFinished(reinterpret_cast<ActivityItem*>(wParam));
            break;
        case kMsgRunUpdateCheck:
            // Posted by the engine when the script file could not be loaded (automatic mode).
            updateCheck_->Run(lParam != 0);
            break;
        default:
            break;
    }
}

void MainDlg::SetNotifier(DesktopNotifier* notifier) {
    delete notifier_;
    notifier_ = notifier;
    notifier_->setParent(this);
    connect(notifier_, &DesktopNotifier::activated, this, &MainDlg::ShowActivity);
}

void MainDlg::ShowActivity() {
    showNormal();
    raise();
    activateWindow();
    tabs_->SelectTab(2);
}

void MainDlg::OnItemEnded(const QString& fileName, bool isDownload, bool completed) {
    const auto notice = NoticeForEndedItem(*engine_->GetStringTable(), isActiveWindow(),
                                           NotificationsWanted(*engine_->GetSettings()), isDownload,
                                           completed, fileName);
    if (notice) {
        notifier_->Show(notice->summary, notice->body, notice->actionLabel);
    }
}

void MainDlg::HandleCommandLine(const std::wstring& line) {
    CommandLineOptions options;
    if (!ParseCommandLine(line, options)) {
        return;
    }
    auto addUrl = options.find(kOptionAddUrl);
    if (addUrl != options.end() && !addUrl->second.empty()) {
        tabs_->SelectTab(0);
        tabDownload_->AddUrls(QString::fromStdWString(addUrl->second), false);
    }
    auto download = options.find(kOptionDownload);
    if (download != options.end() && !download->second.empty()) {
        tabs_->SelectTab(0);
        tabDownload_->AddUrls(QString::fromStdWString(download->second), true);
    }
}

void MainDlg::SaveSettings() {
    tabDownload_->SaveSettings();
    tabConvert_->SaveSettings();
    tabPlay_->SaveSettings();
    tabActivity_->SaveSortColumn();
}

bool MainDlg::RequestClose(bool ask) {
    if (shutDown_) {
        return true;
    }
    SaveSettings();
    if (ask && engine_->GetActivityQueue()->HasActiveItems()) {
        const QString text = Text(*engine_->GetStringTable(), L"dlg.ckeckupd.msgbx.runningitems",
                                  L"You are currently downloading or converting video(s). This "
                                  L"will stop all active video downloads or conversions. Are you "
                                  L"sure you want to do this?");
        if (prompts_.Message(this, MessageIcon::Warning, MessageButtons::YesNo, text) !=
            MessageAnswer::Yes) {
            return false;
        }
    }
    Shutdown();
    return true;
}

void MainDlg::Shutdown() {
    shutDown_ = true;
    if (updateCheck_) {
        updateCheck_->Shutdown();
    }
    // Lists still being read are dropped; a login question still open is answered Cancel, so
    // that its worker can end.
    downloads_->Cancel();
    login_->Shutdown();
    stoppedItems_ = engine_->GetActivityQueue()->Items();
    engine_->StopAll();
}

bool MainDlg::WaitForWorkers(int limitMs) {
    // Workers that still run an item use the engine's interpreter and texts: wait until only
    // this list holds the items.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    auto busy = [this] {
        return std::any_of(stoppedItems_.begin(), stoppedItems_.end(),
                           [](const RefPtr<ActivityItem>& item) { return item->RefCount() > 1; });
    };
    while (busy() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return !busy();
}

void MainDlg::closeEvent(QCloseEvent* event) {
    if (RequestClose(true)) {
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace talvex::ui
