// What the parts of a message are for: plain-text body, HTML body or attachment, and the body
// texts, body format and attachment count that follow, with their per-load cache.
#include <gtest/gtest.h>

#include <string>

#include "loaded_parts.h"
#include "mime/message_bodies.h"
#include "mime/part_kind.h"

namespace {

enum Kind { Text, Html, Attachment, Neither };

struct KindRow {
    const char* name;
    std::string part;
    Kind kind;
};

class PartKindTest : public ::testing::TestWithParam<KindRow> {};

TEST_P(PartKindTest, ExactlyOneKindHolds) {
    const std::string& part = GetParam().part;
    const bool text = velmo::IsTextPart(part), html = velmo::IsHtmlPart(part), att = velmo::IsAttachmentPart(part);
    EXPECT_EQ(text, GetParam().kind == Text);
    EXPECT_EQ(html, GetParam().kind == Html);
    EXPECT_EQ(att, GetParam().kind == Attachment);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PartKindTest,
    ::testing::Values(
        KindRow{"NoContentTypeIsText", "\r\nX-Note: y\r\n\r\nbody", Text},
        KindRow{"TextPlain", "\r\nContent-Type: text/plain; charset=\"us-ascii\"\r\n\r\nx", Text},
        KindRow{"BareTextAnyCase", "\r\nContent-Type: TEXT\r\n\r\nx", Text},
        KindRow{"TextPlainWithNameIsAttachment", "\r\nContent-Type: text/plain; name=\"n.txt\"\r\n\r\nx", Attachment},
        KindRow{"DispositionMakesTextAnAttachment",
                "\r\nContent-Type: text/plain\r\nContent-Disposition: attachment\r\n\r\nx", Attachment},
        KindRow{"ASubjectKeepsADispositionedTextABody",
                "Subject: s\r\nContent-Type: text/plain\r\nContent-Disposition: inline\r\n\r\nx", Text},
        KindRow{"OtherTextTypesAreAttachments", "\r\nContent-Type: text/enriched\r\n\r\nx", Attachment},
        KindRow{"Html", "\r\nContent-Type: Text/HTML; charset=utf-8\r\n\r\n<p>", Html},
        KindRow{"HtmlWithDispositionStaysHtml", "\r\nContent-Type: text/html\r\nContent-Disposition: inline\r\n\r\n<p>", Html},
        KindRow{"HtmlWithNameIsAttachment", "\r\nContent-Type: text/html; name=\"page.htm\"\r\n\r\n<p>", Attachment},
        KindRow{"Binary", "\r\nContent-Type: application/pdf\r\n\r\n%PDF", Attachment},
        KindRow{"EmptyTextIsABodyNotAnAttachment", "", Text}),
    [](const auto& info) { return std::string(info.param.name); });

struct BodyRow {
    const char* name;
    std::string message;
    std::string body;
    std::string alt;
    long format;
    long attachments;
};

class BodiesTest : public ::testing::TestWithParam<BodyRow> {};

TEST_P(BodiesTest, BodiesFormatAndCount) {
    const BodyRow& row = GetParam();
    LoadedParts msg(row.message);
    EXPECT_EQ(velmo::body_text(msg.parts), row.body);
    EXPECT_EQ(velmo::alt_body(msg.parts), row.alt);
    EXPECT_EQ(velmo::body_format(msg.parts), row.format);
    EXPECT_EQ(velmo::attachment_count(msg.parts), row.attachments);
}

const std::string kAlternative =
    "Content-Type: multipart/alternative; boundary=\"alt\"\r\n\r\n"
    "--alt\r\nContent-Type: text/plain\r\n\r\nplain\r\n"
    "--alt\r\nContent-Type: text/html\r\n\r\n<b>html</b>\r\n--alt--\r\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, BodiesTest,
    ::testing::Values(
        BodyRow{"SinglePartWithoutContentType", "Subject: s\r\n\r\nhello\r\n", "hello\r\n", "hello\r\n", 0, 0},
        BodyRow{"AlternativePrefersHtml", kAlternative, "<b>html</b>\r\n", "plain\r\n", 2, 0},
        BodyRow{"HtmlOnly", "Content-Type: text/html\r\n\r\n<i>x</i>", "<i>x</i>", "", 1, 0},
        BodyRow{"MixedWithAlternativeAndPdf",
                "Content-Type: multipart/mixed; boundary=m\r\n\r\n--m\r\nContent-Type: multipart/alternative; "
                "boundary=\"alt\"\r\n\r\n--alt\r\nContent-Type: text/plain\r\n\r\nplain\r\n--alt\r\nContent-Type: "
                "text/html\r\n\r\n<b>html</b>\r\n--alt--\r\n--m\r\nContent-Type: application/pdf; name=\"a.pdf\"\r\n"
                "Content-Transfer-Encoding: base64\r\n\r\nJVBERi0xLjQ=\r\n--m--\r\n",
                "<b>html</b>\r\n", "plain\r\n", 2, 1},
        BodyRow{"NamedTextIsAnAttachmentNotABody",
                "Content-Type: multipart/mixed; boundary=m\r\n\r\n--m\r\nContent-Type: text/plain\r\n\r\nbody\r\n--m\r\n"
                "Content-Type: text/plain; name=\"notes.txt\"\r\n\r\nnotes\r\n--m--\r\n",
                "body\r\n", "body\r\n", 0, 1},
        BodyRow{"TheLastPlainTextWins",
                "Content-Type: multipart/mixed; boundary=m\r\n\r\n--m\r\n\r\none\r\n--m\r\n\r\ntwo\r\n--m--\r\n", "two\r\n",
                "two\r\n", 0, 0},
        BodyRow{"AnEpilogueIsAnEmptyPlainTextBody",
                "Content-Type: multipart/mixed; boundary=m\r\n\r\n--m\r\nContent-Type: text/plain\r\n\r\nbody\r\n"
                "--m--\r\nthanks\r\n",
                "", "", 0, 0},
        BodyRow{"EncodedBodiesAreDecoded",
                "Content-Type: multipart/alternative; boundary=m\r\n\r\n--m\r\nContent-Type: text/plain; "
                "charset=\"UTF-8\"\r\nContent-Transfer-Encoding: BASE64\r\n\r\nR3LDvMOfZQ==\r\n--m\r\nContent-Type: "
                "text/html\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n<p>a=3Db</p>\r\n--m--\r\n",
                "<p>a=b</p>\r\n", "Gr\xC3\xBC\xC3\x9F" "e", 2, 0},
        BodyRow{"ASinglePartAttachmentIsNoBody", "Content-Type: application/zip\r\n\r\nPK", "", "", 0, 1},
        BodyRow{"AContainerThatNeverOpensHasNoParts",
                "Content-Type: multipart/mixed; boundary=never\r\n\r\nhello\r\n", "", "", 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BodyCache, AnswersStayUntilTheNextLoadMarksThemStale) {
    LoadedParts first(kAlternative);
    LoadedParts second("Content-Type: multipart/mixed; boundary=m\r\n\r\n--m\r\n\r\nonly\r\n--m\r\n"
                       "Content-Type: image/gif\r\n\r\nGIF\r\n--m--\r\n");
    velmo::BodyCache cache;
    EXPECT_EQ(cache.body(first.parts), "<b>html</b>\r\n");
    EXPECT_EQ(cache.alt(first.parts), "plain\r\n");
    EXPECT_EQ(cache.format(first.parts), 2);
    EXPECT_EQ(cache.attachments(first.parts), 0);
    // Without a new load the cached answers are served, whatever the parts are now.
    EXPECT_EQ(cache.body(second.parts), "<b>html</b>\r\n");
    EXPECT_EQ(cache.attachments(second.parts), 0);
    cache.mark_stale();
    EXPECT_EQ(cache.body(second.parts), "only\r\n");
    EXPECT_EQ(cache.alt(second.parts), "only\r\n");
    EXPECT_EQ(cache.format(second.parts), 0);
    EXPECT_EQ(cache.attachments(second.parts), 1);
}

}  // namespace
