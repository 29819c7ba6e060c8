// The rules of the update check that need no network: versions, the notifier's comments, the
// query, what a notice asks for, the names of downloads and when the automatic check is due.
#include <gtest/gtest.h>

#include "app/SettingsStore.h"
#include "support/TestHome.h"
#include "ui/UpdateNotice.h"
#include "ui/UpdateRules.h"
#include "ui/VersionCompare.h"

namespace talvex::test {
namespace {

using ui::CompareVersions;
using ui::IsNewerVersion;

TEST(VersionCompareTest, PartsCompareAsNumbersFromTheFirst) {
    // Each is older than the next.
    const wchar_t* ordered[] = {L"", L"3", L"3.5", L"3.5.0.1", L"3.5.1", L"3.6", L"3.10", L"4"};
    for (size_t i = 0; i + 1 < std::size(ordered); ++i) {
        EXPECT_LT(CompareVersions(ordered[i], ordered[i + 1]), 0) << i;
        EXPECT_GT(CompareVersions(ordered[i + 1], ordered[i]), 0) << i;
        EXPECT_TRUE(IsNewerVersion(ordered[i + 1], ordered[i]));
        EXPECT_FALSE(IsNewerVersion(ordered[i], ordered[i + 1]));
    }
    EXPECT_FALSE(IsNewerVersion(L"3.5", L"3.5"));
}

TEST(VersionCompareTest, MissingPartsAreZeroAndOnlyLeadingDigitsCount) {
    EXPECT_EQ(CompareVersions(L"3.5", L"3.5.0.0"), 0);
    EXPECT_EQ(CompareVersions(L"", L"0.0"), 0);
    EXPECT_EQ(CompareVersions(L"3.5beta", L"3.5"), 0);
    EXPECT_EQ(CompareVersions(L" 3.6\r\n", L"3.6"), 0);
    EXPECT_EQ(CompareVersions(L"v3.6", L"0.6"), 0);
    // A fifth part is not read.
    EXPECT_EQ(CompareVersions(L"1.2.3.4.9", L"1.2.3.4"), 0);
    // Too large for 32 bits: the largest part, not a wrapped small one.
    EXPECT_EQ(ui::ParseVersion(L"99999999999.1")[0], 4294967295u);
    EXPECT_TRUE(IsNewerVersion(L"99999999999", L"4294967294"));
}

TEST(VersionCompareTest, OnlyDigitGroupsJoinedByDotsArePlain) {
    for (const wchar_t* plain : {L"1", L"2.16", L"1.2.3.4", L"10.0"}) {
        EXPECT_TRUE(ui::IsPlainVersion(plain)) << plain;
    }
    for (const wchar_t* odd :
         {L"", L"1.", L".1", L"1..2", L"1.2.3.4.5", L"2.16/../../x", L"2.16 ", L"2,16", L"v2"}) {
        EXPECT_FALSE(ui::IsPlainVersion(odd)) << odd;
    }
}

TEST(UpdateNoticeTest, ValuesStandBetweenTheirMarkersWhateverTheCase) {
    const std::wstring page =
        L"<html><!-- ver='3.6' -->\n<!-- URL=' https://example.test/t.deb ' -->"
        L"<!-- WhatsNew='  Faster.\r\n- Fixes ' -->\n"
        L"<!-- SCRIPTVER='2.16' --><!-- scripturl='http://example.test/s.qrs' --></html>";
    const ui::UpdateNotice notice = ui::ParseUpdateNotice(page);
    EXPECT_EQ(notice.version, L"3.6");
    EXPECT_EQ(notice.installerUrl, L"https://example.test/t.deb");
    EXPECT_EQ(notice.whatsNew, L"  Faster.\r\n- Fixes ");  // shown exactly as written
    EXPECT_EQ(notice.scriptVersion, L"2.16");
    EXPECT_EQ(notice.scriptUrl, L"http://example.test/s.qrs");
}

TEST(UpdateNoticeTest, FirstOccurrenceWinsAndMissingMarkersGiveEmptyValues) {
    EXPECT_EQ(ui::NotifierValue(L"<!-- Ver='1' --> <!-- Ver='2' -->", L"<!-- Ver='"), L"1");
    EXPECT_EQ(ui::NotifierValue(L"<!-- Ver='3.6'", L"<!-- Ver='"), L"");
    EXPECT_EQ(ui::NotifierValue(L"Ver='3.6' -->", L"<!-- Ver='"), L"");
    // ScriptVer's marker is not mistaken for Ver's.
    const ui::UpdateNotice notice = ui::ParseUpdateNotice(L"<!-- ScriptVer='2.0' -->");
    EXPECT_EQ(notice.version, L"");
    EXPECT_EQ(notice.scriptVersion, L"2.0");
    EXPECT_EQ(ui::ParseUpdateNotice(L"").installerUrl, L"");
}

TEST(UpdateNoticeTest, QueryKeysComeInOrderAndOddCharactersAreEncoded) {
    EXPECT_EQ(ui::NotifierQuery(L"1033", L"", L"3.5"), L"?lngid=1033&lt=0&isn=&pv=1&av=3.5");
    EXPECT_EQ(ui::NotifierQuery(L"1031", L"AB-12_x.y~", L"3.5"),
              L"?lngid=1031&lt=0&isn=AB-12_x.y~&pv=1&av=3.5");
    // An installation id that would add keys, end the query or break the address.
    EXPECT_EQ(ui::NotifierQuery(L"1033", L"a b&pv=9#x%\u00e9", L"3.5"),
              L"?lngid=1033&lt=0&isn=a%20b%26pv%3D9%23x%25%C3%A9&pv=1&av=3.5");
}

ui::UpdateNotice Notice(std::wstring version, std::wstring url, std::wstring scriptVersion,
                        std::wstring scriptUrl) {
    ui::UpdateNotice notice;
    notice.version = std::move(version);
    notice.installerUrl = std::move(url);
    notice.scriptVersion = std::move(scriptVersion);
    notice.scriptUrl = std::move(scriptUrl);
    return notice;
}

TEST(UpdateRulesTest, ANewerProgramWinsAndNeedsAnHttpsInstaller) {
    using ui::UpdateStep;
    const std::wstring https = L"https://example.test/talvex.deb";
    const std::wstring scripts = L"http://example.test/s.qrs";
    EXPECT_EQ(ui::DecideUpdate(Notice(L"3.6", https, L"9.0", scripts), L"3.5", L"1.0"),
              UpdateStep::kOfferProgram);
    EXPECT_EQ(ui::DecideUpdate(Notice(L"3.5.0.1", https, L"", L""), L"3.5", L"1.0"),
              UpdateStep::kOfferProgram);
    for (const wchar_t* unsafe : {L"http://example.test/talvex.deb", L"ftp://example.test/t",
                                  L"example.test/talvex.deb", L"", L"https://"}) {
        EXPECT_EQ(ui::DecideUpdate(Notice(L"3.6", unsafe, L"9.0", scripts), L"3.5", L"1.0"),
                  UpdateStep::kUnusableNotice)
            << unsafe;
    }
}

TEST(UpdateRulesTest, ACurrentProgramLooksAtTheScriptFile) {
    using ui::UpdateStep;
    const std::wstring scripts = L"http://example.test/s.qrs";
    EXPECT_EQ(ui::DecideUpdate(Notice(L"3.5", L"", L"2.16", scripts), L"3.5", L"2.2"),
              UpdateStep::kUpdateScripts);
    // No Ver at all counts as version 0: the script file is still compared.
    EXPECT_EQ(ui::DecideUpdate(Notice(L"", L"", L"2.16", scripts), L"3.5", L"2.2"),
              UpdateStep::kUpdateScripts);
    // Nothing loaded (the script file could not be read at start): any version is newer.
    EXPECT_EQ(ui::DecideUpdate(Notice(L"3.5", L"", L"1.0", scripts), L"3.5", L""),
              UpdateStep::kUpdateScripts);
    EXPECT_EQ(ui::DecideUpdate(Notice(L"3.4", L"", L"2.2", scripts), L"3.5", L"2.2"),
              UpdateStep::kNothingNewer);
    EXPECT_EQ(ui::DecideUpdate(Notice(L"", L"", L"", L""), L"3.5", L"1.0"),
              UpdateStep::kNothingNewer);
    // The version becomes part of a file name, the address must be one the client fetches.
    EXPECT_EQ(ui::DecideUpdate(Notice(L"3.5", L"", L"2.16/../../../x", scripts), L"3.5", L"1.0"),
              UpdateStep::kUnusableNotice);
    EXPECT_EQ(ui::DecideUpdate(Notice(L"3.5", L"", L"2.16", L""), L"3.5", L"1.0"),
              UpdateStep::kUnusableNotice);
}

TEST(UpdateRulesTest, DownloadNamesStayInTheirFolder) {
    EXPECT_EQ(ui::ScriptDownloadTarget("/data/Talvex/scripts0.qrs", L"2.16"),
              std::filesystem::path("/data/Talvex/scripts0.2.16"));
    EXPECT_EQ(ui::ScriptDownloadTarget("/data/Talvex/scripts3.qrs", L"10"),
              std::filesystem::path("/data/Talvex/scripts3.10"));

    EXPECT_EQ(ui::InstallerFileName(L"https://example.test/dl/talvex-3.6.deb"), L"talvex-3.6.deb");
    EXPECT_EQ(ui::InstallerFileName(L"https://example.test/dl/my%20setup.run?id=7#top"),
              L"my setup.run");
    EXPECT_EQ(ui::InstallerFileName(L"https://example.test/"), L"talvex-installer");
    EXPECT_EQ(ui::InstallerFileName(L"https://example.test/..%2F..%2F.profile"), L"_.._.profile");
    EXPECT_EQ(ui::InstallerFileName(L"https://example.test/.bashrc"), L"bashrc");
    EXPECT_EQ(ui::InstallerFileName(L"https://example.test/%2E%2E"), L"talvex-installer");
    EXPECT_EQ(ui::InstallerFileName(L"https://example.test/setup.EXE"), L"setup_exe");
    // The program's own files in the data folder are never overwritten by an installer.
    EXPECT_EQ(ui::InstallerFileName(L"https://example.test/scripts0.qrs"),
              L"installer-scripts0.qrs");
    EXPECT_EQ(ui::InstallerFileName(L"https://example.test/LOG.txt"), L"installer-LOG.txt");
    EXPECT_EQ(ui::InstallerFileName(L"https://example.test/~qrv1"), L"installer-~qrv1");
}

TEST(UpdateRulesTest, TheAutomaticCheckIsDueOnceADayAndClaimedBeforeItRuns) {
    TestHome home;
    SettingsStore settings;
    const uint32_t now = 1700000000;
    // A fresh installation has no time stored: due at once.
    EXPECT_TRUE(ui::ClaimAutomaticCheck(settings, now));
    EXPECT_EQ(settings.GetNumber(setting::kNextCheckAutoUpdate), now + 86400);
    EXPECT_FALSE(ui::ClaimAutomaticCheck(settings, now));
    EXPECT_FALSE(ui::ClaimAutomaticCheck(settings, now + 86399));
    EXPECT_EQ(settings.GetNumber(setting::kNextCheckAutoUpdate), now + 86400);
    EXPECT_TRUE(ui::ClaimAutomaticCheck(settings, now + 86400));
    EXPECT_EQ(settings.GetNumber(setting::kNextCheckAutoUpdate), now + 2 * 86400);
}

}  // namespace
}  // namespace talvex::test
