// Writing attachments to files and deleting files. An attachment name is the sender's text,
// so saving into a folder uses only its last path component ("/" and "\" both separate), a
// name that leaves nothing usable ("", ".", "..") falls back to the numbered name, and a name
// that would be hidden (a leading ".") gets a visible "_" in front: no mail can write outside
// the chosen folder or hide a file in it.
//
// Saving never replaces anything: every file is created new, and never through a symbolic
// link. In a folder, a name that is taken gets its first free variant ("report (1).pdf");
// the folder remembers the variants it gave, so saving many attachments of one name costs
// one try each. A file that cannot be written completely is removed again. Names longer than
// the platform allows are refused, never truncated.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace velmo {

// Writes the whole content into an open file descriptor; false when any write fails.
using FileWriter = std::function<bool(int fd)>;

// The last path component of `name`, with "_" before a leading "."; `fallback` when that
// component is empty, "." or "..".
std::string safe_attachment_name(std::string_view name, std::string_view fallback);

// `name` with " (k)" before its extension (the text from its last "." on, when that is not
// its first character): "report.pdf" gives "report (1).pdf" for k = 1. The part before the
// extension is shortened, never inside a UTF-8 character, when the result would be longer
// than the platform allows.
std::string name_variant(std::string_view name, unsigned k);

// `folder`, a "/" unless it ends with one, and `name`; nothing when the folder is empty or
// the path would be longer than the platform allows.
std::optional<std::string> attachment_target(std::string_view folder, std::string_view name);

// A folder opened once for saving files into it.
class SaveFolder {
public:
    explicit SaveFolder(const std::string& path);  // an empty or overlong path opens nothing
    ~SaveFolder();
    SaveFolder(const SaveFolder&) = delete;
    SaveFolder& operator=(const SaveFolder&) = delete;

    bool is_open() const { return fd_ >= 0; }
    // Creates a new file named `name` or its first free variant and fills it with `write`.
    // The name used; nothing when the name is not one file name (empty, ".", "..", "/" or
    // NUL in it, too long), the file cannot be created, or writing fails.
    std::optional<std::string> save(const std::string& name, const FileWriter& write);

private:
    int fd_ = -1;
    std::unordered_map<std::string, unsigned> next_variant_;  // per name, the next k to try
};

// Creates the new file `path` (never an existing one, never through a symbolic link) and
// fills it with `write`; false on any failure, the file then removed again.
bool save_new_file(const std::string& path, const FileWriter& write);

// Writes all of `bytes` to `fd`; false when a write fails.
bool write_all(int fd, std::string_view bytes);

// Deletes the file (not a folder) at `path`; false when nothing was deleted.
bool delete_file(const std::string& path);

}  // namespace velmo
