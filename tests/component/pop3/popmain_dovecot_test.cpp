// POPMAIN in synchronous mode against a real Dovecot on loopback: login both ways, counts,
// sizes, ids, headers and whole messages as the server really sends them, deletion.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "frame/com_ptr.h"
#include "net/dovecot_fixture.h"
#include "net/temp_dir.h"
#include "pop3/ipopraw.h"
#include "popmain_driver.h"
#include "store/deferred_sync.h"
#include "store/message_file.h"

namespace {

namespace tn = halvex::testnet;
using pop3test::PopMainDriver;

// A message as a POP3 server sends it: CR LF line ends.
std::string crlf(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// What Retrieve yields for a stored message: CR LF lines, dot-stuffing kept, no final CR LF.
std::string as_retrieved(std::string_view message) {
    std::string wire;
    bool line_start = true;
    for (char c : crlf(message)) {
        if (line_start && c == '.') wire += '.';
        wire += c;
        line_start = c == '\n';
    }
    if (wire.size() >= 2 && wire.ends_with("\r\n")) wire.resize(wire.size() - 2);
    return wire;
}

std::string header_of(std::string_view message) {
    return crlf(message.substr(0, message.find("\n\n") + 1));
}

class PopMainDovecot : public tn::DovecotTest {
protected:
    LONG login(PopMainDriver& pop) {
        return pop.connect(dovecot().address(), dovecot().user().name, dovecot().user().password);
    }
};

TEST_F(PopMainDovecot, CountsSizesIdsHeadersAndMessages) {
    std::vector<std::string> messages = {tn::sample_message(1, 300), tn::sample_message(2, 5000),
                                         tn::sample_message(3, 20)};
    messages[1] += ".hidden dot line\n..two dots\n.\nend\n";
    dovecot().maildir().add_all(messages);

    PopMainDriver pop;
    ASSERT_EQ(login(pop), 0) << dovecot().log();
    EXPECT_TRUE(pop.connected());
    EXPECT_EQ(pop.total(), 3);
    LONG total = 0;
    for (const auto& m : messages) total += static_cast<LONG>(crlf(m).size());
    EXPECT_EQ(pop.total_size(), total);

    std::set<std::string> ids;
    for (LONG n = 1; n <= 3; ++n) {
        const std::string& m = messages[static_cast<std::size_t>(n - 1)];
        EXPECT_EQ(pop.size(n), static_cast<LONG>(crlf(m).size())) << n;
        EXPECT_EQ(pop.header(n), header_of(m)) << n;
        EXPECT_EQ(pop.retrieve(n), as_retrieved(m)) << n;
        auto id = pop.id(n);
        ASSERT_TRUE(id.has_value());
        EXPECT_FALSE(id->empty());
        ids.insert(*id);
    }
    EXPECT_EQ(ids.size(), 3u);
    EXPECT_EQ(pop.size(0), std::nullopt);
    EXPECT_EQ(pop.size(4), std::nullopt);
    EXPECT_EQ(pop.header(4), std::nullopt);
    EXPECT_EQ(pop.id(4), std::nullopt);
    pop.close();
    EXPECT_FALSE(pop.connected());
}

TEST_F(PopMainDovecot, EmptyMailbox) {
    PopMainDriver pop;
    ASSERT_EQ(login(pop), 0) << dovecot().log();
    EXPECT_EQ(pop.total(), 0);
    EXPECT_EQ(pop.total_size(), 0);
    EXPECT_EQ(pop.size(1), std::nullopt);
    EXPECT_EQ(pop.retrieve(1), std::nullopt);
}

TEST_F(PopMainDovecot, DeleteTakesEffectAtCloseAndResetUndoesIt) {
    dovecot().maildir().add_all({tn::sample_message(1), tn::sample_message(2), tn::sample_message(3)});
    {
        PopMainDriver pop;
        ASSERT_EQ(login(pop), 0) << dovecot().log();
        EXPECT_EQ(pop.remove(1), 0);
        EXPECT_EQ(pop->Reset(), S_OK);
        EXPECT_EQ(pop.remove(2), 0);
        EXPECT_EQ(pop.remove(2), 1) << "already marked";
        EXPECT_EQ(pop.remove(9), 1);
        EXPECT_TRUE(pop.connected());
        EXPECT_EQ(pop.size(2), static_cast<LONG>(crlf(tn::sample_message(2)).size()))
            << "the listing of the connection stays";
        pop.close();
    }
    std::vector<std::string> left = dovecot().maildir().messages();
    ASSERT_EQ(left.size(), 2u);
    EXPECT_NE(left[0].find("Subject: Test message 1\n"), std::string::npos);
    EXPECT_NE(left[1].find("Subject: Test message 3\n"), std::string::npos);
}

// A copy saved unsynced before its deletion (as the quarantine saves them) is synced before the
// QUIT that removes the message; a copy that is not on disk by then turns QUIT into RSET and
// QUIT, so the server keeps every message of the session.
TEST_F(PopMainDovecot, QuitWaitsForDeferredCopiesAndUndoesDeletionsWithoutThem) {
    for (const bool copy_lost : {false, true}) {
        SCOPED_TRACE(copy_lost ? "copy lost" : "copy on disk");
        dovecot().maildir().clear();
        dovecot().maildir().add_all({tn::sample_message(1), tn::sample_message(2)});
        tn::TempDir dir("halvex-deferred-");
        const std::string copy = (dir.path() / "copy.eml").string();
        PopMainDriver pop;
        ASSERT_EQ(login(pop), 0) << dovecot().log();
        ASSERT_EQ(velmo::store::write_message_file(copy, "copy", true, velmo::store::SyncMode::deferred),
                  velmo::store::WriteResult::written);
        if (copy_lost) std::filesystem::remove(copy);
        EXPECT_EQ(pop.remove(1), 0);
        pop.close();
        EXPECT_FALSE(velmo::store::has_deferred());
        velmo::ComPtr<IPOPRAW> raw;
        ASSERT_EQ(pop->QueryInterface(IPOPRAW::iid, raw.put_void()), S_OK);
        LONG confirmed = -1;
        EXPECT_EQ(raw->get_QuitConfirmed(&confirmed), S_OK);
        EXPECT_EQ(confirmed, copy_lost ? 0 : 1);
        EXPECT_EQ(dovecot().maildir().messages().size(), copy_lost ? 2u : 1u);
    }
}

TEST_F(PopMainDovecot, NoopAndResetKeepTheSession) {
    PopMainDriver pop;
    ASSERT_EQ(login(pop), 0) << dovecot().log();
    EXPECT_EQ(pop->NOOP(), S_OK);
    EXPECT_EQ(pop->Reset(), S_OK);
    EXPECT_EQ(pop.total(), 0);
    EXPECT_TRUE(pop.connected());
}

TEST_F(PopMainDovecot, ApopLoginWithTheGreetingsTimeStamp) {
    dovecot().maildir(dovecot().apop_user().name).add(tn::sample_message(7));
    PopMainDriver pop;
    ASSERT_EQ(pop.secure_connect(dovecot().address(), dovecot().apop_user().name, dovecot().apop_user().password), 0)
        << dovecot().log();
    EXPECT_EQ(pop.total(), 1);
    pop.close();

    EXPECT_EQ(pop.secure_connect(dovecot().address(), dovecot().apop_user().name, "wrong"), 1);
    EXPECT_FALSE(pop.connected());
}

TEST_F(PopMainDovecot, WrongPasswordFailsAndLeavesNoSession) {
    PopMainDriver pop;
    EXPECT_EQ(pop.connect(dovecot().address(), dovecot().user().name, "wrong"), 1);
    EXPECT_FALSE(pop.connected());
    EXPECT_EQ(pop.total(), std::nullopt);
}

TEST_F(PopMainDovecot, ReconnectingSeesTheNewMailbox) {
    dovecot().maildir().add(tn::sample_message(1));
    PopMainDriver pop;
    ASSERT_EQ(login(pop), 0) << dovecot().log();
    EXPECT_EQ(pop.size(1), static_cast<LONG>(crlf(tn::sample_message(1)).size()));
    ASSERT_EQ(login(pop), 0) << "a second Connect replaces the first session";
    EXPECT_EQ(pop.size(2), std::nullopt);
    EXPECT_EQ(pop.total(), 1);
}

TEST_F(PopMainDovecot, Ipv6Loopback) {
    dovecot().maildir().add(tn::sample_message(1));
    PopMainDriver pop;
    ASSERT_EQ(pop.connect(dovecot().address(tn::Family::v6), dovecot().user().name, dovecot().user().password), 0)
        << dovecot().log();
    EXPECT_EQ(pop.total(), 1);
    EXPECT_EQ(pop.retrieve(1), as_retrieved(tn::sample_message(1)));
}

TEST_F(PopMainDovecot, LargeMessageArrivesWhole) {
    std::string big = tn::sample_message(1, 3 * 1024 * 1024);
    dovecot().maildir().add(big);
    PopMainDriver pop;
    ASSERT_EQ(login(pop), 0) << dovecot().log();
    auto text = pop.retrieve(1);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->size(), as_retrieved(big).size());
    EXPECT_TRUE(*text == as_retrieved(big));
}

}  // namespace
