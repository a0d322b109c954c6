// The account file byte for byte: golden files, round trips, the reading rules, and
// the file operations' failures.
#include "accounts/account_file.h"
#include "accounts/account_format.h"
#include "accounts/text_codec.h"
#include "account_fixture.h"

#include <QFileInfo>
#include <cstring>
#include <sys/stat.h>

namespace halvex {
namespace {

using test::AccountFolder;

const QByteArray kReserved = "\" \",\" \",\" \",\" \",\" \",\" \",\" \",\" \",\" \",\" \"\r\n";

// A new account with no entries: exactly 11 lines.
const QByteArray kEmptyAccountFile = kReserved +
                                     "\"home\"\r\n"
                                     "\"pop.example.com\",\"joe\",\"secret\"\r\n"
                                     "0\r\n"
                                     "0,100000\r\n" +
                                     kReserved +
                                     "0\r\n"
                                     "0\r\n"
                                     "0\r\n"
                                     "0\r\n" +
                                     kReserved;

// Every kind of entry: two From phrases (one with a comma), a non-ASCII Subject
// phrase, an empty To list, and both kinds of alert.
const QByteArray kFullAccountFile = kReserved +
                                    "\"work\"\r\n"
                                    "\"pop3s://mail.example.net\",\"ann\",\"p4ss w0rd\"\r\n"
                                    "1\r\n"
                                    "1,250000\r\n" +
                                    kReserved +
                                    "2\r\n"
                                    "\"alice@example.com\"\r\n\" \"\r\n\" \"\r\n"
                                    "\"spam, inc\"\r\n\" \"\r\n\" \"\r\n"
                                    "1\r\n"
                                    "\"Gr\xc3\xbc\xc3\x9f""e\"\r\n\" \"\r\n\" \"\r\n"
                                    "0\r\n"
                                    "2\r\n"
                                    "\"boss\"\r\n0\r\n\"\"\r\n\"\"\r\n\" \"\r\n"
                                    "\"invoice\"\r\n1\r\n\"/home/ann/open.sh\"\r\n\"yes\"\r\n\" \"\r\n" +
                                    kReserved;

AccountRecord empty_account() {
  AccountRecord r;
  r.description = QStringLiteral("home");
  r.server = QStringLiteral("pop.example.com");
  r.user_id = QStringLiteral("joe");
  r.password = QStringLiteral("secret");
  return r;
}

AccountRecord full_account() {
  AccountRecord r;
  r.description = QStringLiteral("work");
  r.server = QStringLiteral("pop3s://mail.example.net");
  r.user_id = QStringLiteral("ann");
  r.password = QStringLiteral("p4ss w0rd");
  r.gate_mode = 1;
  r.size_limit_on = 1;
  r.size_limit = 250000;
  r.from_list = {QStringLiteral("alice@example.com"), QStringLiteral("spam, inc")};
  r.subject_list = {QString::fromUtf8("Gr\xc3\xbc\xc3\x9f""e")};
  r.alerts = {AlertRule{QStringLiteral("boss"), 0, {}, {}},
              AlertRule{QStringLiteral("invoice"), 1, QStringLiteral("/home/ann/open.sh"),
                        QStringLiteral("yes")}};
  return r;
}

// A record that differs from every file of these tests in every field.
AccountRecord sentinel() {
  AccountRecord r = full_account();
  r.description = QStringLiteral("sentinel");
  r.to_list = {QStringLiteral("keep")};
  return r;
}

TEST(AccountFormat, NewEmptyAccountIsElevenLines) {
  const std::optional<QByteArray> bytes = format_account(empty_account());
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, kEmptyAccountFile);
  EXPECT_EQ(bytes->count("\r\n"), 11);
}

TEST(AccountFormat, EveryKindOfEntryAndAlert) {
  EXPECT_EQ(format_account(full_account()), kFullAccountFile);
}

TEST(AccountFormat, ResetRecordHasTheNewAccountValues) {
  AccountRecord r = full_account();
  reset_account(r);
  EXPECT_EQ(r, AccountRecord{});
  EXPECT_EQ(r.size_limit, 100000);
  EXPECT_EQ(format_account(r),
            kReserved + "\"\"\r\n\"\",\"\",\"\"\r\n0\r\n0,100000\r\n" + kReserved +
                "0\r\n0\r\n0\r\n0\r\n" + kReserved);
}

TEST(AccountFormat, RefusesAStringWithADoubleQuote) {
  AccountRecord r = empty_account();
  r.password = QStringLiteral("a\",b");
  EXPECT_FALSE(format_account(r));
  r = empty_account();
  r.alerts = {AlertRule{QStringLiteral("x"), 1, QStringLiteral("say \"hi\""), {}}};
  EXPECT_FALSE(format_account(r));
}

TEST_F(AccountFolder, SaveWritesTheGoldenBytesAndLoadGivesTheRecordBack) {
  for (const auto& [record, golden] : {std::pair{empty_account(), kEmptyAccountFile},
                                       std::pair{full_account(), kFullAccountFile}}) {
    ASSERT_TRUE(save_account(folder(), record.description, record));
    EXPECT_EQ(read(record.description + ".dat"), golden);
    AccountRecord loaded = sentinel();
    ASSERT_TRUE(load_account(folder(), record.description, loaded));
    EXPECT_EQ(loaded, record);
  }
}

TEST_F(AccountFolder, LoadThenSaveReproducesTheFileByteForByte) {
  write("work.dat", kFullAccountFile);
  AccountRecord r;
  ASSERT_TRUE(load_account(folder(), "work", r));
  write("work.dat", {});
  ASSERT_TRUE(save_account(folder(), "work", r));
  EXPECT_EQ(read("work.dat"), kFullAccountFile);
}

TEST_F(AccountFolder, CommaInsidePhraseIsReadBackWhole) {
  AccountRecord r = empty_account();
  r.to_list = {QStringLiteral("a,b,,c")};
  ASSERT_TRUE(save_account(folder(), "home", r));
  AccountRecord loaded;
  ASSERT_TRUE(load_account(folder(), "home", loaded));
  EXPECT_EQ(loaded.to_list, QStringList{QStringLiteral("a,b,,c")});
}

TEST_F(AccountFolder, ReservedFieldsWithOtherTextAreSkippedAndWrittenBackAsBlanks) {
  QByteArray odd = kEmptyAccountFile;
  odd.replace(0, kReserved.size(), "\"v2\",x,\"\",,\"a,b\",7,\" \",\" \",\" \",\"z\"\r\n");
  write("home.dat", odd);
  AccountRecord r;
  ASSERT_TRUE(load_account(folder(), "home", r));
  EXPECT_EQ(r, empty_account());
  ASSERT_TRUE(save_account(folder(), "home", r));
  EXPECT_EQ(read("home.dat"), kEmptyAccountFile);
}

TEST_F(AccountFolder, StoredDescriptionUnlikeTheFileNameIsSavedUnderTheStoredOne) {
  write("old.dat", kEmptyAccountFile);  // stores the description "home"
  EXPECT_EQ(get_accounts(folder()), QStringList{"old"});
  AccountRecord r;
  ASSERT_TRUE(load_account(folder(), "old", r));
  EXPECT_EQ(r.description, "home");
  ASSERT_TRUE(save_account(folder(), r.description, r));
  EXPECT_EQ(read("home.dat"), kEmptyAccountFile);
  EXPECT_EQ(read("old.dat"), kEmptyAccountFile);
}

TEST_F(AccountFolder, LoneCrLoneLfAndBlanksBeforeFieldsAreRead) {
  QByteArray text = kFullAccountFile;
  text.replace("\r\n\" \"\r\n\" \"\r\n", "\n   \" \"\r\t\" \"\n");
  text.replace("1,250000", "  1,  250000");
  write("work.dat", text);
  AccountRecord r;
  ASSERT_TRUE(load_account(folder(), "work", r));
  EXPECT_EQ(r, full_account());
}

TEST_F(AccountFolder, Windows1252BytesAreRead) {
  QByteArray text = kEmptyAccountFile;
  text.replace("\"home\"", "\"caf\xe9\"");
  write("cafe.dat", text);
  AccountRecord r;
  ASSERT_TRUE(load_account(folder(), "cafe", r));
  EXPECT_EQ(r.description, QString::fromUtf8("caf\xc3\xa9"));
}

TEST_F(AccountFolder, SavedFileIsPrivateToTheOwner) {
  write("home.dat", "old content");
  ASSERT_TRUE(QFile::setPermissions(path("home.dat"), QFileDevice::ReadOwner |
                                                          QFileDevice::WriteOwner |
                                                          QFileDevice::ReadOther));
  ASSERT_TRUE(save_account(folder(), "home", empty_account()));
  ASSERT_TRUE(save_account(folder(), "new", empty_account()));
  for (const char* file : {"home.dat", "new.dat"}) {
    struct stat st {};
    ASSERT_EQ(::stat(path(file).toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u) << file;
  }
}

TEST_F(AccountFolder, FailedSaveLeavesThePreviousFileIntact) {
  write("work.dat", kFullAccountFile);
  AccountRecord big = full_account();
  for (int i = 0; i < 200; ++i) big.from_list.append(QStringLiteral("phrase %1").arg(i));

  bool saved = true;
  {
    const test::FileSizeLimit limit(1024);  // the write runs out of room halfway
    ASSERT_TRUE(limit.active());
    saved = save_account(folder(), "work", big);
  }
  EXPECT_FALSE(saved);
  EXPECT_EQ(read("work.dat"), kFullAccountFile);
  EXPECT_EQ(files(), QStringList{"work.dat"}) << "no temporary file is left behind";
}

TEST_F(AccountFolder, UnstorableRecordIsNotSavedAndTheOldFileStays) {
  write("home.dat", kEmptyAccountFile);
  AccountRecord r = empty_account();
  r.server = QStringLiteral("pop\".example.com");
  EXPECT_FALSE(save_account(folder(), "home", r));
  EXPECT_EQ(read("home.dat"), kEmptyAccountFile);
}

class InvalidName : public AccountFolder, public testing::WithParamInterface<const char*> {};

TEST_P(InvalidName, IsRefusedAndNothingIsWritten) {
  const QString name = QString::fromUtf8(GetParam());
  QDir(folder()).mkdir("sub");
  const QString in_sub = folder() + "sub/";
  AccountRecord r = empty_account();
  EXPECT_FALSE(save_account(in_sub, name, r));
  EXPECT_FALSE(load_account(in_sub, name, r));
  EXPECT_FALSE(remove_account(in_sub, name));
  EXPECT_EQ(files(), QStringList{"sub"});
  EXPECT_TRUE(QDir(in_sub).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Names, InvalidName,
                         testing::Values("", ".", "..", "../escape", "a/b", "/tmp/x"),
                         [](const auto& info) {
                           const std::string n = info.param;
                           if (n.empty()) return std::string("empty");
                           if (n == ".") return std::string("dot");
                           if (n == "..") return std::string("dotdot");
                           std::string out;
                           for (char c : n) out += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return out;
                         });

TEST_F(AccountFolder, NameWithANulCharacterIsRefused) {
  EXPECT_FALSE(save_account(folder(), QString(QStringLiteral("ab")).insert(1, QChar(0)),
                            empty_account()));
  EXPECT_TRUE(files().isEmpty());
}

TEST_F(AccountFolder, MissingEmptyAndOneByteFilesDoNotLoad) {
  write("empty.dat", {});
  write("one.dat", "\"");
  for (const char* name : {"missing", "empty", "one"}) {
    AccountRecord r = sentinel();
    EXPECT_FALSE(load_account(folder(), name, r)) << name;
    EXPECT_EQ(r, sentinel()) << name;
  }
  EXPECT_FALSE(account_file_ok(path("missing.dat")));
  EXPECT_FALSE(account_file_ok(path("one.dat")));
  write("two.dat", "ab");
  EXPECT_TRUE(account_file_ok(path("two.dat")));
  QDir(folder()).mkdir("dir.dat");
  EXPECT_FALSE(account_file_ok(path("dir.dat")));
}

// Cutting the file after any of its lines loses data, so the load must fail and the
// record stay as it was.
TEST_F(AccountFolder, FileTruncatedAtEveryLineDoesNotLoad) {
  const QList<QByteArray> lines = kFullAccountFile.split('\n');
  ASSERT_EQ(lines.last(), QByteArray());
  QByteArray prefix;
  for (qsizetype kept = 1; kept < lines.size() - 1; ++kept) {
    prefix += lines[kept - 1] + '\n';
    write("work.dat", prefix);
    AccountRecord r = sentinel();
    EXPECT_FALSE(load_account(folder(), "work", r)) << "kept " << kept << " lines";
    EXPECT_EQ(r, sentinel()) << "kept " << kept << " lines";
  }
  write("work.dat", prefix + lines[lines.size() - 2]);  // only the final CR LF missing
  AccountRecord r;
  EXPECT_TRUE(load_account(folder(), "work", r));
}

struct CorruptRow {
  const char* name;
  const char* from;
  const char* to;
};

class CorruptFile : public AccountFolder, public testing::WithParamInterface<CorruptRow> {};

TEST_P(CorruptFile, DoesNotLoad) {
  QByteArray text = kFullAccountFile;
  const qsizetype at = text.indexOf(GetParam().from);
  ASSERT_GE(at, 0);
  text.replace(at, qstrlen(GetParam().from), GetParam().to);
  write("work.dat", text);
  AccountRecord r = sentinel();
  EXPECT_FALSE(load_account(folder(), "work", r));
  EXPECT_EQ(r, sentinel());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CorruptFile,
    testing::Values(
        CorruptRow{"count_beyond_the_file", "\r\n2\r\n\"alice", "\r\n2000000000\r\n\"alice"},
        CorruptRow{"count_beyond_32_bits", "\r\n2\r\n\"alice", "\r\n99999999999\r\n\"alice"},
        CorruptRow{"negative_count", "\r\n2\r\n\"alice", "\r\n-1\r\n\"alice"},
        CorruptRow{"count_not_a_number", "\r\n2\r\n\"alice", "\r\ntwo\r\n\"alice"},
        CorruptRow{"alert_count_too_large", "\r\n2\r\n\"boss", "\r\n3\r\n\"boss"},
        CorruptRow{"gate_mode_not_a_number", "\r\n1\r\n1,250000", "\r\nyes\r\n1,250000"},
        CorruptRow{"negative_size_limit", "1,250000", "1,-5"},
        CorruptRow{"action_not_a_number", "\r\n1\r\n\"/home", "\r\nrun\r\n\"/home"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AccountFolder, CountOfZeroIsFollowedDirectlyByTheNextCount) {
  AccountRecord r;
  write("home.dat", kEmptyAccountFile);
  ASSERT_TRUE(load_account(folder(), "home", r));
  EXPECT_TRUE(r.from_list.isEmpty());
  EXPECT_TRUE(r.subject_list.isEmpty());
  EXPECT_TRUE(r.to_list.isEmpty());
  EXPECT_TRUE(r.alerts.isEmpty());
}

TEST_F(AccountFolder, LoadReplacesTheListsOfTheRecord) {
  write("home.dat", kEmptyAccountFile);
  AccountRecord r = full_account();
  ASSERT_TRUE(load_account(folder(), "home", r));
  EXPECT_EQ(r, empty_account());
}

}  // namespace
}  // namespace halvex
