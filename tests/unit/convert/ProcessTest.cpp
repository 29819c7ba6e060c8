#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <thread>

#include "platform/Process.h"
#include "support/TestHome.h"

namespace talvex {

namespace fs = std::filesystem;

namespace {

std::string ReadAllStdout(Process& p) {
    std::string out;
    while (p.ReadStdout(out, -1) == Process::ReadResult::Data) {
    }
    return out;
}

Process::Options OnPath() {
    Process::Options o;
    o.searchPath = true;
    return o;
}

// The scheduler state letter of a process ('T' stopped, 'S' sleeping, ...).
char ProcState(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(in)), {});
    size_t close = all.rfind(')');
    return close == std::string::npos || close + 2 >= all.size() ? '?' : all[close + 2];
}

// Waits (bounded) until the process reaches the wanted state.
bool ReachesState(pid_t pid, char wanted) {
    for (int i = 0; i < 500; ++i) {
        if (ProcState(pid) == wanted) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace

TEST(Process, ArgumentsReachTheProgramVerbatimAndRunNothing) {
    test::TempDir dir;
    const std::string d = dir.Path().string();
    const std::vector<std::string> tricky = {"$(touch " + d + "/a)",   "`touch " + d + "/b`",
                                             "; touch " + d + "/c",    "x\" 'y' \\z",
                                             "|| touch " + d + "/d &", "$HOME *"};
    std::vector<std::string> argv = {"printf", "%s\\n"};
    argv.insert(argv.end(), tricky.begin(), tricky.end());
    Process p;
    Process::Options o;
    o.stdoutMode = Process::Stream::Pipe;
    o.searchPath = true;
    ASSERT_TRUE(p.Start(argv, o));
    std::string expected;
    for (const auto& t : tricky) {
        expected += t + "\n";
    }
    EXPECT_EQ(ReadAllStdout(p), expected);
    EXPECT_EQ(p.Wait(-1), 0);
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST(Process, InputPipeToOutputPipeAndExitCodes) {
    Process cat;
    Process::Options o;
    o.stdinMode = Process::Stream::Pipe;
    o.stdoutMode = Process::Stream::Pipe;
    o.searchPath = true;
    ASSERT_TRUE(cat.Start({"cat"}, o));
    EXPECT_TRUE(cat.WriteStdin("hello\nworld"));
    cat.CloseStdin();
    EXPECT_EQ(ReadAllStdout(cat), "hello\nworld");
    EXPECT_EQ(cat.Wait(-1), 0);
    EXPECT_FALSE(cat.EndedBySignal());

    Process f;
    ASSERT_TRUE(f.Start({"false"}, OnPath()));
    EXPECT_EQ(f.Wait(-1), 1);
    EXPECT_EQ(f.ExitCode(), 1);
}

TEST(Process, ErrorOutputIsReadThroughItsPipe) {
    Process p;
    Process::Options o;
    o.stderrMode = Process::Stream::Pipe;
    o.searchPath = true;
    ASSERT_TRUE(p.Start({"ls", "/no/such/folder/at/all"}, o));
    std::string err;
    EXPECT_TRUE(p.ReadStderrToEnd(err));
    EXPECT_NE(err.find("/no/such/folder/at/all"), std::string::npos);
    EXPECT_NE(p.Wait(-1), 0);
}

TEST(Process, WaitTimesOutThenKillEndsItAndSignalsStopAfterReaping) {
    Process p;
    ASSERT_TRUE(p.Start({"sleep", "30"}, OnPath()));
    EXPECT_TRUE(p.Running());
    EXPECT_FALSE(p.Wait(20));
    EXPECT_FALSE(p.ExitCode());
    EXPECT_TRUE(p.Kill());
    EXPECT_EQ(p.Wait(-1), 128 + SIGKILL);
    EXPECT_TRUE(p.EndedBySignal());
    EXPECT_FALSE(p.Running());
    // Reaped: its pid may belong to someone else now.
    EXPECT_FALSE(p.Signal(SIGTERM));
}

TEST(Process, StopAndContinue) {
    Process p;
    Process::Options o;
    o.stdinMode = Process::Stream::Pipe;
    o.searchPath = true;
    ASSERT_TRUE(p.Start({"cat"}, o));
    ASSERT_TRUE(p.Signal(SIGSTOP));
    EXPECT_TRUE(ReachesState(p.Pid(), 'T'));
    EXPECT_TRUE(p.Running());  // stopped is not ended
    ASSERT_TRUE(p.Signal(SIGCONT));
    EXPECT_TRUE(ReachesState(p.Pid(), 'S'));
    p.CloseStdin();
    EXPECT_EQ(p.Wait(-1), 0);
}

TEST(Process, WritingToAChildThatEndedFailsWithoutEndingThisProcess) {
    Process p;
    Process::Options o;
    o.stdinMode = Process::Stream::Pipe;
    o.searchPath = true;
    ASSERT_TRUE(p.Start({"true"}, o));
    EXPECT_EQ(p.Wait(-1), 0);
    EXPECT_FALSE(p.WriteStdin("q"));
    // A second time, with nothing pending any more.
    EXPECT_FALSE(p.WriteStdin("q"));
}

TEST(Process, MissingProgramIsReportedAtStart) {
    Process p;
    EXPECT_FALSE(p.Start({"/no/such/program"}, {}));
    EXPECT_EQ(p.LastError(), ENOENT);
    EXPECT_FALSE(p.Wait(0));
    Process q;
    EXPECT_FALSE(q.Start({"no-such-program-talvex"}, OnPath()));
    EXPECT_TRUE(FindExecutableOnPath("no-such-program-talvex").empty());
    EXPECT_FALSE(FindExecutableOnPath("sh").empty());
}

TEST(Process, ChildSeesOnlyItsStandardDescriptors) {
    // A descriptor this process leaves inheritable (as some libraries do) stays here.
    int leaked = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(leaked, 0);
    ASSERT_GE(::dup2(leaked, 77), 0);
    Process p;
    Process::Options o;
    o.stdoutMode = Process::Stream::Pipe;
    o.searchPath = true;
    ASSERT_TRUE(p.Start({"ls", "/proc/self/fd"}, o));
    std::string out = ReadAllStdout(p);
    p.Wait(-1);
    ::close(77);
    ::close(leaked);
    EXPECT_EQ(out.find("77\n"), std::string::npos) << out;
    EXPECT_NE(out.find("0\n1\n2\n"), std::string::npos) << out;
}

TEST(Process, WorkingFolderAndLowerPriority) {
    test::TempDir dir;
    Process pwd;
    Process::Options o;
    o.stdoutMode = Process::Stream::Pipe;
    o.searchPath = true;
    o.workingFolder = dir.Path();
    ASSERT_TRUE(pwd.Start({"pwd"}, o));
    EXPECT_EQ(ReadAllStdout(pwd), fs::canonical(dir.Path()).string() + "\n");
    pwd.Wait(-1);

    Process slow;
    Process::Options n;
    n.stdinMode = Process::Stream::Pipe;
    n.searchPath = true;
    n.niceIncrement = 5;
    ASSERT_TRUE(slow.Start({"cat"}, n));
    errno = 0;
    const int mine = ::getpriority(PRIO_PROCESS, 0);
    const int child = ::getpriority(PRIO_PROCESS, static_cast<id_t>(slow.Pid()));
    EXPECT_EQ(child, std::min(mine + 5, 19));
    slow.CloseStdin();
    slow.Wait(-1);
}

}  // namespace talvex
