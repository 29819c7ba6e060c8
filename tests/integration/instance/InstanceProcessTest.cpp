// First and second instances as real processes: the helper front end takes the instance lock
// and listens like the program; later starts hand their command line over and exit.
#include <gtest/gtest.h>

#include <string>

#include "HelperProcess.h"
#include "app/CommandLine.h"
#include "platform/Utf8.h"
#include "support/TestHome.h"

namespace talvex {

using test::HelperProcess;
using test::TestHome;

TEST(InstanceProcesses, FirstInstanceReceivesTheLinesOfLaterStarts) {
    TestHome home;
    HelperProcess first({"serve"});
    ASSERT_TRUE(first.Started());
    ASSERT_EQ(first.ReadLine(), "locked");
    ASSERT_EQ(first.ReadLine(), "ready");

    HelperProcess second({"start", "--addurl", "http://h/a b", "/DOWNLOAD", "http://h/c"});
    ASSERT_EQ(second.Wait(), 0);
    const std::optional<std::string> post = first.ReadLine();
    ASSERT_TRUE(post);
    EXPECT_EQ(*post, "post /addurl \"http://h/a b\" /DOWNLOAD http://h/c");
    CommandLineOptions options;
    ASSERT_TRUE(ParseCommandLine(Utf8ToWide(post->substr(5)), options));
    EXPECT_EQ(options,
              (CommandLineOptions{{L"addurl", L"http://h/a b"}, {L"download", L"http://h/c"}}));

    // A start without arguments posts nothing: the next post is the long line's.
    HelperProcess empty({"start"});
    ASSERT_EQ(empty.Wait(), 0);

    const std::string url = "http://h/" + std::string(5000, 'x');
    HelperProcess longStart({"start", "--download", url});
    ASSERT_EQ(longStart.Wait(), 0);
    const std::optional<std::string> cut = first.ReadLine();
    ASSERT_TRUE(cut);
    EXPECT_EQ(*cut, "post " + ("/download " + url).substr(0, 4096));

    first.CloseStdin();
    EXPECT_EQ(first.Wait(), 0);
    EXPECT_EQ(first.ReadLine(), std::nullopt) << "posts nobody accounted for";
}

TEST(InstanceProcesses, StartWaitsForAFirstInstanceThatIsNotListeningYet) {
    TestHome home;
    HelperProcess first({"serve", "400"});
    ASSERT_EQ(first.ReadLine(), "locked");
    HelperProcess second({"start", "/addurl", "early"});
    ASSERT_EQ(second.Wait(), 0);
    ASSERT_EQ(first.ReadLine(), "ready");
    EXPECT_EQ(first.ReadLine(), "post /addurl early");
    first.CloseStdin();
    EXPECT_EQ(first.Wait(), 0);
}

TEST(InstanceProcesses, AStartTheRunningInstanceDoesNotAnswerFailsInsteadOfLosingItsLine) {
    TestHome home;
    // Locked, but listening only after the sender's wait has run out.
    HelperProcess first({"serve", "8000"});
    ASSERT_EQ(first.ReadLine(), "locked");
    HelperProcess second({"start", "/addurl", "lost"});
    EXPECT_EQ(second.Wait(), 1);
    first.CloseStdin();
    EXPECT_EQ(first.ReadLine(), "ready");
    EXPECT_EQ(first.Wait(), 0);
}

TEST(InstanceProcesses, WithNoFirstInstanceAStartIsTheFirstAndASendEndsAtOnce) {
    TestHome home;
    HelperProcess start({"start", "/addurl", "x"});
    EXPECT_EQ(start.Wait(), 10);
    // The lock died with that process: the send finds no instance and does not wait.
    HelperProcess send({"send", "/addurl", "x"});
    EXPECT_EQ(send.ReadLine(), "nolistener");
    EXPECT_EQ(send.Wait(), 0);
}

}  // namespace talvex
