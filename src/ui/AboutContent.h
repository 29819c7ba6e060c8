#pragma once
// What the About box says and where its links lead, apart from the widgets: the built-in English
// texts, the version line and the address behind each link identifier.
#include <QString>
#include <QUrl>
#include <string_view>

namespace talvex::ui {

// The components this build links or runs, each with its home page and licence. Identifiers 1
// to 13 belong to this notice (8 appears twice: librtmp and FFmpeg share the LGPL 2.1); 15 is
// the vendor's site, in the description above it.
inline constexpr std::wstring_view kAboutNoticeText =
    L"Talvex is built with open-source components: <a ID=\"1\">Qt</a>, licensed under the "
    L"<a ID=\"2\">GNU LGPL v3</a>; <a ID=\"3\">libcurl</a>, under the <a ID=\"4\">curl "
    L"licence</a>; <a ID=\"5\">OpenSSL</a>, under the <a ID=\"6\">Apache License 2.0</a>; "
    L"<a ID=\"7\">librtmp</a>, under the <a ID=\"8\">GNU LGPL v2.1</a>; and <a ID=\"9\">JSON for "
    L"Modern C++</a> (nlohmann-json), under the <a ID=\"10\">MIT licence</a>. Videos are "
    L"converted by the <a ID=\"11\">FFmpeg</a> program installed on your system, licensed under "
    L"the <a ID=\"8\">GNU LGPL v2.1</a> or later or, depending on how it was built, the "
    L"<a ID=\"12\">GNU GPL v2</a> or later (see its <a ID=\"13\">legal notes</a>). Each "
    L"component's source code can be downloaded from its home page.";
inline constexpr std::wstring_view kAboutCopyText =
    L"Software to download and convert YouTube videos.\n<a ID=\"15\">Visit the Talvex web "
    L"site</a>";
inline constexpr std::wstring_view kAboutCreditText =
    L"Video playback uses Qt Multimedia by The Qt Company, licensed under the GNU LGPL v3.";
inline constexpr std::wstring_view kAboutVersionFormat = L"Version: %1 (%2)";

// The identifier of the vendor's site link.
inline constexpr int kAboutVendorLinkId = 15;

// The address behind a link identifier 1 to 13, compared exactly ("01", " 1", "14" and "15" are
// not among them); an empty address for any other.
QUrl AboutLinkTarget(const QString& id);

// The version line: %1 the program's version, %2 the script file's, each replaced once (a
// version text holding "%1" stays as it is). Without a script file version, the "(%2)" group and
// the blanks before it are left out rather than shown as empty brackets.
QString AboutVersionLine(const QString& format, const QString& programVersion,
                         const QString& scriptVersion);

}  // namespace talvex::ui
