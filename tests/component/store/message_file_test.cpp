// Message files on disk: whole reads up to the first NUL, atomic writes, no waiting on
// special files, and creation that never replaces.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "store/deferred_sync.h"
#include "store/message_file.h"
#include "temp_root.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using velmo::store::read_message_file;
using velmo::store::write_message_file;
using velmo::store::WriteResult;

class MessageFile : public testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir()); }
    fs::path dir() const { return temp_.base() / "box"; }
    std::string at(const char* name) const { return (dir() / name).string(); }
    store_test::TempRoot temp_;
};

TEST_F(MessageFile, WritesBytesExactlyAndReadsThemBack) {
    std::string bytes = "From: a\r\n\r\nbody \xE9\xFF\r\n";
    ASSERT_EQ(write_message_file(at("m.eml"), bytes, true), WriteResult::written);
    EXPECT_EQ(store_test::read_bytes(dir() / "m.eml"), bytes);
    EXPECT_EQ(read_message_file(at("m.eml")), bytes);
}

TEST_F(MessageFile, ReadStopsAtTheFirstNul) {
    store_test::write_bytes(dir() / "m.eml", "head\0tail"s);
    EXPECT_EQ(read_message_file(at("m.eml")), "head");
}

TEST_F(MessageFile, ReadsALargeFileWhole) {
    std::string big(3 << 20, 'x');
    big[big.size() - 1] = 'z';
    store_test::write_bytes(dir() / "big.eml", big);
    EXPECT_EQ(read_message_file(at("big.eml")), big);
}

TEST_F(MessageFile, ReadingAFolderOrAMissingFileGivesNothing) {
    fs::create_directory(dir() / "folder.eml");
    EXPECT_FALSE(read_message_file(at("folder.eml")));
    EXPECT_FALSE(read_message_file(at("missing.eml")));
}

TEST_F(MessageFile, ReadingAFifoNeverWaits) {
    ASSERT_EQ(::mkfifo(at("pipe.eml").c_str(), 0600), 0);
    EXPECT_FALSE(read_message_file(at("pipe.eml")));  // the test's timeout catches a hang
}

TEST_F(MessageFile, ReplaceOverwritesAndLeavesNoTemporaryFile) {
    ASSERT_EQ(write_message_file(at("m.eml"), "first, longer text", true), WriteResult::written);
    ASSERT_EQ(write_message_file(at("m.eml"), "second", true), WriteResult::written);
    EXPECT_EQ(store_test::read_bytes(dir() / "m.eml"), "second");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir()), fs::directory_iterator()), 1);
}

TEST_F(MessageFile, CreateNewNeverReplacesAnExistingEntry) {
    store_test::write_bytes(dir() / "m.eml", "kept");
    EXPECT_EQ(write_message_file(at("m.eml"), "other", false), WriteResult::exists);
    EXPECT_EQ(store_test::read_bytes(dir() / "m.eml"), "kept");
    EXPECT_EQ(write_message_file(at("n.eml"), "new", false), WriteResult::written);
    EXPECT_EQ(store_test::read_bytes(dir() / "n.eml"), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir()), fs::directory_iterator()), 2);
}

// Either way of syncing, a copy gone from a second folder, on a filesystem the first folder's
// sync already covered and past the first batch, fails the sync; with every copy there it holds.
TEST_F(MessageFile, DeferredSyncFailsForAMissingCopyEitherWay) {
    for (const auto way : {velmo::store::SyncWay::whole_filesystem, velmo::store::SyncWay::each_file})
        for (const bool missing : {false, true}) {
            for (const char* folder : {"a", "b"}) {
                fs::remove_all(dir() / folder);
                fs::create_directories(dir() / folder);
                for (int i = 0; i < 70; ++i)  // more than one batch
                    ASSERT_EQ(write_message_file((dir() / folder / (std::to_string(i) + ".eml")).string(), "copy",
                                                 false, velmo::store::SyncMode::deferred),
                              WriteResult::written);
            }
            if (missing) fs::remove(dir() / "b" / "69.eml");
            EXPECT_EQ(velmo::store::sync_deferred(way), !missing) << static_cast<int>(way);
            EXPECT_FALSE(velmo::store::has_deferred()) << "what was owed is settled all the same";
        }
}

TEST_F(MessageFile, WriteOverAFolderFailsAndKeepsIt) {
    fs::create_directory(dir() / "folder.eml");
    EXPECT_EQ(write_message_file(at("folder.eml"), "x", true), WriteResult::failed);
    EXPECT_TRUE(fs::is_directory(dir() / "folder.eml"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir()), fs::directory_iterator()), 1);
}

TEST_F(MessageFile, WriteIntoAMissingFolderFails) {
    EXPECT_EQ(write_message_file((dir() / "nowhere" / "m.eml").string(), "x", true), WriteResult::failed);
}

TEST_F(MessageFile, FailedWriteLeavesTheOldMessageWhole) {
    // A file size limit makes the write of the new text fail half-way.
    store_test::write_bytes(dir() / "m.eml", "old message");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    WriteResult result = write_message_file(at("m.eml"), std::string(8192, 'n'), true);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(result, WriteResult::failed);
    EXPECT_EQ(store_test::read_bytes(dir() / "m.eml"), "old message");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir()), fs::directory_iterator()), 1);
}

}  // namespace
