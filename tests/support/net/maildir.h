// Maildir: one test user's mailbox on disk, filled and inspected by tests while the test
// Dovecot serves it. Messages go into new/ under names that sort in the order they were added
// (Dovecot serves them in that order), written through tmp/ and owned by the mail user.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace halvex::testnet {

class Maildir {
public:
    // The mailbox at `root` (the Maildir folder itself), owned by uid/gid; creates its folders.
    Maildir(std::filesystem::path root, uid_t uid, gid_t gid);

    const std::filesystem::path& root() const { return root_; }

    // Adds one message (bytes as given; LF or CR LF line ends); returns its file name.
    std::string add(std::string_view message);
    // Adds each message in order.
    void add_all(const std::vector<std::string>& messages);
    // Messages on disk, in new/ and cur/ (a message Dovecot expunged is gone).
    std::size_t count() const;
    // Their texts in the order they were added.
    std::vector<std::string> messages() const;
    // Removes every message and Dovecot's index and uid list, so the next session starts
    // from an empty mailbox. Call it only while no POP3 session holds the mailbox.
    void clear();

private:
    std::vector<std::filesystem::path> files_in_order() const;

    std::filesystem::path root_;
    uid_t uid_;
    gid_t gid_;
    std::size_t next_ = 1;  // sequence number of the next file name
};

// A plain test message of about `body_bytes` bytes of body, LF line ends, with a Subject
// carrying `number` so a test can tell messages apart.
std::string sample_message(std::size_t number, std::size_t body_bytes = 400);

}  // namespace halvex::testnet
