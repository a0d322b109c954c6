// The part builder and every body and attachment question, for the message parser's fuzz
// target: part views stay inside the message or the builder's own texts, cached answers do
// not drift, attachment numbers out of range find nothing, and saving every attachment into
// a scratch folder writes only plain files directly inside it, one for each save counted.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "mime/attachment_saving.h"
#include "mime/attachments.h"
#include "mime/html_to_text.h"
#include "mime/mime_message.h"
#include "mime/multipart.h"
#include "mime/part_kind.h"

namespace fuzz_parts {

inline void check(bool ok) {
    if (!ok) std::abort();
}

// A scratch folder for saved attachments, made once per process and removed at its end.
class ScratchFolder {
public:
    ScratchFolder() {
        char pattern[] = "/tmp/fuzz-mime-parts-XXXXXX";
        check(mkdtemp(pattern) != nullptr);
        path_ = pattern;
    }
    ~ScratchFolder() { rmdir(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

inline const std::string& scratch_folder() {
    static const ScratchFolder folder;
    return folder.path();
}

// Removes what the last save left and counts it; every entry must be a plain file.
inline long empty_scratch(const std::string& folder) {
    long files = 0;
    DIR* dir = opendir(folder.c_str());
    check(dir != nullptr);
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        std::string path = folder + "/" + name;
        struct stat st {};
        check(lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode));
        check(unlink(path.c_str()) == 0);
        ++files;
    }
    closedir(dir);
    return files;
}

inline void ask_parts(velmo::MimeMessage& msg) {
    const velmo::PartList& parts = msg.parts();
    for (std::string_view part : parts) {
        const int kinds = velmo::IsTextPart(part) + velmo::IsHtmlPart(part) + velmo::IsAttachmentPart(part);
        check(kinds <= 1);
    }
    const std::string body = msg.GetBodyText();
    const std::string alt = msg.GetAltBody();
    const long format = msg.GetBodyFormat();
    const long count = msg.GetAttachmentCount();
    check(format >= 0 && format <= 2);
    check(count >= 0 && static_cast<std::size_t>(count) <= parts.size());
    check(msg.GetBodyText() == body && msg.GetAltBody() == alt);  // cached answers do not drift
    check(msg.GetBodyFormat() == format && msg.GetAttachmentCount() == count);
    (void)velmo::html_to_text(body);
    for (long n = -1; n <= count + 1 && n < 24; ++n) {
        const bool in_range = n >= 1 && n <= count;
        const std::string name = velmo::attachment_name(parts, n);
        check(in_range != name.empty());
        (void)velmo::attachment_content_type(parts, n);
        (void)velmo::attachment_content_id(parts, n);
        check(velmo::attachment_bytes(parts, n).has_value() == in_range);
    }
    if (count <= 24) {
        const std::string& folder = scratch_folder();
        const long saved = velmo::save_all_attachments(parts, folder);
        check(saved >= 0 && saved <= count);
        const long files = empty_scratch(folder);
        check(files == saved);  // every save is a file of its own: nothing is overwritten
    }
}

}  // namespace fuzz_parts
