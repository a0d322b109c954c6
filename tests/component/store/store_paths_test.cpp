// Store root and path composition: names that would leave the root, or paths the platform
// cannot take, are refused, never cut short.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <optional>
#include <string>

#include "store/store_paths.h"

namespace {

using namespace std::string_literals;
using velmo::store::mailbox_path;
using velmo::store::message_path;
using velmo::store::resolve_store_root;

const std::string kRoot = "/srv/mail/MailFolders";

struct NameRow {
    const char* name;
    std::string mailbox;
    bool accepted;
};
void PrintTo(const NameRow& row, std::ostream* os) { *os << row.name; }

class MailboxNames : public testing::TestWithParam<NameRow> {};

TEST_P(MailboxNames, AreAcceptedOnlyInsideTheRoot) {
    const NameRow& row = GetParam();
    std::optional<std::string> path = mailbox_path(kRoot, row.mailbox);
    ASSERT_EQ(path.has_value(), row.accepted);
    if (row.accepted) {
        EXPECT_EQ(*path, kRoot + "/" + row.mailbox);
    }
}

const NameRow kNames[] = {
    {"Plain", "Inbox", true},
    {"DeeperFolder", "Inbox/2024/June", true},
    {"DotComponentStaysInside", "Inbox/./Sub", true},
    {"DotsInsideAName", "x..y", true},
    {"ThreeDots", "...", true},
    {"TrailingSlash", "Inbox/", true},
    {"Backslash", "a\\b", true},
    {"HiddenFolder", ".Trash", true},
    {"ParentOnly", "..", false},
    {"ParentFirst", "../escape", false},
    {"ParentInside", "Inbox/../../escape", false},
    {"ParentLast", "Inbox/..", false},
    {"Absolute", "/etc", false},
    {"AbsoluteDeep", "/tmp/x", false},
    {"EmptyIsTheRootItself", "", false},
    {"DotIsTheRootItself", ".", false},
    {"DotsAndSlashesAreTheRoot", "././/", false},
    {"EmbeddedNul", "In\0/../x"s, false},
};

INSTANTIATE_TEST_SUITE_P(Names, MailboxNames, testing::ValuesIn(kNames),
                         [](const testing::TestParamInfo<NameRow>& info) { return info.param.name; });

TEST(PathLimits, ComponentLongerThanNameMaxIsRefused) {
    EXPECT_TRUE(mailbox_path(kRoot, std::string(NAME_MAX, 'm')));
    EXPECT_FALSE(mailbox_path(kRoot, std::string(NAME_MAX + 1, 'm')));
    EXPECT_FALSE(mailbox_path(kRoot, "Inbox/" + std::string(NAME_MAX + 1, 'm')));
}

TEST(PathLimits, WholePathMustStayBelowPathMax) {
    // Folders of 200 characters: deep enough to pass PATH_MAX without any long component.
    std::string name;
    while (kRoot.size() + 1 + name.size() + 201 < PATH_MAX) name += std::string(200, 'd') + "/";
    std::string fits = name + std::string(PATH_MAX - 1 - kRoot.size() - 1 - name.size(), 'e');
    ASSERT_EQ(kRoot.size() + 1 + fits.size(), size_t{PATH_MAX - 1});
    EXPECT_TRUE(mailbox_path(kRoot, fits));
    EXPECT_FALSE(mailbox_path(kRoot, fits + "e"));
}

TEST(PathLimits, RootTooLongRefusesEveryMailbox) {
    std::string root;
    while (root.size() < PATH_MAX) root += "/" + std::string(100, 'r');
    EXPECT_FALSE(mailbox_path(root, "Inbox"));
}

TEST(MessagePaths, NameIsTheEncodedIdentifierInTheMailbox) {
    EXPECT_EQ(message_path(kRoot, "Inbox", "abc"), kRoot + "/Inbox/YWJj.eml");
    EXPECT_EQ(message_path(kRoot, "Inbox", ""), kRoot + "/Inbox/.eml");
}

TEST(MessagePaths, RefusedMailboxRefusesTheMessage) {
    EXPECT_FALSE(message_path(kRoot, "../x", "abc"));
    EXPECT_FALSE(message_path(kRoot, "/tmp", "abc"));
}

TEST(MessagePaths, IdentifierWhoseNameHoldsASlashIsRefused) {
    // "???" encodes as "Pz8/": it would address a subfolder "Pz8".
    EXPECT_FALSE(message_path(kRoot, "Inbox", "???"));
}

TEST(MessagePaths, IdentifierWithNulIsRefused) { EXPECT_FALSE(message_path(kRoot, "Inbox", "a\0b"s)); }

TEST(MessagePaths, EncodedNameMustFitNameMax) {
    // 186 bytes encode as 248 characters, plus ".eml" 252; 187 bytes need 256.
    EXPECT_TRUE(message_path(kRoot, "Inbox", std::string(186, 'i')));
    EXPECT_FALSE(message_path(kRoot, "Inbox", std::string(187, 'i')));
}

// The environment decides the root; each case restores what it changed.
class StoreRoot : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"VELMO_MAILFOLDERS", "XDG_DATA_HOME", "HOME"}) {
            const char* v = std::getenv(name);
            saved_.push_back({name, v ? std::optional<std::string>(v) : std::nullopt});
        }
    }
    void TearDown() override {
        for (auto& [name, value] : saved_) {
            if (value)
                ::setenv(name, value->c_str(), 1);
            else
                ::unsetenv(name);
        }
    }
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(StoreRoot, ExplicitFolderWinsWithoutTrailingSlash) {
    ::setenv("VELMO_MAILFOLDERS", "/data/store//", 1);
    ::setenv("XDG_DATA_HOME", "/xdg", 1);
    EXPECT_EQ(resolve_store_root(), "/data/store");
}

TEST_F(StoreRoot, EmptyExplicitFolderFallsBackToTheDataFolder) {
    ::setenv("VELMO_MAILFOLDERS", "", 1);
    ::setenv("XDG_DATA_HOME", "/xdg/", 1);
    EXPECT_EQ(resolve_store_root(), "/xdg/velmo/MailFolders");
}

TEST_F(StoreRoot, DefaultIsUnderTheHomeFolder) {
    ::unsetenv("VELMO_MAILFOLDERS");
    ::unsetenv("XDG_DATA_HOME");
    ::setenv("HOME", "/home/tester", 1);
    EXPECT_EQ(resolve_store_root(), "/home/tester/.local/share/velmo/MailFolders");
}

TEST_F(StoreRoot, RelativeDataFolderIsIgnored) {
    ::unsetenv("VELMO_MAILFOLDERS");
    ::setenv("XDG_DATA_HOME", "relative/data", 1);
    ::setenv("HOME", "/home/tester", 1);
    EXPECT_EQ(resolve_store_root(), "/home/tester/.local/share/velmo/MailFolders");
}

TEST_F(StoreRoot, RelativeExplicitFolderIsMadeAbsolute) {
    ::setenv("VELMO_MAILFOLDERS", "rel/store", 1);
    std::string root = resolve_store_root();
    EXPECT_EQ(root.front(), '/');
    EXPECT_TRUE(root.ends_with("/rel/store")) << root;
}

}  // namespace
