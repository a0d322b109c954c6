// The mailbox store's operations on 8-bit (UTF-8) text, without the automation types.
// Mailboxes are folders under the root, messages are ".eml" files named by their identifier
// (see name_codec.h). Index numbers count from 0 in directory order and are taken afresh on
// every call. Every failure shows only in the result: false, nothing, or a count of 0.
#pragma once

#include "store/message_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmo::store {

class MailFolders {
public:
    // Keeps the root (no trailing "/") and creates it when missing; failure is ignored here
    // and shows in the operations.
    explicit MailFolders(std::string root);

    const std::string& root() const { return root_; }

    bool create_mailbox(std::string_view mailbox) const;
    // Deletes the files directly in the mailbox, then the folder itself; stops at the first
    // file that will not go, and fails when subfolders keep the folder.
    bool delete_mailbox(std::string_view mailbox) const;
    // Deletes the files directly in the mailbox, not its subfolders.
    bool clear_mailbox(std::string_view mailbox) const;
    bool mailbox_exists(std::string_view mailbox) const;
    // "<root>/<mailbox>", existing or not; nothing for a refused name.
    std::optional<std::string> mailbox_path(std::string_view mailbox) const;
    int32_t mailbox_count() const;
    std::optional<std::string> mailbox_name(int32_t index) const;

    int32_t email_count(std::string_view mailbox) const;
    std::optional<std::string> email_id(std::string_view mailbox, int32_t index) const;
    bool email_exists(std::string_view mailbox, std::string_view id) const;
    bool delete_email(std::string_view mailbox, int32_t index) const;
    bool delete_email_by_id(std::string_view mailbox, std::string_view id) const;
    // The text of message file number index itself, up to its first NUL.
    std::optional<std::string> email(std::string_view mailbox, int32_t index) const;
    std::optional<std::string> email_by_id(std::string_view mailbox, std::string_view id) const;

    // Saves under a generated identifier; never overwrites a message already stored.
    bool save_email(std::string_view mailbox, std::string_view raw) const;
    // Saves under id, replacing a message with the same identifier.
    bool save_email_by_id(std::string_view mailbox, std::string_view raw, std::string_view id,
                          SyncMode sync = SyncMode::now) const;

private:
    bool delete_files_in(std::string_view mailbox) const;
    std::optional<std::string> message_file_at(std::string_view mailbox, int32_t index) const;

    std::string root_;
};

}  // namespace velmo::store
