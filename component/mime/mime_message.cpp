#include "mime/mime_message.h"

#include <cstring>
#include <utility>

#include "mime/encoded_words.h"
#include "mime/header_fields.h"
#include "mime/part_builder.h"

namespace velmo {

std::string MimeMessage::LoadContent(std::string text, TextOrigin origin) {
    mark_caches_stale();
    parts_.clear();
    parts_.set_origin(origin);
    std::swap(raw_content_, text);
    const void* nul = std::memchr(raw_content_.data(), 0, raw_content_.size());
    text_size_ = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - raw_content_.data())
                     : raw_content_.size();
    loaded_ = true;
    build_message_parts(this->text(), parts_);
    return text;
}

void MimeMessage::mark_caches_stale() {
    subject_.mark_stale();
    bodies_.mark_stale();
}

std::string_view MimeMessage::GetHeaderBlock() const { return velmo::GetHeaderBlock(text()); }

std::string MimeMessage::GetField(std::string_view name, int index) const {
    return velmo::GetField(GetHeaderBlock(), name, index);
}

const std::string& MimeMessage::GetSubject() {
    return subject_.get([this] { return DecodeWords(GetField("Subject")); });
}

std::string MimeMessage::GetDate() const { return GetField("Date"); }

std::string MimeMessage::GetReplyTo() const {
    for (std::string_view name : {"Reply-To", "From", "Sender", "Return-Path"}) {
        std::string field = GetField(name);
        if (!field.empty()) return SplitAddress(field).address;
    }
    return {};
}

std::string MimeMessage::GetFrom() const { return DecodeWords(SplitAddress(GetField("From")).name); }

std::string MimeMessage::GetFromAddress() const { return SplitAddress(GetField("From")).address; }

std::vector<std::string>& MimeMessage::rebuild(RecipientList which) {
    std::vector<std::string>& list = which == RecipientList::To ? to_list_ : cc_list_;
    list = split_recipients(GetField(which == RecipientList::To ? "To" : "Cc"));
    return list;
}

SplitResult MimeMessage::recipient(RecipientList which, int n) {
    const std::vector<std::string>& list = rebuild(which);
    if (n < 1 || static_cast<std::size_t>(n) > list.size()) return {};
    return SplitAddress(list[static_cast<std::size_t>(n) - 1]);
}

long MimeMessage::recipient_count(RecipientList which) { return static_cast<long>(rebuild(which).size()); }

std::string MimeMessage::recipient_name(RecipientList which, int n) { return recipient(which, n).name; }

std::string MimeMessage::recipient_addr(RecipientList which, int n) { return recipient(which, n).address; }

}  // namespace velmo
