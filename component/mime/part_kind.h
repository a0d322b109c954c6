// What a leaf part is for: a plain-text body, an HTML body or an attachment, judged from its
// Content-Type (main value and "name" parameter), Content-Disposition and Subject fields.
#pragma once

#include <string_view>

namespace velmo {

// No Content-Type at all; or no "name" parameter, type "text/plain" or "text", and either no
// Content-Disposition or a Subject of its own (the whole message counts as a body).
bool IsTextPart(std::string_view part);

// No "name" parameter and type "text/html"; a Content-Disposition does not matter.
bool IsHtmlPart(std::string_view part);

// Neither kind of body, and not empty.
bool IsAttachmentPart(std::string_view part);

}  // namespace velmo
