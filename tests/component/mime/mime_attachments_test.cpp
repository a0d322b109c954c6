// Attachments: names (given, encoded, from an attached message's subject, numbered), types,
// identifiers and decoded bytes; names made safe for a folder, path limits, and saving into a
// temporary folder with the bytes read back.
#include <gtest/gtest.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "loaded_parts.h"
#include "mime/attachment_files.h"
#include "mime/attachment_saving.h"
#include "mime/attachments.h"
#include "mime/message_bodies.h"

namespace {

namespace fs = std::filesystem;

// A multipart/mixed message with a text body and the given attachment parts.
std::string with_attachments(const std::vector<std::string>& attachments) {
    std::string text = "Subject: files\r\nContent-Type: multipart/mixed; boundary=\"m\"\r\n\r\n--m\r\n"
                       "Content-Type: text/plain\r\n\r\nsee attached\r\n";
    for (const std::string& a : attachments) text += "--m\r\n" + a + "\r\n";
    return text + "--m--\r\n";
}

const std::string kPdf =  // '%PDF-1.4 fake pdf bytes' and the bytes 00 01 02
    "Content-Type: application/pdf; name=\"a.pdf\"\r\nContent-Transfer-Encoding: base64\r\n\r\n"
    "JVBERi0xLjQgZmFrZSBwZGYg\r\nYnl0ZXMAAQI=";
const std::string kPdfBytes = std::string("%PDF-1.4 fake pdf bytes") + std::string("\0\1\2", 3);

struct NameRow {
    const char* name;
    std::vector<std::string> attachments;
    long n;
    std::string expected;
};

class AttachmentNameTest : public ::testing::TestWithParam<NameRow> {};

TEST_P(AttachmentNameTest, Name) {
    LoadedParts msg(with_attachments(GetParam().attachments));
    EXPECT_EQ(velmo::attachment_name(msg.parts, GetParam().n), GetParam().expected);
}

const std::string kGif = "Content-Type: image/gif\r\nContent-Transfer-Encoding: base64\r\n\r\nR0lGODlh";

INSTANTIATE_TEST_SUITE_P(
    Rows, AttachmentNameTest,
    ::testing::Values(
        NameRow{"QuotedName", {kPdf}, 1, "a.pdf"},
        NameRow{"DispositionFilename",
                {"Content-Type: application/zip\r\nContent-Disposition: attachment; filename=\"z.zip\"\r\n\r\nPK"}, 1, "z.zip"},
        NameRow{"TypeNameBeforeFilename",
                {"Content-Type: image/png; name=\"t.png\"\r\nContent-Disposition: attachment; filename=\"d.png\"\r\n\r\nx"},
                1, "t.png"},
        NameRow{"EncodedWordName", {"Content-Type: application/pdf; name=\"=?utf-8?B?UsOpc3Vtw6kucGRm?=\"\r\n\r\nx"}, 1,
                "R\xC3\xA9sum\xC3\xA9.pdf"},
        NameRow{"AttachedMessageTakesItsSubject",
                {"Content-Type: message/rfc822\r\n\r\nSubject: Re: a/b?\r\nFrom: x\r\n\r\ninner body"}, 1, "Re_ a_b_.eml"},
        NameRow{"AllNineCharactersReplaced",
                {"Content-Type: message/rfc822\r\n\r\nSubject: 1\\2/3:4*5?6\"7<8>9|0\r\n\r\nx"}, 1, "1_2_3_4_5_6_7_8_9_0.eml"},
        NameRow{"AttachedMessageWithoutSubjectIsNumbered",
                {"Content-Type: message/rfc822\r\n\r\nFrom: x\r\n\r\ninner body"}, 1, "ATTACHMENT_000.DAT"},
        NameRow{"NumberedByItsPlaceAmongAttachments", {kPdf, kGif}, 2, "ATTACHMENT_001.DAT"},
        NameRow{"NameKeptAsTheSenderWroteIt", {"Content-Type: text/x; name=\"../../up.sh\"\r\n\r\nx"}, 1, "../../up.sh"},
        NameRow{"ZeroIsOutOfRange", {kPdf}, 0, ""},
        NameRow{"PastTheLastIsOutOfRange", {kPdf}, 2, ""},
        NameRow{"NegativeIsOutOfRange", {kPdf}, -1, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Attachments, TypeIdentifierAndDecodedBytes) {
    LoadedParts msg(with_attachments(
        {kPdf, "Content-Type: image/gif; name=x.gif\r\nContent-ID: <part1.abc>\r\n\r\nGIF89a",
         "Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\na=3Db=\r\nc",
         "Content-Type: application/x-thing\r\nContent-Transfer-Encoding: 7bit\r\nContent-ID: plain-id>\r\n\r\nraw bytes"}));
    ASSERT_EQ(velmo::attachment_count(msg.parts), 4);
    EXPECT_EQ(velmo::attachment_content_type(msg.parts, 1), "application/pdf");
    EXPECT_EQ(velmo::attachment_content_type(msg.parts, 2), "image/gif");
    EXPECT_EQ(velmo::attachment_content_id(msg.parts, 2), "part1.abc");
    EXPECT_EQ(velmo::attachment_content_id(msg.parts, 4), "plain-id");
    EXPECT_EQ(velmo::attachment_content_id(msg.parts, 1), "");
    auto bytes = [&](long n) {
        std::optional<std::vector<unsigned char>> b = velmo::attachment_bytes(msg.parts, n);
        return b ? std::string(b->begin(), b->end()) : std::string("<none>");
    };
    EXPECT_EQ(bytes(1), kPdfBytes);
    EXPECT_EQ(bytes(3), "a=bc\r\n");
    // Without a transfer encoding the body is taken as it stands, up to the next delimiter.
    EXPECT_EQ(bytes(4), "raw bytes\r\n");
    EXPECT_EQ(bytes(5), "<none>");
    EXPECT_EQ(velmo::attachment_content_type(msg.parts, 5), "");
}

struct SafeNameRow {
    const char* name;
    std::string given;
    std::string saved_as;
};

class SafeNameTest : public ::testing::TestWithParam<SafeNameRow> {};

TEST_P(SafeNameTest, OnlyTheLastComponentIsUsed) {
    EXPECT_EQ(velmo::safe_attachment_name(GetParam().given, "ATTACHMENT_004.DAT"), GetParam().saved_as);
}

INSTANTIATE_TEST_SUITE_P(Rows, SafeNameTest,
                         ::testing::Values(SafeNameRow{"Plain", "a.pdf", "a.pdf"},
                                           SafeNameRow{"ClimbsOut", "../../.bashrc", "_.bashrc"},
                                           SafeNameRow{"HiddenGetsAVisiblePrefix", ".profile", "_.profile"},
                                           SafeNameRow{"Absolute", "/etc/cron.d/job", "job"},
                                           SafeNameRow{"WindowsPath", "C:\\Users\\x\\evil.exe", "evil.exe"},
                                           SafeNameRow{"Dot", ".", "ATTACHMENT_004.DAT"},
                                           SafeNameRow{"DotDot", "..", "ATTACHMENT_004.DAT"},
                                           SafeNameRow{"DotDotAfterAFolder", "x/..", "ATTACHMENT_004.DAT"},
                                           SafeNameRow{"EndsWithASlash", "folder/", "ATTACHMENT_004.DAT"},
                                           SafeNameRow{"Empty", "", "ATTACHMENT_004.DAT"},
                                           SafeNameRow{"DotsAtTheStart", "..a..b", "_..a..b"},
                                           SafeNameRow{"DotsInsideAName", "a..b.", "a..b."}),
                         [](const auto& info) { return std::string(info.param.name); });

struct VariantRow {
    const char* name;
    std::string given;
    unsigned k;
    std::string variant;
};

class NameVariantTest : public ::testing::TestWithParam<VariantRow> {};

TEST_P(NameVariantTest, NumberGoesBeforeTheExtension) {
    EXPECT_EQ(velmo::name_variant(GetParam().given, GetParam().k), GetParam().variant);
}

INSTANTIATE_TEST_SUITE_P(Rows, NameVariantTest,
                         ::testing::Values(VariantRow{"WithExtension", "report.pdf", 1, "report (1).pdf"},
                                           VariantRow{"NoExtension", "README", 12, "README (12)"},
                                           VariantRow{"TwoDots", "data.tar.gz", 2, "data.tar (2).gz"},
                                           VariantRow{"PrefixedHidden", "_.bashrc", 1, "_ (1).bashrc"},
                                           VariantRow{"BlanksKept", "my report.pdf", 3, "my report (3).pdf"}),
                         [](const auto& info) { return std::string(info.param.name); });

// A variant of a name at the length limit is shortened before its extension, and never inside
// a UTF-8 character.
TEST(NameVariant, StaysWithinTheLimitAndWholeCharacters) {
    std::string stem;
    while (stem.size() < NAME_MAX) stem += "\xc3\xa9";  // 'é', two bytes each
    const std::string name = stem.substr(0, NAME_MAX - 4) + ".pdf";
    ASSERT_EQ(name.size(), static_cast<std::size_t>(NAME_MAX));
    const std::string v = velmo::name_variant(name, 100);
    EXPECT_LE(v.size(), static_cast<std::size_t>(NAME_MAX));
    ASSERT_GE(v.size(), 10u);
    EXPECT_EQ(v.substr(v.size() - 10), " (100).pdf");
    const std::string kept = v.substr(0, v.size() - 10);
    EXPECT_EQ(kept.size() % 2, 0u);
    EXPECT_EQ(name.compare(0, kept.size(), kept), 0);
}

TEST(AttachmentTarget, JoinsWithOneSlashAndRefusesWhatCannotBeAPath) {
    EXPECT_EQ(velmo::attachment_target("/out", "a.pdf"), "/out/a.pdf");
    EXPECT_EQ(velmo::attachment_target("/out/", "a.pdf"), "/out/a.pdf");
    EXPECT_EQ(velmo::attachment_target("", "a.pdf"), std::nullopt);
    EXPECT_EQ(velmo::attachment_target("/out", std::string(NAME_MAX, 'n')), "/out/" + std::string(NAME_MAX, 'n'));
    EXPECT_EQ(velmo::attachment_target("/out", std::string(NAME_MAX + 1, 'n')), std::nullopt);
    std::string deep;
    while (deep.size() < PATH_MAX) deep += "/abcdefgh";
    EXPECT_EQ(velmo::attachment_target(deep, "a"), std::nullopt);
    EXPECT_EQ(velmo::attachment_target("/out", std::string("a\0b", 3)), std::nullopt);
}

class SavingTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "mime-save-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        folder = root / "out";
        fs::create_directory(folder);
    }
    void TearDown() override { fs::remove_all(root); }

    static std::string read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> saved() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path root, folder;
};

TEST_F(SavingTest, SaveAttachmentWritesTheDecodedBytesUnderItsName) {
    LoadedParts msg(with_attachments({kPdf}));
    ASSERT_TRUE(velmo::save_attachment(msg.parts, folder.string(), 1));
    EXPECT_EQ(read(folder / "a.pdf"), kPdfBytes);
    // Saved again, with or without a final "/": a new file each time, the first one kept.
    ASSERT_TRUE(velmo::save_attachment(msg.parts, folder.string() + "/", 1));
    EXPECT_EQ(saved(), (std::vector<std::string>{"a (1).pdf", "a.pdf"}));
    EXPECT_EQ(read(folder / "a (1).pdf"), kPdfBytes);
}

// Regression: a name that was taken used to be overwritten without asking.
TEST_F(SavingTest, TakenNamesGetFreeVariantsAndNothingIsOverwritten) {
    std::ofstream(folder / "a.pdf", std::ios::binary) << "mine";
    std::ofstream(folder / "a (2).pdf", std::ios::binary) << "also mine";
    LoadedParts msg(with_attachments({kPdf, kPdf, kPdf, kPdf}));
    EXPECT_EQ(velmo::save_all_attachments(msg.parts, folder.string()), 4);
    EXPECT_EQ(saved(), (std::vector<std::string>{"a (1).pdf", "a (2).pdf", "a (3).pdf", "a (4).pdf", "a (5).pdf",
                                                 "a.pdf"}));
    EXPECT_EQ(read(folder / "a.pdf"), "mine");
    EXPECT_EQ(read(folder / "a (2).pdf"), "also mine");
    for (const char* name : {"a (1).pdf", "a (3).pdf", "a (4).pdf", "a (5).pdf"})
        EXPECT_EQ(read(folder / name), kPdfBytes) << name;
}

// Regression: 'name=my report.pdf' was cut at the blank, so two such attachments were both
// saved as "my" (the second over the first) and both counted.
TEST_F(SavingTest, UnquotedNamesWithBlanksSaveUnderTheirWholeNames) {
    LoadedParts msg(with_attachments({"Content-Type: text/x; name=my report.pdf\r\n\r\nreport",
                                      "Content-Type: text/x; name=my notes.pdf \r\n\r\nnotes"}));
    EXPECT_EQ(velmo::attachment_name(msg.parts, 1), "my report.pdf");
    EXPECT_EQ(velmo::save_all_attachments(msg.parts, folder.string()), 2);
    EXPECT_EQ(saved(), (std::vector<std::string>{"my notes.pdf", "my report.pdf"}));
    EXPECT_EQ(read(folder / "my report.pdf"), "report\r\n");
    EXPECT_EQ(read(folder / "my notes.pdf"), "notes\r\n");
}

TEST_F(SavingTest, SymbolicLinksAreNeverFollowed) {
    const fs::path victim = root / "victim.txt";
    std::ofstream(victim, std::ios::binary) << "precious";
    fs::create_symlink(victim, folder / "a.pdf");
    fs::create_symlink(root / "planted.txt", folder / "b.txt");  // dangling
    LoadedParts msg(with_attachments({kPdf, "Content-Type: text/x; name=\"b.txt\"\r\n\r\nplanted"}));
    EXPECT_EQ(velmo::save_all_attachments(msg.parts, folder.string()), 2);
    EXPECT_EQ(read(victim), "precious");
    EXPECT_FALSE(fs::exists(root / "planted.txt"));
    EXPECT_EQ(read(folder / "a (1).pdf"), kPdfBytes);
    EXPECT_EQ(read(folder / "b (1).txt"), "planted\r\n");
    EXPECT_TRUE(fs::is_symlink(folder / "a.pdf"));
    // The exact file of SaveAttachmentAs is refused when anything is there, link or file.
    EXPECT_FALSE(velmo::save_attachment_as(msg.parts, (folder / "a.pdf").string(), 1));
    EXPECT_FALSE(velmo::save_attachment_as(msg.parts, (folder / "b.txt").string(), 1));
    EXPECT_FALSE(velmo::save_attachment_as(msg.parts, victim.string(), 1));
    EXPECT_EQ(read(victim), "precious");
    EXPECT_FALSE(fs::exists(root / "planted.txt"));
}

// A file that cannot be written completely (here: past the process's file size limit) is
// removed again and not counted.
TEST_F(SavingTest, AFailedWriteLeavesNoFileAndIsNotCounted) {
    LoadedParts msg(with_attachments({"Content-Type: text/x; name=\"big.txt\"\r\n\r\n" + std::string(4096, 'b'),
                                      "Content-Type: text/x; name=\"small.txt\"\r\n\r\nsmall",
                                      "Content-Type: text/x; name=\"b64.bin\"\r\nContent-Transfer-Encoding: base64"
                                      "\r\n\r\n" + std::string(4096, 'A')}));
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    sighandler_t old_handler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const long count = velmo::save_all_attachments(msg.parts, folder.string());
    const bool as_ok = velmo::save_attachment_as(msg.parts, (root / "big-as.txt").string(), 1);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, old_handler);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(saved(), (std::vector<std::string>{"small.txt"}));
    EXPECT_FALSE(as_ok);
    EXPECT_FALSE(fs::exists(root / "big-as.txt"));
}

