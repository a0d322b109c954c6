// Pop3MailboxReplies: the POP3 conversation of the bench's loopback server over an in-memory
// mailbox: it turns each command line into the whole reply text (status line, and for
// multi-line replies the dot-stuffed body ending "\r\n.\r\n"), so the server writes each reply
// at once. One object per connection; deletions are applied to the shared mailbox at QUIT.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace halvex::bench {

// A message as the server keeps it: CRLF lines, dot-stuffed, ready to send.
struct StoredMessage {
    std::string wire;          // the whole message, stuffed, without the final ".\r\n"
    std::size_t header_bytes;  // wire bytes of the header through its blank line
    std::size_t octets;        // size as LIST reports it: CRLF text, before stuffing
    std::string uid;
};

// Converts message text (LF or CRLF lines) into its stored form.
StoredMessage store_message(std::string_view text, std::string uid);

class Pop3MailboxReplies {
public:
    Pop3MailboxReplies(std::vector<StoredMessage>& mailbox, std::string user, std::string password);

    static std::string greeting() { return "+OK loopback POP3 ready\r\n"; }
    // The reply to one command line (without its line end). done() is true after QUIT.
    std::string reply(std::string_view line);
    bool done() const { return done_; }

private:
    std::string transaction(std::string_view verb, std::string_view args);
    // The message numbered by `arg` (1-based, not deleted), or nullptr.
    const StoredMessage* message(std::string_view arg, std::size_t* index = nullptr) const;
    std::string scan_listing(bool uids) const;

    std::vector<StoredMessage>& mailbox_;
    std::vector<bool> deleted_;
    std::string user_, password_;
    bool user_given_ = false;
    bool authorized_ = false;
    bool done_ = false;
};

}  // namespace halvex::bench
