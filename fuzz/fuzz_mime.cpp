// libFuzzer target for the message parser: load any bytes as a message, ask every header
// question of it, every body and attachment question (saving the attachments into a scratch
// folder), decode every part, and run every decoder over the raw bytes; then load the same
// bytes as a string given to the component and ask the body questions again. Sanitizers
// catch memory faults; the checks below catch decoders that overrun their own buffers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "mime/addresses.h"
#include "mime/base64.h"
#include "mime/charset.h"
#include "mime/encoded_words.h"
#include "mime/header_fields.h"
#include "mime/mime_message.h"
#include "mime/quoted_printable.h"
#include "mime/text_part.h"
#include "mime/uudecode.h"
#include "mime_parts_checks.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void ask_headers(velmo::MimeMessage& msg) {
    using List = velmo::MimeMessage::RecipientList;
    check(msg.GetHeaderBlock().size() <= msg.text().size());
    for (const char* name : {"Subject", "Received", "Content-Type", "X-Unknown", ""}) {
        for (int i = 0; i < 3; ++i) (void)msg.GetField(name, i);
    }
    const std::string subject = msg.GetSubject();
    check(msg.GetSubject() == subject);  // cached answers do not drift
    (void)msg.GetDate();
    (void)msg.GetReplyTo();
    (void)msg.GetFrom();
    (void)msg.GetFromAddress();
    for (List which : {List::To, List::Cc}) {
        long count = msg.recipient_count(which);
        check(count >= 0);
        for (int n = 0; n <= count + 1 && n < 20; ++n) {
            (void)msg.recipient_name(which, n);
            (void)msg.recipient_addr(which, n);
        }
    }
}

void decode_parts(const velmo::MimeMessage& msg) {
    for (std::string_view part : msg.parts()) {
        for (const char* field : {"Content-Type", "Content-Transfer-Encoding", "Content-Disposition", "Content-ID"}) {
            std::string_view text = velmo::GetPartField(part, field);
            check(text.size() <= part.size());
            for (const char* param : {"", "charset", "boundary", "name", "filename"})
                check(velmo::GetFieldParam(text, param).size() <= text.size());
        }
        (void)velmo::DecodeTextPart(part, velmo::TextOrigin::Bytes);
        (void)velmo::DecodeTextPart(part, velmo::TextOrigin::Unicode);
        (void)velmo::DecodePartData(part);
    }
}

void run_decoders(std::string_view text) {
    auto bytes = velmo::as_bytes(text);
    velmo::DecodedBytes b64 = velmo::Base64Decode(bytes);
    check(b64.buffer.size() == text.size() * 3 / 4 + 1 && b64.count < b64.buffer.size());
    check(b64.as_text().size() <= b64.buffer.size());
    velmo::DecodedBytes qp = velmo::QpDecode(bytes);
    check(qp.buffer.size() == text.size() + 1 && qp.count <= text.size() && qp.buffer[qp.count] == 0);
    std::vector<unsigned char> out((text.size() + 3) / 4 * 3 + 1);
    check(velmo::UuDecode(bytes, out) <= out.size());
    (void)velmo::DecodeWords(text);
    (void)velmo::SplitAddress(text);
    (void)velmo::split_recipients(text);
    // The first line names a charset for the rest.
    std::size_t eol = text.find('\n');
    if (eol != std::string_view::npos) (void)velmo::ConvertCharset(text.substr(eol + 1), text.substr(0, eol));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    velmo::MimeMessage msg;
    msg.LoadContent(text);
    ask_headers(msg);
    fuzz_parts::ask_parts(msg);
    decode_parts(msg);
    run_decoders(text);
    // The same text as a string given to the component: its bodies are read without a second
    // conversion.
    msg.LoadContent(text, velmo::TextOrigin::Unicode);
    fuzz_parts::ask_parts(msg);
    msg.LoadContent("Subject: second\r\n\r\n");
    check(msg.GetSubject() == "second");  // a new load makes the cache stale
    return 0;
}