TEST_F(SavingTest, SaveAttachmentFailsForABadNumberFolderOrPath) {
    LoadedParts msg(with_attachments({kPdf}));
    EXPECT_FALSE(velmo::save_attachment(msg.parts, folder.string(), 0));
    EXPECT_FALSE(velmo::save_attachment(msg.parts, folder.string(), 2));
    EXPECT_FALSE(velmo::save_attachment(msg.parts, "", 1));
    EXPECT_FALSE(velmo::save_attachment(msg.parts, (root / "missing").string(), 1));
    EXPECT_TRUE(saved().empty());
}

TEST_F(SavingTest, HostileNamesStayInsideTheFolder) {
    LoadedParts msg(with_attachments({"Content-Type: text/x; name=\"../escaped.txt\"\r\n\r\none",
                                      "Content-Type: text/x; name=\"..\"\r\n\r\ntwo",
                                      "Content-Type: text/x; name=\"/tmp/absolute.txt\"\r\n\r\nthree",
                                      "Content-Type: text/x; name=\"../.bashrc\"\r\n\r\nfour"}));
    EXPECT_EQ(velmo::save_all_attachments(msg.parts, folder.string()), 4);
    EXPECT_EQ(saved(), (std::vector<std::string>{"ATTACHMENT_001.DAT", "_.bashrc", "absolute.txt", "escaped.txt"}));
    EXPECT_FALSE(fs::exists(root / "escaped.txt"));
    EXPECT_EQ(read(folder / "escaped.txt"), "one\r\n");
    EXPECT_EQ(read(folder / "ATTACHMENT_001.DAT"), "two\r\n");
}

