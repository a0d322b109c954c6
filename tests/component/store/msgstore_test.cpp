// MSGSTORE through its interface, in a temporary root: mailboxes, messages by index and by
// identifier, generated identifiers, listing rules, refused names and late binding.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <climits>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "msgstore_client.h"
#include "store/generated_id.h"
#include "store/imsgstorebytes.h"
#include "store/name_codec.h"
#include "temp_root.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using store_test::read_bytes;
using store_test::write_bytes;

constexpr LONG kOk = 0;
constexpr LONG kFail = 1;

const std::string kMail = "From: a@example.org\r\nSubject: hi\r\n\r\nbody\r\n";

class Store : public testing::Test {
protected:
    fs::path box(const std::string& name) const { return temp_.root() / name; }
    // Entry names of a folder in the order the directory gives them.
    static std::vector<std::string> raw_listing(const fs::path& dir) {
        std::vector<std::string> names;
        DIR* d = ::opendir(dir.c_str());
        if (!d) return names;
        while (dirent* e = ::readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        ::closedir(d);
        return names;
    }
    size_t entries_in(const fs::path& dir) const { return raw_listing(dir).size(); }

    store_test::TempRoot temp_;  // first, so the store is made inside it
    store_test::StoreClient store_;
};

TEST_F(Store, CreatesItsRootAndStartsEmpty) {
    EXPECT_TRUE(fs::is_directory(temp_.root()));
    EXPECT_EQ(store_.GetMailBoxCount(), 0);
    EXPECT_EQ(store_.GetMailBoxName(0), "");
}

TEST_F(Store, CreateMailBoxOnceOnly) {
    EXPECT_EQ(store_.CreateMailBox("Inbox"), kOk);
    EXPECT_EQ(store_.IsMailBoxExisted("Inbox"), kOk);
    EXPECT_EQ(store_.CreateMailBox("Inbox"), kFail);
    EXPECT_TRUE(fs::is_directory(box("Inbox")));
    EXPECT_EQ(store_.GetMailBoxCount(), 1);
    EXPECT_EQ(store_.GetMailBoxName(0), "Inbox");
    EXPECT_EQ(store_.GetMailBoxName(1), "");
    EXPECT_EQ(store_.GetMailBoxName(-1), "");
}

TEST_F(Store, MailBoxPathIsRootSlashNameExistingOrNot) {
    EXPECT_EQ(store_.GetMailBoxPath("Inbox"), temp_.root().string() + "/Inbox");
    EXPECT_EQ(store_.GetMailBoxPath("a/b"), temp_.root().string() + "/a/b");
    EXPECT_EQ(store_.IsMailBoxExisted("Inbox"), kFail);
}

TEST_F(Store, DeeperMailBoxesNeedTheirParent) {
    EXPECT_EQ(store_.CreateMailBox("Archive/2024"), kFail);
    ASSERT_EQ(store_.CreateMailBox("Archive"), kOk);
    EXPECT_EQ(store_.CreateMailBox("Archive/2024"), kOk);
    EXPECT_TRUE(fs::is_directory(box("Archive") / "2024"));
    EXPECT_EQ(store_.GetMailBoxCount(), 1);  // only direct subfolders of the root
    EXPECT_EQ(store_.SaveEmailById("Archive/2024", kMail, "x"), kOk);
    EXPECT_EQ(store_.GetEmailById("Archive/2024", "x"), kMail);
}

TEST_F(Store, AFileIsNotAMailBox) {
    write_bytes(temp_.root() / "loose.txt", "x");
    EXPECT_EQ(store_.IsMailBoxExisted("loose.txt"), kFail);
    EXPECT_EQ(store_.GetMailBoxCount(), 0);
}

TEST_F(Store, MailBoxNamesFollowTheDirectoryOrder) {
    for (const char* name : {"c", "a", "b", "Sent", "Inbox"}) ASSERT_EQ(store_.CreateMailBox(name), kOk);
    write_bytes(temp_.root() / "stray.eml", "x");
    std::vector<std::string> expected;
    for (const std::string& n : raw_listing(temp_.root()))
        if (fs::is_directory(temp_.root() / n)) expected.push_back(n);
    ASSERT_EQ(store_.GetMailBoxCount(), 5);
    for (LONG i = 0; i < 5; ++i) EXPECT_EQ(store_.GetMailBoxName(i), expected[i]) << i;
}

TEST_F(Store, SaveByIdWritesTheEncodedFileAndReadsBack) {
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    ASSERT_EQ(store_.SaveEmailById("Inbox", kMail, "abc"), kOk);
    EXPECT_EQ(read_bytes(box("Inbox") / "YWJj.eml"), kMail);
    EXPECT_EQ(store_.GetEmailCount("Inbox"), 1);
    EXPECT_EQ(store_.GetEmailId("Inbox", 0), "abc");
    EXPECT_EQ(store_.GetEmailById("Inbox", "abc"), kMail);
    EXPECT_EQ(store_.GetEmail("Inbox", 0), kMail);
    EXPECT_EQ(store_.IsEmailExisted("Inbox", "abc"), kOk);
    EXPECT_EQ(store_.DeleteEmailById("Inbox", "abc"), kOk);
    EXPECT_EQ(store_.IsEmailExisted("Inbox", "abc"), kFail);
    EXPECT_EQ(store_.DeleteEmailById("Inbox", "abc"), kFail);
    EXPECT_EQ(entries_in(box("Inbox")), 0u);
}

TEST_F(Store, ShortIdentifierIsPaddedAndListsBack) {
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    ASSERT_EQ(store_.SaveEmailById("Inbox", kMail, "a"), kOk);
    EXPECT_TRUE(fs::is_regular_file(box("Inbox") / "YQ==.eml"));
    EXPECT_EQ(store_.GetEmailId("Inbox", 0), "a");
}

TEST_F(Store, NonAsciiIdentifierIsStoredAsItsUtf8Bytes) {
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    const std::string id =
        "Gr\xC3\xBC\xC3\x9F"
        "e <1@x>";
    ASSERT_EQ(store_.SaveEmailById("Inbox", kMail, id), kOk);
    EXPECT_TRUE(fs::exists(box("Inbox") / velmo::store::message_file_name(id)));
    EXPECT_EQ(store_.GetEmailId("Inbox", 0), id);
    EXPECT_EQ(store_.GetEmailById("Inbox", id), kMail);
}

TEST_F(Store, SavingTheSameIdentifierOverwrites) {
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    ASSERT_EQ(store_.SaveEmailById("Inbox", "a much longer first text", "m"), kOk);
    ASSERT_EQ(store_.SaveEmailById("Inbox", "second", "m"), kOk);
    EXPECT_EQ(store_.GetEmailCount("Inbox"), 1);
    EXPECT_EQ(store_.GetEmailById("Inbox", "m"), "second");
    EXPECT_EQ(entries_in(box("Inbox")), 1u);  // no temporary file left behind
}

TEST_F(Store, SavingIntoAMissingMailBoxCreatesNothing) {
    EXPECT_EQ(store_.SaveEmail("Nowhere", kMail), kFail);
    EXPECT_EQ(store_.SaveEmailById("Nowhere", kMail, "abc"), kFail);
    EXPECT_FALSE(fs::exists(box("Nowhere")));
    EXPECT_EQ(entries_in(temp_.root()), 0u);
}

TEST_F(Store, RawTextIsStoredUpToItsFirstNul) {
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    ASSERT_EQ(store_.SaveEmailById("Inbox", "kept\0dropped"s, "n"), kOk);
    EXPECT_EQ(read_bytes(box("Inbox") / velmo::store::message_file_name("n")), "kept");
}

TEST_F(Store, ReadingStopsAtNulAndEightBitBytesReadAsWindows1252) {
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    write_bytes(box("Inbox") / "YWJj.eml", "caf\xE9 \xC3\xA9\0rest"s);
    EXPECT_EQ(store_.GetEmailById("Inbox", "abc"), "caf\xC3\xA9 \xC3\xA9");
}

TEST_F(Store, GeneratedIdentifiersDifferForSavesInARow) {
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(store_.SaveEmail("Inbox", kMail + std::to_string(i)), kOk);
    ASSERT_EQ(store_.GetEmailCount("Inbox"), 5);
    std::set<std::string> ids;
    for (LONG i = 0; i < 5; ++i) {
        std::string id = store_.GetEmailId("Inbox", i);
        EXPECT_EQ(id, std::to_string(std::stoll(id))) << "decimal text";
        EXPECT_TRUE(store_.GetEmailById("Inbox", id).starts_with(kMail));
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 5u);
}

TEST_F(Store, GeneratedIdentifierNeverOverwritesAStoredMessage) {
    // Take the numbers the next saves would use: the tick only grows, so the next
    // identifier lands inside this range unless the save comes more than 400 ms late.
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    const int64_t first = velmo::store::generated_id_number();
    constexpr int kTaken = 400;
    for (int k = 0; k <= kTaken; ++k) {
        std::string id = std::to_string(static_cast<int32_t>(first + k));
        write_bytes(box("Inbox") / velmo::store::message_file_name(id), "taken " + id);
    }
    ASSERT_EQ(store_.SaveEmail("Inbox", kMail), kOk);
    ASSERT_EQ(store_.GetEmailCount("Inbox"), kTaken + 2);
    for (int k = 0; k <= kTaken; ++k) {
        std::string id = std::to_string(static_cast<int32_t>(first + k));
        ASSERT_EQ(store_.GetEmailById("Inbox", id), "taken " + id);
    }
}

TEST_F(Store, OnlyNamesWithDotEmlAreMessages) {
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    write_bytes(box("Inbox") / "notes.txt", "not mail");
    write_bytes(box("Inbox") / "X.EML", "not mail either");
    fs::create_directory(box("Inbox") / "Zm9sZGVy.eml");  // a folder never counts
    EXPECT_EQ(store_.GetEmailCount("Inbox"), 0);
    EXPECT_EQ(store_.GetEmailId("Inbox", 0), "");
    EXPECT_EQ(store_.GetEmail("Inbox", 0), "");
    EXPECT_EQ(store_.DeleteEmail("Inbox", 0), kFail);
    ASSERT_EQ(store_.SaveEmailById("Inbox", kMail, "abc"), kOk);
    EXPECT_EQ(store_.GetEmailCount("Inbox"), 1);
    EXPECT_EQ(store_.GetEmail("Inbox", 0), kMail);
    EXPECT_EQ(store_.GetEmail("Inbox", 1), "");
    EXPECT_TRUE(fs::exists(box("Inbox") / "notes.txt"));
}

TEST_F(Store, MessagesByIndexFollowTheDirectoryOrder) {
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    for (const char* id : {"zeta", "alpha", "mu", "beta", "omega", "pi"})
        ASSERT_EQ(store_.SaveEmailById("Inbox", std::string("text of ") + id, id), kOk);
    write_bytes(box("Inbox") / "readme", "x");
    std::vector<std::string> expected;
    for (const std::string& n : raw_listing(box("Inbox")))
        if (velmo::store::is_message_file_name(n))
            expected.push_back(velmo::store::message_id_from_file_name(n));
    ASSERT_EQ(store_.GetEmailCount("Inbox"), 6);
    for (LONG i = 0; i < 6; ++i) {
        EXPECT_EQ(store_.GetEmailId("Inbox", i), expected[i]);
        EXPECT_EQ(store_.GetEmail("Inbox", i), "text of " + expected[i]);
    }
    EXPECT_EQ(store_.GetEmailId("Inbox", 6), "");
    EXPECT_EQ(store_.GetEmailId("Inbox", -1), "");
}

TEST_F(Store, GetEmailReadsTheIndexedFileEvenWithAForeignName) {
    // 'YWJj.eml.bak' is listed as a message; its text is its own, not that of 'YWJj.eml'.
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    write_bytes(box("Inbox") / "YWJj.eml.bak", "backup copy");
    ASSERT_EQ(store_.GetEmailCount("Inbox"), 1);
    EXPECT_EQ(store_.GetEmail("Inbox", 0), "backup copy");
}

TEST_F(Store, DeleteEmailByIndexRemovesThatFile) {
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    for (const char* id : {"one", "two", "three"}) ASSERT_EQ(store_.SaveEmailById("Inbox", id, id), kOk);
    std::string second = store_.GetEmailId("Inbox", 1);
    EXPECT_EQ(store_.DeleteEmail("Inbox", 1), kOk);
    EXPECT_EQ(store_.IsEmailExisted("Inbox", second), kFail);
    EXPECT_EQ(store_.GetEmailCount("Inbox"), 2);
    EXPECT_EQ(store_.DeleteEmail("Inbox", 2), kFail);
    EXPECT_EQ(store_.DeleteEmail("Inbox", -1), kFail);
}

TEST_F(Store, IsEmailExistedSeesAnyEntryOfThatName) {
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    fs::create_directory(box("Inbox") / "YWJj.eml");
    EXPECT_EQ(store_.IsEmailExisted("Inbox", "abc"), kOk);
    EXPECT_EQ(store_.GetEmailById("Inbox", "abc"), "");
    EXPECT_EQ(store_.DeleteEmailById("Inbox", "abc"), kFail);
    EXPECT_EQ(store_.SaveEmailById("Inbox", kMail, "abc"), kFail);
    EXPECT_TRUE(fs::is_directory(box("Inbox") / "YWJj.eml"));
}

TEST_F(Store, APipeNamedAsAMessageIsNeverWaitedOn) {
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    ASSERT_EQ(::mkfifo((box("Inbox") / "YWJj.eml").c_str(), 0600), 0);
    EXPECT_EQ(store_.GetEmailById("Inbox", "abc"), "");
    EXPECT_EQ(store_.GetEmail("Inbox", 0), "");
}

TEST_F(Store, ClearMailBoxDeletesFilesButNotSubfolders) {
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    ASSERT_EQ(store_.CreateMailBox("Inbox/Sub"), kOk);
    ASSERT_EQ(store_.SaveEmailById("Inbox", kMail, "abc"), kOk);
    ASSERT_EQ(store_.SaveEmailById("Inbox/Sub", kMail, "deep"), kOk);
    write_bytes(box("Inbox") / "notes.txt", "x");
    EXPECT_EQ(store_.ClearMailBox("Inbox"), kOk);
    EXPECT_EQ(raw_listing(box("Inbox")), std::vector<std::string>{"Sub"});
    EXPECT_EQ(store_.GetEmailById("Inbox/Sub", "deep"), kMail);
    EXPECT_EQ(store_.ClearMailBox("Missing"), kFail);
}

TEST_F(Store, DeleteMailBoxRemovesFilesAndTheFolder) {
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    ASSERT_EQ(store_.SaveEmailById("Inbox", kMail, "abc"), kOk);
    write_bytes(box("Inbox") / "notes.txt", "x");
    EXPECT_EQ(store_.DeleteMailBox("Inbox"), kOk);
    EXPECT_FALSE(fs::exists(box("Inbox")));
    EXPECT_EQ(store_.DeleteMailBox("Inbox"), kFail);
}

TEST_F(Store, DeleteMailBoxWithASubfolderDeletesItsFilesThenFails) {
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    ASSERT_EQ(store_.CreateMailBox("Inbox/Sub"), kOk);
    ASSERT_EQ(store_.SaveEmailById("Inbox", kMail, "abc"), kOk);
    EXPECT_EQ(store_.DeleteMailBox("Inbox"), kFail);
    EXPECT_EQ(raw_listing(box("Inbox")), std::vector<std::string>{"Sub"});
    EXPECT_EQ(store_.IsMailBoxExisted("Inbox"), kOk);
}

TEST_F(Store, ChangesByAnotherObjectAreSeenAtOnce) {
    store_test::StoreClient other;
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    EXPECT_EQ(other.IsMailBoxExisted("Inbox"), kOk);
    ASSERT_EQ(other.SaveEmailById("Inbox", kMail, "abc"), kOk);
    EXPECT_EQ(store_.GetEmailId("Inbox", 0), "abc");
}

// Every operation with a null string argument does nothing and gives its failure value.
TEST_F(Store, NullArgumentsDoNothing) {
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    ASSERT_EQ(store_.SaveEmailById("Inbox", kMail, "abc"), kOk);
    const auto null = std::nullopt;
    EXPECT_EQ(store_.CreateMailBox(null), kFail);
    EXPECT_EQ(store_.DeleteMailBox(null), kFail);
    EXPECT_EQ(store_.ClearMailBox(null), kFail);
    EXPECT_EQ(store_.IsMailBoxExisted(null), kFail);
    EXPECT_EQ(store_.GetMailBoxPath(null), "");
    EXPECT_EQ(store_.GetEmailCount(null), 0);
    EXPECT_EQ(store_.GetEmailId(null, 0), "");
    EXPECT_EQ(store_.IsEmailExisted("Inbox", null), kFail);
    EXPECT_EQ(store_.DeleteEmail(null, 0), kFail);
    EXPECT_EQ(store_.DeleteEmailById("Inbox", null), kFail);
    EXPECT_EQ(store_.GetEmail(null, 0), "");
    EXPECT_EQ(store_.GetEmailById("Inbox", null), "");
    EXPECT_EQ(store_.SaveEmail("Inbox", null), kFail);
    EXPECT_EQ(store_.SaveEmailById("Inbox", null, "new"), kFail);
    EXPECT_EQ(store_.SaveEmailById("Inbox", kMail, null), kFail);
    EXPECT_EQ(store_.GetEmailCount("Inbox"), 1);
    EXPECT_EQ(store_.GetEmailById("Inbox", "abc"), kMail);
}

TEST_F(Store, NullResultPointerChangesNothing) {
    store_test::Arg inbox("Inbox");
    EXPECT_EQ(store_.get()->CreateMailBox(inbox, nullptr), E_POINTER);
    EXPECT_FALSE(fs::exists(box("Inbox")));
    EXPECT_EQ(store_.get()->GetMailBoxPath(inbox, nullptr), E_POINTER);
}

// Names that would leave the root, or address the root itself, are refused by every operation.
class RefusedName : public Store, public testing::WithParamInterface<const char*> {};

TEST_P(RefusedName, IsRefusedEverywhere) {
    const std::string name = GetParam();
    // Something to lose beside and inside the root.
    fs::create_directory(temp_.base() / "outside");
    write_bytes(temp_.base() / "outside" / "YWJj.eml", "outside");
    write_bytes(temp_.root() / "YWJj.eml", "in root");
    EXPECT_EQ(store_.CreateMailBox(name), kFail);
    EXPECT_EQ(store_.IsMailBoxExisted(name), kFail);
    EXPECT_EQ(store_.GetMailBoxPath(name), "");
    EXPECT_EQ(store_.GetEmailCount(name), 0);
    EXPECT_EQ(store_.GetEmailId(name, 0), "");
    EXPECT_EQ(store_.GetEmail(name, 0), "");
    EXPECT_EQ(store_.GetEmailById(name, "abc"), "");
    EXPECT_EQ(store_.IsEmailExisted(name, "abc"), kFail);
    EXPECT_EQ(store_.SaveEmail(name, kMail), kFail);
    EXPECT_EQ(store_.SaveEmailById(name, kMail, "new"), kFail);
    EXPECT_EQ(store_.DeleteEmail(name, 0), kFail);
    EXPECT_EQ(store_.DeleteEmailById(name, "abc"), kFail);
    EXPECT_EQ(store_.ClearMailBox(name), kFail);
    EXPECT_EQ(store_.DeleteMailBox(name), kFail);
    EXPECT_EQ(read_bytes(temp_.base() / "outside" / "YWJj.eml"), "outside");
    EXPECT_EQ(read_bytes(temp_.root() / "YWJj.eml"), "in root");
    EXPECT_TRUE(fs::is_directory(temp_.root()));
    EXPECT_EQ(raw_listing(temp_.base()).size(), 2u);  // MailFolders and outside, nothing new
}

INSTANTIATE_TEST_SUITE_P(Names, RefusedName,
                         testing::Values("..", "../outside", "Inbox/../../outside", "/tmp", "", ".", "./"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return "Row" + std::to_string(info.index);
                         });

TEST_F(Store, AbsoluteNameNeverReachesThatFolder) {
    const fs::path elsewhere = temp_.base() / "elsewhere";
    fs::create_directory(elsewhere);
    EXPECT_EQ(store_.SaveEmailById(elsewhere.string(), kMail, "abc"), kFail);
    EXPECT_EQ(store_.IsMailBoxExisted(elsewhere.string()), kFail);
    EXPECT_EQ(entries_in(elsewhere), 0u);
}

TEST_F(Store, OverlongMailBoxNameIsRefusedNotCut) {
    const std::string longest(NAME_MAX, 'L');
    const std::string too_long = longest + "X";
    EXPECT_EQ(store_.CreateMailBox(too_long), kFail);
    EXPECT_EQ(store_.GetMailBoxPath(too_long), "");
    EXPECT_EQ(store_.GetMailBoxCount(), 0);
    EXPECT_EQ(store_.CreateMailBox(longest), kOk);
    EXPECT_EQ(store_.GetMailBoxName(0), longest);
}

TEST_F(Store, OverlongIdentifierIsRefusedNotCut) {
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    const std::string longest(186, 'i');  // 248 base64 characters and ".eml"
    EXPECT_EQ(store_.SaveEmailById("Inbox", kMail, longest + "i"), kFail);
    EXPECT_EQ(store_.IsEmailExisted("Inbox", longest + "i"), kFail);
    EXPECT_EQ(store_.GetEmailCount("Inbox"), 0);
    EXPECT_EQ(store_.SaveEmailById("Inbox", kMail, longest), kOk);
    EXPECT_EQ(store_.GetEmailId("Inbox", 0), longest);
}

TEST_F(Store, IdentifierThatCannotBeAFileNameIsRefused) {
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    ASSERT_EQ(store_.CreateMailBox("Inbox/Pz8"), kOk);  // where "???" ("Pz8/") would land
    EXPECT_EQ(store_.SaveEmailById("Inbox", kMail, "???"), kFail);
    EXPECT_EQ(store_.SaveEmailById("Inbox", kMail, "a\0b"s), kFail);
    EXPECT_EQ(entries_in(box("Inbox") / "Pz8"), 0u);
    EXPECT_EQ(store_.GetEmailCount("Inbox"), 0);
}

TEST_F(Store, EmptyIdentifierIsAnOrdinaryIdentifier) {
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    ASSERT_EQ(store_.SaveEmailById("Inbox", kMail, ""), kOk);
    EXPECT_TRUE(fs::is_regular_file(box("Inbox") / ".eml"));
    EXPECT_EQ(store_.GetEmailCount("Inbox"), 1);
    EXPECT_EQ(store_.GetEmailById("Inbox", ""), kMail);
}

// Late binding: the members are found by name and called through Invoke.
TEST_F(Store, InvokeByNameSavesAndReads) {
    IMSGSTORE* p = store_.get();
    auto id_of = [&](const char16_t* name) {
        DISPID id = -1;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        EXPECT_EQ(p->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        return id;
    };
    auto bstr_arg = [](const std::string& s) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BSTR;
        v.bstrVal = velmo::to_bstr(s);
        return v;
    };
    VARIANT result;
    VariantInit(&result);

    VARIANT create_args[] = {bstr_arg("Inbox")};
    DISPPARAMS create{create_args, nullptr, 1, 0};
    ASSERT_EQ(p->Invoke(id_of(u"createmailbox"), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &create,
                        &result, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, kOk);
    VariantClear(&result);

    // Arguments go in reverse order: MsgId, Raw, MailBox.
    VARIANT save_args[] = {bstr_arg("abc"), bstr_arg(kMail), bstr_arg("Inbox")};
    DISPPARAMS save{save_args, nullptr, 3, 0};
    ASSERT_EQ(p->Invoke(id_of(u"SaveEmailById"), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &save,
                        &result, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(result.lVal, kOk);
    VariantClear(&result);

    VARIANT get_args[] = {bstr_arg("abc"), bstr_arg("Inbox")};
    DISPPARAMS get{get_args, nullptr, 2, 0};
    ASSERT_EQ(p->Invoke(id_of(u"GetEmailById"), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &get, &result,
                        nullptr, nullptr),
              S_OK);
    ASSERT_EQ(result.vt, VT_BSTR);
    EXPECT_EQ(velmo::to_utf8(result.bstrVal), kMail);
    VariantClear(&result);

    for (VARIANT* v :
         {&create_args[0], &save_args[0], &save_args[1], &save_args[2], &get_args[0], &get_args[1]})
        VariantClear(v);
    EXPECT_EQ(read_bytes(box("Inbox") / "YWJj.eml"), kMail);
}

}  // namespace

namespace {

// IMSGSTOREBYTES: the file holds the bytes given, 8-bit text that is not UTF-8 included, and
// refuses what cannot be a message.
TEST_F(Store, SavesBytesExactlyThroughItsSecondInterface) {
    velmo::ComPtr<IMSGSTOREBYTES> bytes;
    ASSERT_EQ(store_.get()->QueryInterface(IMSGSTOREBYTES::iid, bytes.put_void()), S_OK);
    ASSERT_EQ(store_.CreateMailBox("Inbox"), kOk);
    const std::string raw = "Subject: caf\xE9\r\n\r\n\xFF\x80 odd\r\n";
    auto save = [&](const unsigned char* data, LONG size, const char* id) {
        LONG result = -1;
        EXPECT_EQ(bytes->SaveEmailBytesById(store_test::Arg("Inbox"), data, size, store_test::Arg(id), &result), S_OK);
        return result;
    };
    const auto* data = reinterpret_cast<const unsigned char*>(raw.data());
    ASSERT_EQ(save(data, static_cast<LONG>(raw.size()), "latin1"), kOk);
    EXPECT_EQ(read_bytes(box("Inbox") / velmo::store::message_file_name("latin1")), raw);
    EXPECT_EQ(save(data, -1, "negative"), kFail);
    EXPECT_EQ(save(nullptr, 3, "null"), kFail);
    EXPECT_EQ(save(data, 0, "empty"), kOk);
    LONG result = -1;
    EXPECT_EQ(bytes->SaveEmailBytesById(nullptr, data, 3, store_test::Arg("x"), &result), S_OK);
    EXPECT_EQ(result, kFail);
    EXPECT_EQ(bytes->SaveEmailBytesById(store_test::Arg("Inbox"), data, 3, store_test::Arg("x"), nullptr), E_POINTER);
}

}  // namespace
