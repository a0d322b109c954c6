// MimeMessage: one Internet mail message held as raw 8-bit text (CR LF line ends), with its
// leaf parts and the header-level questions asked of it: fields, subject, date, sender,
// reply address and the To and Cc recipients.
//
// Lifecycle: a new message has no content (every query answers empty or 0). LoadContent
// replaces the content and the parts completely and marks every cached answer stale; queries
// never change the content. Every query works on the text up to its first NUL byte.
// One thread at a time; no locks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "mime/addresses.h"
#include "mime/cached.h"
#include "mime/message_bodies.h"
#include "mime/part_list.h"

namespace velmo {

class MimeMessage {
public:
    enum class RecipientList { To, Cc };

    // Takes `text` as the content (queries stop at its first NUL byte) and rebuilds the parts.
    // `origin` says whether the text is the message's bytes (a file) or a string that is UTF-8
    // already (part_list.h). Gives back the storage of the previous content, so a caller can
    // reuse its capacity.
    std::string LoadContent(std::string text, TextOrigin origin = TextOrigin::Bytes);
    bool loaded() const { return loaded_; }

    // The content up to its first NUL byte; empty before the first load.
    std::string_view text() const { return std::string_view(raw_content_).substr(0, text_size_); }
    const PartList& parts() const { return parts_; }

    std::string_view GetHeaderBlock() const;
    std::string GetField(std::string_view name, int index = 0) const;

    const std::string& GetSubject();  // decoded, cached per load
    std::string GetDate() const;      // the field as it stands
    std::string GetReplyTo() const;   // address of Reply-To, else From, Sender, Return-Path
    std::string GetFrom() const;      // display name, decoded (the address when there is none)
    std::string GetFromAddress() const;

    // Body texts, body format and attachment count of the parts, cached per load.
    const std::string& GetBodyText() { return bodies_.body(parts_); }
    const std::string& GetAltBody() { return bodies_.alt(parts_); }
    long GetBodyFormat() { return bodies_.format(parts_); }
    long GetAttachmentCount() { return bodies_.attachments(parts_); }

    // Recipient queries rebuild their list from its field each time; pieces count from 1,
    // and a piece out of range gives empty name and address.
    long recipient_count(RecipientList which);
    std::string recipient_name(RecipientList which, int n);
    std::string recipient_addr(RecipientList which, int n);

private:
    std::vector<std::string>& rebuild(RecipientList which);
    SplitResult recipient(RecipientList which, int n);
    void mark_caches_stale();

    std::string raw_content_;
    std::size_t text_size_ = 0;
    bool loaded_ = false;
    PartList parts_;
    std::vector<std::string> to_list_;
    std::vector<std::string> cc_list_;
    Cached<std::string> subject_;
    BodyCache bodies_;
};

}  // namespace velmo
