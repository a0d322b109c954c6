// The body texts of a message and what its parts add up to: the body text (the first HTML
// body, else the last plain-text body), the plain-text alternative, the body format and the
// number of attachments. BodyCache keeps the four answers from their first request after a
// load until the next load marks them stale.
#pragma once

#include <string>

#include "mime/cached.h"
#include "mime/part_list.h"

namespace velmo {

// Values of the body format.
enum BodyFormat : long { kPlainOnly = 0, kHtmlOnly = 1, kHtmlAndPlain = 2 };

// A single part that is not an attachment is the body, decoded; else the first HTML body,
// else the last plain-text body, else empty. HTML is returned as HTML.
std::string body_text(const PartList& parts);
// The last plain-text body, decoded; empty when there is none.
std::string alt_body(const PartList& parts);
// kHtmlAndPlain with both kinds of body, kHtmlOnly with HTML alone, else kPlainOnly.
long body_format(const PartList& parts);
long attachment_count(const PartList& parts);

class BodyCache {
public:
    void mark_stale() {
        body_.mark_stale();
        alt_.mark_stale();
        format_.mark_stale();
        attachments_.mark_stale();
    }
    const std::string& body(const PartList& parts) { return body_.get([&] { return body_text(parts); }); }
    const std::string& alt(const PartList& parts) { return alt_.get([&] { return alt_body(parts); }); }
    long format(const PartList& parts) { return format_.get([&] { return body_format(parts); }); }
    long attachments(const PartList& parts) { return attachments_.get([&] { return attachment_count(parts); }); }

private:
    Cached<std::string> body_;
    Cached<std::string> alt_;
    Cached<long> format_;
    Cached<long> attachments_;
};

}  // namespace velmo