TEST_F(SavingTest, SaveAllCountsOnlyTheSavesThatSucceeded) {
    LoadedParts msg(with_attachments({kPdf, "Content-Type: text/x; name=\"" + std::string(NAME_MAX + 1, 'n') +
                                                "\"\r\n\r\ntoo long", kGif}));
    EXPECT_EQ(velmo::save_all_attachments(msg.parts, folder.string()), 2);
    EXPECT_EQ(saved(), (std::vector<std::string>{"ATTACHMENT_002.DAT", "a.pdf"}));
    EXPECT_EQ(read(folder / "ATTACHMENT_002.DAT"), "GIF89a");
    EXPECT_EQ(velmo::save_all_attachments(msg.parts, ""), 0);
    LoadedParts none("Subject: no attachments\r\n\r\ntext");
    EXPECT_EQ(velmo::save_all_attachments(none.parts, folder.string()), 0);
}

TEST_F(SavingTest, ALargeBase64AttachmentIsSavedSliceBySliceWithTheSameBytes) {
    // Lines of 77 characters (a group always cut by the line end), junk here and there, and
    // padding far in: everything after the "=" is not data.
    std::string body;
    unsigned x = 1;
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int line = 0; line < 60000; ++line) {
        for (int i = 0; i < 77; ++i) {
            x = x * 1103515245u + 12345u;
            body.push_back(alphabet[(x >> 16) % 64]);
        }
        body += line % 97 == 0 ? " *\r\n" : "\r\n";
    }
    body += "QQ==\r\nQUJD\r\n";
    LoadedParts msg(with_attachments({"Content-Type: application/octet-stream; name=\"big.bin\"\r\n"
                                      "Content-Transfer-Encoding: base64\r\n\r\n" + body}));
    std::optional<std::vector<unsigned char>> expected = velmo::attachment_bytes(msg.parts, 1);
    ASSERT_TRUE(expected.has_value());
    ASSERT_GT(expected->size(), 3u << 20);
    ASSERT_TRUE(velmo::save_attachment(msg.parts, folder.string(), 1));
    EXPECT_TRUE(read(folder / "big.bin") == std::string(expected->begin(), expected->end()));
    EXPECT_EQ(fs::file_size(folder / "big.bin"), expected->size());
}

TEST_F(SavingTest, SaveAttachmentAsWritesExactlyTheGivenFile) {
    LoadedParts msg(with_attachments({kPdf}));
    const fs::path file = root / "chosen name.bin";
    ASSERT_TRUE(velmo::save_attachment_as(msg.parts, file.string(), 1));
    EXPECT_EQ(read(file), kPdfBytes);
    EXPECT_FALSE(velmo::save_attachment_as(msg.parts, (root / "chosen2").string(), 2));
    EXPECT_FALSE(fs::exists(root / "chosen2"));
    EXPECT_FALSE(velmo::save_attachment_as(msg.parts, (root / "no/such/folder").string(), 1));
    EXPECT_FALSE(velmo::save_attachment_as(msg.parts, "", 1));
}

TEST_F(SavingTest, DeleteFileRemovesFilesOnly) {
    const fs::path file = root / "victim.txt";
    std::ofstream(file) << "x";
    EXPECT_TRUE(velmo::delete_file(file.string()));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(velmo::delete_file(file.string()));
    EXPECT_FALSE(velmo::delete_file(folder.string()));
    EXPECT_TRUE(fs::exists(folder));
    EXPECT_FALSE(velmo::delete_file(""));
}

}  // namespace
