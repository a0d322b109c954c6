// The protocol log: the raw transcript of both directions, byte for byte, appended per entry.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"
#include "popmain_driver.h"

namespace {

namespace tn = halvex::testnet;
namespace fs = std::filesystem;
using pop3test::PopMainDriver;

class PopMainLog : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/velmo-log-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        path_ = dir_ / "pop3 log.txt";
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string contents() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path dir_;
    fs::path path_;
};

TEST_F(PopMainLog, ConnectAppendsTheExactBytesOfBothDirections) {
    tn::ScriptedPop3Server server(tn::Conversation()
                                      .send("+OK ready\r\n")
                                      .on("USER bob", "+OK user\r\n")
                                      .on("PASS secret", "+OK in\r\n")
                                      .on("STAT", "+OK 1 5\r\n")
                                      .on("LIST", "+OK\r\n1 5\r\n.\r\n")
                                      .quit());
    PopMainDriver pop;
    pop.set_log(path_.string());
    ASSERT_EQ(pop.connect(server.address(), "bob", "secret"), 0);
    EXPECT_EQ(contents(), "+OK ready\r\nCAPA\r\n-ERR unknown command\r\nUSER bob\r\n+OK user\r\nPASS secret\r\n+OK in\r\n");

    // Created for this session and readable by its owner only: it holds the password.
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    EXPECT_EQ(pop.size(1), 5);
    pop.close();
    EXPECT_EQ(contents(),
              "+OK ready\r\nCAPA\r\n-ERR unknown command\r\nUSER bob\r\n+OK user\r\nPASS secret\r\n+OK in\r\n"
              "STAT\r\n+OK 1 5\r\nLIST\r\n+OK\r\n1 5\r\n.\r\nQUIT\r\n+OK bye\r\n");
}

TEST_F(PopMainLog, EachChunkIsLoggedAsReceivedAndExistingLogsAreAppended) {
    {
        std::ofstream old(path_, std::ios::binary);
        old << "earlier\n";
    }
    ::chmod(path_.c_str(), 0640);
    tn::ScriptedPop3Server server(tn::Conversation()
                                      .send_pieces({"+OK ", "rea", "dy\r\n"}, std::chrono::milliseconds(50))
                                      .login("bob", "pw")
                                      .quit());
    PopMainDriver pop;
    pop.set_log(path_.string());
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    pop.close();
    EXPECT_EQ(contents(), "earlier\n+OK ready\r\nCAPA\r\n-ERR unknown command\r\nUSER bob\r\n+OK user accepted\r\nPASS pw\r\n+OK logged in\r\n"
                          "QUIT\r\n+OK bye\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "an existing log is narrowed: it holds the password";
}

TEST_F(PopMainLog, LogOpenedPerEntrySoAMovedFileIsRecreated) {
    tn::ScriptedPop3Server server(tn::Conversation().greet("hi").login("bob", "pw").on("NOOP", "+OK\r\n").quit());
    PopMainDriver pop;
    pop.set_log(path_.string());
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    fs::rename(path_, dir_ / "rotated");
    EXPECT_EQ(pop->NOOP(), S_OK);
    EXPECT_EQ(contents(), "NOOP\r\n+OK\r\n");
}

TEST_F(PopMainLog, UnwritableLogIsIgnored) {
    tn::ScriptedPop3Server server(tn::Conversation().greet().login("bob", "pw").quit());
    PopMainDriver pop;
    pop.set_log((dir_ / "missing" / "folder" / "log").string());
    EXPECT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    pop.close();
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

}  // namespace
