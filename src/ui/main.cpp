// talvex: the desktop program. The first start opens the window; a later start hands its
// command line ("--download URL", "--addurl URL", or the "/download URL" form) to the running
// window and exits without one.
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "app/SingleInstance.h"
#include "app/Version.h"
#include "net/RtmpLibrary.h"
#include "platform/Utf8.h"
#include "ui/MainDlg.h"
#include "ui/UiPrompts.h"

using namespace talvex;

namespace {

const char kUsage[] =
    "Usage: talvex [--addurl URL] [--download URL]\n"
    "\n"
    "Opens the Talvex window, or hands the addresses to the window that is already open.\n"
    "  --addurl URL     put URL into the Download tab's address box\n"
    "  --download URL   put URL into the address box and start downloading it\n"
    "  --help           show this text\n"
    "  --version        show the version\n"
    "The forms /addurl URL and /download URL are accepted as well.\n";

// SIGTERM and SIGINT (a session logging out, kill, Ctrl-C in the terminal that started the
// program) close the window as Close does, without the question: the handler only writes a
// byte that the event loop reads.
int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t written = write(signalPipe[1], &byte, 1);
}

bool InstallSignalPipe() {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(SIGTERM, &action, nullptr) == 0 && sigaction(SIGINT, &action, nullptr) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("talvex %s\n", WideToUtf8(kVersionText).c_str());
            return 0;
        }
    }
    std::signal(SIGPIPE, SIG_IGN);
    // A second start needs no display: it only hands its line over.
    InstanceStart start = StartInstance(BuildCommandLine(argc, argv));
    if (!start.first) {
        if (start.exitCode != 0) {
            std::fputs(
                "talvex: Talvex is already running but did not answer; the command line "
                "was not handed over\n",
                stderr);
        }
        return start.exitCode;
    }

    int status = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Talvex"));
        QApplication::setApplicationVersion(QString::fromStdWString(kVersionText));
        QGuiApplication::setDesktopFileName(QStringLiteral("talvex"));

        ui::QtUiPrompts prompts;
        auto window = std::make_unique<ui::MainDlg>(BuildCommandLine(argc, argv), prompts, nullptr);
        std::unique_ptr<QSocketNotifier> signalNotifier;
        if (InstallSignalPipe()) {
            signalNotifier =
                std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
            QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, window.get(), [&] {
                char bytes[16];
                while (read(signalPipe[0], bytes, sizeof bytes) > 0) {
                }
                window->RequestClose(false);
                QCoreApplication::quit();
            });
        }
        window->show();
        status = app.exec();
        signalNotifier.reset();
        // The pages, the tab strip and the engine, in that order (the window's destructor).
        window.reset();
    }
    UnloadRtmpLibrary();
    // start.mutex is released last, as the process ends.
    return status;
}
