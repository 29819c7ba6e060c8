#include "ui/AboutContent.h"

#include <QRegularExpression>
#include <array>

namespace talvex::ui {

namespace {

// Index = identifier - 1.
constexpr std::array<const char*, 13> kTargets = {
    "https://www.qt.io/",                                       // 1 Qt
    "https://www.gnu.org/licenses/lgpl-3.0.html",               // 2 LGPL 3
    "https://curl.se/libcurl/",                                 // 3 libcurl
    "https://curl.se/docs/copyright.html",                      // 4 curl licence
    "https://www.openssl.org/",                                 // 5 OpenSSL
    "https://www.apache.org/licenses/LICENSE-2.0",              // 6 Apache 2.0
    "https://rtmpdump.mplayerhq.hu/librtmp.3.html",             // 7 librtmp
    "https://www.gnu.org/licenses/old-licenses/lgpl-2.1.html",  // 8 LGPL 2.1
    "https://github.com/nlohmann/json",                         // 9 nlohmann-json
    "https://opensource.org/license/mit/",                      // 10 MIT
    "https://ffmpeg.org/",                                      // 11 FFmpeg
    "https://www.gnu.org/licenses/old-licenses/gpl-2.0.html",   // 12 GPL 2
    "https://ffmpeg.org/legal.html",                            // 13 FFmpeg's legal notes
};

}  // namespace

QUrl AboutLinkTarget(const QString& id) {
    for (std::size_t i = 0; i < kTargets.size(); ++i) {
        if (id == QString::number(i + 1)) {
            return QUrl(QString::fromLatin1(kTargets[i]));
        }
    }
    return {};
}

QString AboutVersionLine(const QString& format, const QString& programVersion,
                         const QString& scriptVersion) {
    QString pattern = format;
    if (scriptVersion.isEmpty()) {
        static const QRegularExpression emptyGroup(QStringLiteral("\\s*\\(\\s*%2\\s*\\)"));
        pattern.remove(emptyGroup);
    }
    QString line;
    line.reserve(pattern.size() + programVersion.size() + scriptVersion.size());
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == QLatin1Char('%') && i + 1 < pattern.size()) {
            const QChar next = pattern[i + 1];
            if (next == QLatin1Char('1') || next == QLatin1Char('2')) {
                line += next == QLatin1Char('1') ? programVersion : scriptVersion;
                ++i;
                continue;
            }
        }
        line += pattern[i];
    }
    return line;
}

}  // namespace talvex::ui
