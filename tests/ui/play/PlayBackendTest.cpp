// The Play page without the multimedia plug-ins it needs: it must not make a player (the
// GStreamer back end without its base plug-ins crashes doing so), and it shows the link that
// says what to install instead. Each run is a process of its own (ui_play_probe), as the back
// end is chosen once per process.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>

#include "platform/Process.h"
#include "support/TestHome.h"
#include "ui/TabPlay.h"
#include "ui/VideoPlayerPane.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

// Where the installed GStreamer plug-ins are; empty when not found.
fs::path SystemPluginFolder() {
    for (const char* folder :
         {"/usr/lib/x86_64-linux-gnu/gstreamer-1.0", "/usr/lib/aarch64-linux-gnu/gstreamer-1.0",
          "/usr/lib/gstreamer-1.0", "/usr/lib64/gstreamer-1.0"}) {
        if (fs::exists(fs::path(folder) / "libgstcoreelements.so")) {
            return folder;
        }
    }
    return {};
}

struct ProbeRun {
    std::optional<int> exitCode;
    std::map<std::string, std::string> values;
};

// Runs the probe with GStreamer reading its plug-ins only from pluginFolder (nothing: the
// system's), with a registry of its own so that the machine's cache does not answer.
ProbeRun RunProbe(const std::optional<fs::path>& pluginFolder, const fs::path& scratch) {
    std::optional<ScopedEnv> system, extra, registry, backend;
    if (pluginFolder) {
        system.emplace("GST_PLUGIN_SYSTEM_PATH_1_0", pluginFolder->string());
        extra.emplace("GST_PLUGIN_PATH_1_0", std::nullopt);
        registry.emplace("GST_REGISTRY_1_0", (scratch / "registry.bin").string());
        backend.emplace("QT_MEDIA_BACKEND", "gstreamer");
    }
    ProbeRun run;
    Process probe;
    Process::Options options;
    options.stdoutMode = Process::Stream::Pipe;
    if (!probe.Start({TALVEX_PLAY_PROBE}, options)) {
        return run;
    }
    std::string out;
    for (int reads = 0; reads < 1000; ++reads) {
        if (probe.ReadStdout(out, 60000) != Process::ReadResult::Data) {
            break;
        }
    }
    run.exitCode = probe.Wait(30000);
    if (!run.exitCode) {
        probe.Kill();
        probe.Wait(-1);
    }
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos) {
            run.values[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return run;
}

void ExpectUpgradeLinkInsteadOfPlayer(const ProbeRun& run) {
    ASSERT_EQ(run.exitCode, 0) << "the page did not come up (crashed or hung)";
    EXPECT_EQ(run.values.at("player"), "0");
    EXPECT_EQ(run.values.at("link"), "1");
    const std::string& text = run.values.at("link-text");
    // The names whole, each kept on one line.
    EXPECT_NE(text.find("<nobr>gstreamer1.0-plugins-good</nobr>"), std::string::npos) << text;
    EXPECT_NE(text.find("<nobr>gstreamer1.0-libav</nobr>"), std::string::npos) << text;
    EXPECT_NE(text.find("<a href="), std::string::npos) << text;
    EXPECT_EQ(run.values.count("opened") == 1 ? run.values.at("opened") : std::string(),
              ui::TabPlay::kBackendHelpUrl);
    // A file that plays by its name alone goes nowhere and asks nothing.
    EXPECT_EQ(run.values.at("messages"), "0");
}

TEST(PlayBackendTest, WithoutAnyPlugInThePageShowsTheLinkAndMakesNoPlayer) {
    TempDir scratch;
    fs::create_directories(scratch.Path() / "no-plugins");
    ExpectUpgradeLinkInsteadOfPlayer(RunProbe(scratch.Path() / "no-plugins", scratch.Path()));
}

TEST(PlayBackendTest, WithoutTheH264DecoderThePageShowsTheLink) {
    const fs::path system = SystemPluginFolder();
    if (system.empty() || !fs::exists(system / "libgstlibav.so")) {
        GTEST_SKIP() << "needs the installed GStreamer plug-ins, gstreamer1.0-libav among them";
    }
    // Everything installed but gstreamer1.0-libav: the containers open, H.264 does not decode.
    TempDir scratch;
    const fs::path plugins = scratch.Path() / "plugins";
    fs::create_directories(plugins);
    for (const auto& entry : fs::directory_iterator(system)) {
        if (entry.path().filename() != "libgstlibav.so") {
            fs::create_symlink(entry.path(), plugins / entry.path().filename());
        }
    }
    ExpectUpgradeLinkInsteadOfPlayer(RunProbe(plugins, scratch.Path()));
}

TEST(PlayBackendTest, WithTheInstalledPlugInsThePageMakesAPlayer) {
    if (!ui::VideoPlayerPane::BackendUsable()) {
        GTEST_SKIP() << "no multimedia back end that decodes H.264 on this machine";
    }
    TempDir scratch;
    const ProbeRun run = RunProbe(std::nullopt, scratch.Path());
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.values.at("player"), "1");
    EXPECT_EQ(run.values.at("link"), "0");
    EXPECT_EQ(run.values.at("messages"), "0");
}

}  // namespace
}  // namespace talvex::test
