#include "store/mail_folders.h"

#include "store/deferred_sync.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <limits>

#include "store/folder_listing.h"
#include "store/generated_id.h"
#include "store/message_file.h"
#include "store/name_codec.h"
#include "store/store_paths.h"

namespace velmo::store {
namespace {

int32_t clamp_count(size_t n) {
    constexpr auto kMax = static_cast<size_t>(std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(n > kMax ? kMax : n);
}

bool is_folder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The text a message is stored as: the caller's string up to its first NUL.
std::string_view up_to_nul(std::string_view raw) { return raw.substr(0, raw.find('\0')); }

}  // namespace

MailFolders::MailFolders(std::string root) : root_(std::move(root)) {
    std::error_code ec;
    std::filesystem::create_directories(root_, ec);
}

std::optional<std::string> MailFolders::mailbox_path(std::string_view mailbox) const {
    return store::mailbox_path(root_, mailbox);
}

bool MailFolders::create_mailbox(std::string_view mailbox) const {
    auto path = mailbox_path(mailbox);
    return path && ::mkdir(path->c_str(), 0777) == 0;
}

bool MailFolders::delete_files_in(std::string_view mailbox) const {
    auto path = mailbox_path(mailbox);
    if (!path) return false;
    auto entries = list_folder(*path);
    if (!entries) return false;
    for (const FolderEntry& e : *entries) {
        if (e.is_folder) continue;
        // A file another process removed meanwhile is gone all the same.
        if (::unlink((*path + "/" + e.name).c_str()) != 0 && errno != ENOENT) return false;
    }
    return true;
}

bool MailFolders::delete_mailbox(std::string_view mailbox) const {
    if (!delete_files_in(mailbox)) return false;
    auto path = mailbox_path(mailbox);
    return ::rmdir(path->c_str()) == 0;
}

bool MailFolders::clear_mailbox(std::string_view mailbox) const { return delete_files_in(mailbox); }

bool MailFolders::mailbox_exists(std::string_view mailbox) const {
    auto path = mailbox_path(mailbox);
    return path && is_folder(*path);
}

int32_t MailFolders::mailbox_count() const {
    auto entries = list_folder(root_);
    if (!entries) return 0;
    size_t n = 0;
    for (const FolderEntry& e : *entries) n += e.is_folder ? 1 : 0;
    return clamp_count(n);
}

std::optional<std::string> MailFolders::mailbox_name(int32_t index) const {
    if (index < 0) return std::nullopt;
    auto entries = list_folder(root_);
    if (!entries) return std::nullopt;
    int32_t k = 0;
    for (FolderEntry& e : *entries) {
        if (!e.is_folder) continue;
        if (k++ == index) return std::move(e.name);
    }
    return std::nullopt;
}

int32_t MailFolders::email_count(std::string_view mailbox) const {
    auto path = mailbox_path(mailbox);
    if (!path) return 0;
    auto files = list_message_files(*path);
    return files ? clamp_count(files->size()) : 0;
}

std::optional<std::string> MailFolders::message_file_at(std::string_view mailbox, int32_t index) const {
    if (index < 0) return std::nullopt;
    auto path = mailbox_path(mailbox);
    if (!path) return std::nullopt;
    auto files = list_message_files(*path);
    if (!files || static_cast<size_t>(index) >= files->size()) return std::nullopt;
    return (*files)[static_cast<size_t>(index)];
}

std::optional<std::string> MailFolders::email_id(std::string_view mailbox, int32_t index) const {
    auto name = message_file_at(mailbox, index);
    if (!name) return std::nullopt;
    return message_id_from_file_name(*name);
}

bool MailFolders::email_exists(std::string_view mailbox, std::string_view id) const {
    auto path = message_path(root_, mailbox, id);
    struct stat st {};
    return path && ::lstat(path->c_str(), &st) == 0;
}

bool MailFolders::delete_email(std::string_view mailbox, int32_t index) const {
    auto name = message_file_at(mailbox, index);
    if (!name) return false;
    return ::unlink((*mailbox_path(mailbox) + "/" + *name).c_str()) == 0;
}

bool MailFolders::delete_email_by_id(std::string_view mailbox, std::string_view id) const {
    auto path = message_path(root_, mailbox, id);
    if (!path) return false;
    forget_deferred(*path);
    return ::unlink(path->c_str()) == 0;
}

std::optional<std::string> MailFolders::email(std::string_view mailbox, int32_t index) const {
    auto name = message_file_at(mailbox, index);
    if (!name) return std::nullopt;
    return read_message_file(*mailbox_path(mailbox) + "/" + *name);
}

std::optional<std::string> MailFolders::email_by_id(std::string_view mailbox, std::string_view id) const {
    auto path = message_path(root_, mailbox, id);
    if (!path) return std::nullopt;
    return read_message_file(*path);
}

bool MailFolders::save_email(std::string_view mailbox, std::string_view raw) const {
    if (!mailbox_exists(mailbox)) return false;
    // Another thread or process may have taken the same number: move on to the next one
    // rather than overwrite its message.
    constexpr int kAttempts = 1000;
    auto number = static_cast<uint32_t>(take_generated_id());
    for (int i = 0; i < kAttempts; ++i, ++number) {
        auto path = message_path(root_, mailbox, std::to_string(static_cast<int32_t>(number)));
        if (!path) return false;
        switch (write_message_file(*path, up_to_nul(raw), false)) {
            case WriteResult::written:
                return true;
            case WriteResult::failed:
                return false;
            case WriteResult::exists:
                break;
        }
    }
    return false;
}

bool MailFolders::save_email_by_id(std::string_view mailbox, std::string_view raw, std::string_view id,
                                   SyncMode sync) const {
    if (!mailbox_exists(mailbox)) return false;
    auto path = message_path(root_, mailbox, id);
    if (!path) return false;
    return write_message_file(*path, up_to_nul(raw), true, sync) == WriteResult::written;
}

}  // namespace velmo::store
