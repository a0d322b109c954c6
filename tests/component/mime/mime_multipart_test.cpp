// Cutting messages into leaf parts: delimiters, preamble and epilogue, nesting and its depth
// limit, containers that never close, and uuencoded blocks in single-part messages.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "loaded_parts.h"
#include "mime/multipart.h"
#include "mime/text_part.h"

namespace {

using velmo::PartList;

std::vector<std::string> all(const PartList& parts) { return {parts.begin(), parts.end()}; }

struct SplitRow {
    const char* name;
    std::string text;
    std::string boundary;
    std::vector<std::string> pieces;
};

class SplitMultipartTest : public ::testing::TestWithParam<SplitRow> {};

TEST_P(SplitMultipartTest, CutsAtEveryDelimiter) {
    const SplitRow& row = GetParam();
    std::vector<std::string_view> got = velmo::SplitMultipart(row.text, row.boundary);
    EXPECT_EQ(std::vector<std::string>(got.begin(), got.end()), row.pieces);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SplitMultipartTest,
    ::testing::Values(
        SplitRow{"PreambleDroppedClosingDelimiterOrdinary", "pre\r\n--b\r\nA\r\n--b\r\nB\r\n--b--\r\n", "b",
                 {"\r\nA\r\n", "\r\nB\r\n"}},
        SplitRow{"EpilogueWithTextIsOneMorePiece", "--b\r\nA\r\n--b--\r\nthanks\r\n", "b",
                 {"\r\nA\r\n", "--\r\nthanks\r\n"}},
        SplitRow{"EpilogueOfDashesDotsBlanksDropped", "--b\r\nA\r\n--b--\r\n. -\r\n.\r\n  ", "b", {"\r\nA\r\n"}},
        SplitRow{"NoDelimiterNoPieces", "just text\r\n", "b", {}},
        SplitRow{"OnlyOneDelimiterKeepsItsTail", "x--bTAIL", "b", {"TAIL"}},
        SplitRow{"MatchedInsideALine", "a--bX--bY--b--", "b", {"X", "Y"}},
        SplitRow{"CaseSensitive", "--B\r\nA\r\n--B--", "b", {}},
        SplitRow{"NoBoundaryCutsAtEveryDoubleDash", "head--one--two", "", {"one", "two"}},
        SplitRow{"EmptyPiecesBetweenAdjacentDelimiters", "--b--b--bz", "b", {"", "", "z"}}),
    [](const auto& info) { return std::string(info.param.name); });

const std::string kMixed =
    "From: a\r\nContent-Type: multipart/mixed; boundary=\"outer\"\r\n\r\n"
    "preamble\r\n"
    "--outer\r\nContent-Type: multipart/alternative; boundary=inner\r\n\r\n"
    "--inner\r\nContent-Type: text/plain\r\n\r\nplain\r\n"
    "--inner\r\nContent-Type: text/html\r\n\r\n<b>html</b>\r\n"
    "--inner--\r\n"
    "--outer\r\nContent-Type: application/pdf; name=\"a.pdf\"\r\nContent-Transfer-Encoding: base64\r\n\r\n"
    "JVBERi0xLjQ=\r\n"
    "--outer--\r\n";

TEST(BuildParts, NestedContainersGiveTheirLeavesDepthFirst) {
    LoadedParts msg(kMixed);
    ASSERT_EQ(msg.parts.size(), 3u);
    EXPECT_EQ(msg.parts[0], "\r\nContent-Type: text/plain\r\n\r\nplain\r\n");
    EXPECT_EQ(msg.parts[1], "\r\nContent-Type: text/html\r\n\r\n<b>html</b>\r\n");
    EXPECT_EQ(msg.parts[2].substr(0, 40), "\r\nContent-Type: application/pdf; name=\"a");
    // The parts are stretches of the message itself, not copies.
    for (std::string_view part : msg.parts) {
        EXPECT_GE(part.data(), msg.text.data());
        EXPECT_LE(part.data() + part.size(), msg.text.data() + msg.text.size());
    }
}

TEST(BuildParts, ASinglePartMessageIsOnePart) {
    LoadedParts msg("Subject: s\r\nContent-Type: text/plain\r\n\r\nbody");
    EXPECT_EQ(all(msg.parts), std::vector<std::string>{msg.text});
}

TEST(BuildParts, MultipartAnywhereInTheTypeCounts) {
    EXPECT_TRUE(velmo::is_multipart("Content-Type: Multipart/Related; boundary=x\r\n\r\n"));
    EXPECT_TRUE(velmo::is_multipart("Content-Type: x-multipartish\r\n\r\n"));
    EXPECT_FALSE(velmo::is_multipart("Content-Type: text/plain; note=multipart\r\n\r\n"));
    EXPECT_FALSE(velmo::is_multipart("Subject: multipart\r\n\r\n"));
}

TEST(BuildParts, AContainerWhoseDelimiterNeverOccursGivesNoParts) {
    LoadedParts msg("Content-Type: multipart/mixed; boundary=\"never\"\r\n\r\n--other\r\nContent-Type: text/plain\r\n\r\nx\r\n");
    EXPECT_TRUE(msg.parts.empty());
}

TEST(BuildParts, ABoundaryThatNeverClosesKeepsTheLastPieceAsItStands) {
    LoadedParts msg("Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\none\r\n--b\r\n"
                    "Content-Type: text/plain\r\n\r\ntwo, and the mail ends here");
    ASSERT_EQ(msg.parts.size(), 2u);
    EXPECT_EQ(msg.parts[1], "\r\nContent-Type: text/plain\r\n\r\ntwo, and the mail ends here");
}

TEST(BuildParts, AContainerWithoutBoundaryIsCutAtEveryDoubleDash) {
    LoadedParts msg("Content-Type: multipart/mixed\r\n\r\n--\r\nContent-Type: text/plain\r\n\r\na--\r\nContent-Type: text/html\r\n\r\nb");
    ASSERT_EQ(msg.parts.size(), 2u);
    EXPECT_EQ(msg.parts[0], "\r\nContent-Type: text/plain\r\n\r\na");
    EXPECT_EQ(msg.parts[1], "\r\nContent-Type: text/html\r\n\r\nb");
}

// `levels` containers inside each other around one text part; level k has boundary "b<k>x".
std::string nested(int levels) {
    std::string head, tail;
    for (int k = 1; k <= levels; ++k) {
        std::string b = "b" + std::to_string(k) + "x";
        head += (k == 1 ? "" : "\r\n") + ("Content-Type: multipart/mixed; boundary=\"" + b + "\"\r\n\r\n--" + b);
    }
    for (int k = levels; k >= 1; --k) tail += "--b" + std::to_string(k) + "x--\r\n";
    return head + "\r\nContent-Type: text/plain\r\n\r\nleaf\r\n" + tail;
}

TEST(BuildParts, SixtyFourLevelsAreOpened) {
    LoadedParts msg(nested(velmo::kMaxMultipartDepth));
    ASSERT_EQ(msg.parts.size(), 1u);
    EXPECT_EQ(msg.parts[0], "\r\nContent-Type: text/plain\r\n\r\nleaf\r\n");
}

TEST(BuildParts, TheSixtyFifthLevelIsKeptAsOneLeaf) {
    LoadedParts msg(nested(velmo::kMaxMultipartDepth + 1));
    ASSERT_EQ(msg.parts.size(), 1u);
    EXPECT_TRUE(msg.parts[0].starts_with("\r\nContent-Type: multipart/mixed; boundary=\"b65x\"\r\n\r\n--b65x\r\n"));
    EXPECT_NE(msg.parts[0].find("leaf"), std::string_view::npos);
}

TEST(BuildParts, HostileNestingStopsAtTheLimit) {
    // Twenty thousand levels would exhaust the stack if every one were opened.
    LoadedParts msg(nested(20000));
    ASSERT_EQ(msg.parts.size(), 1u);
    EXPECT_TRUE(msg.parts[0].starts_with("\r\nContent-Type: multipart/mixed; boundary=\"b65x\"\r\n\r\n--b65x\r\n"));
}

// Uuencoded blocks of 'hello uu\n' and of the bytes 00 01 02 80 FF 0A.
const std::string kHelloBlock = "begin 644 a.txt\r\n):&5L;&\\@=74*\r\n`\r\nend\r\n";
const std::string kBinaryBlock = "begin 600 b.bin\r\n&  $\"@/\\*\r\n`\r\nend\r\n";

TEST(ExtractUuencoded, EveryBlockOfASinglePartMessageBecomesAnAttachment) {
    LoadedParts msg("Subject: files\r\n\r\nHere they are:\r\n\r\n" + kHelloBlock + "\r\nand\r\n\r\n" + kBinaryBlock +
                    "\r\nbye\r\n");
    ASSERT_EQ(msg.parts.size(), 3u);
    EXPECT_EQ(msg.parts[0], "Subject: files\r\n\r\nHere they are:");
    EXPECT_EQ(msg.parts[1], "\r\nContent-Type: application/octet-stream;\t\r\nname=\"a.txt\"\r\n"
                            "Content-Transfer-Encoding: uuencode\r\n\r\nbegin 644 a.txt\r\n):&5L;&\\@=74*\r\n");
    std::vector<unsigned char> hello = velmo::DecodePartData(msg.parts[1]);
    EXPECT_EQ(std::string(hello.begin(), hello.end()), "hello uu\n");
    EXPECT_EQ(velmo::DecodePartData(msg.parts[2]), (std::vector<unsigned char>{0, 1, 2, 0x80, 0xFF, 0x0A}));
}

struct NameRow {
    const char* name;
    std::string begin_line;
    std::string file_name;
};

class UuencodedNameTest : public ::testing::TestWithParam<NameRow> {};

TEST_P(UuencodedNameTest, NameIsTheBeginLineAfterItsLastSpace) {
    EXPECT_EQ(velmo::uuencoded_file_name(GetParam().begin_line), GetParam().file_name);
}

INSTANTIATE_TEST_SUITE_P(Rows, UuencodedNameTest,
                         ::testing::Values(NameRow{"ModeAndName", "begin 644 notes.txt\r\nM", "notes.txt"},
                                           NameRow{"NameWithSpacesKeepsTheLastWord", "begin 644 my notes.txt\r\n", "notes.txt"},
                                           NameRow{"NoSpaceAfterMode", "begin644\r\n", "UuencodeUnknown.dat"},
                                           NameRow{"NoLineEnd", "begin 644 x", "UuencodeUnknown.dat"},
                                           NameRow{"TrailingSpaceGivesNoName", "begin 644 \r\n", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ExtractUuencoded, LeavesOtherMessagesAlone) {
    // A block without its end mark is no block.
    LoadedParts open("Subject: s\r\n\r\nx\r\n\r\nbegin 644 a.txt\r\nM86)C\r\n");
    EXPECT_EQ(all(open.parts), std::vector<std::string>{open.text});
    // "begin" must follow a blank line directly.
    LoadedParts inline_begin("Subject: s\r\n\r\nwe begin 644 a.txt\r\n`\r\nend\r\n");
    EXPECT_EQ(inline_begin.parts.size(), 1u);
    // Only a message that is a single part is scanned.
    LoadedParts multipart("Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\nx\r\n\r\n" + kHelloBlock +
                          "--b\r\n\r\ny\r\n--b--\r\n");
    ASSERT_EQ(multipart.parts.size(), 2u);
    EXPECT_NE(multipart.parts[0].find("begin 644"), std::string_view::npos);
}

TEST(ExtractUuencoded, AHugeBlockIsCutOnceWithoutLoss) {
    std::string lines;
    for (int i = 0; i < 200000; ++i) lines += "M86)C9&5F9VAI:FML;6YO<'%R<W1U=G=X>7IA8F-D969G:&EJ:VQM;F]P<7)S\r\n";
    LoadedParts msg("Subject: big\r\n\r\n\r\nbegin 644 big.bin\r\n" + lines + "`\r\nend\r\n");
    ASSERT_EQ(msg.parts.size(), 2u);
    EXPECT_EQ(velmo::DecodePartData(msg.parts[1]).size(), 200000u * 45u);
}

}  // namespace
