// KeptMessage: what a POPMAIN object keeps for IPOPRAW (pop3/ipopraw.h): the bytes of the
// message it retrieved last, the unique id it got at its last Delete, and whether the
// connection's QUIT was answered. The thread that
// drives the session (the worker, in asynchronous mode) fills it; the client's thread reads
// it; a mutex guards both.
//
// The message is kept as the reply text it came in (shared with the OnRetrieved event, so it
// is not held twice) and is given out without its status line and with its dot-stuffing
// undone, only when asked for.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace velmo {

// The message inside a RETR reply text whose final CR LF "." CR LF is cut off (as OnRetrieved
// brings it): the lines after the status line, each "." that stuffs a line start removed, and
// the CR LF that the cut took from the last line put back. A text without a whole status line
// holds the empty message.
std::size_t retrieved_message_size(std::string_view text);
// Writes the retrieved_message_size(text) bytes of that message to out.
void copy_retrieved_message(std::string_view text, char* out);

class KeptMessage {
public:
    using Text = std::shared_ptr<const std::string>;

    void set_keep(bool on) { keep_.store(on); }
    bool keep() const { return keep_.load(); }
    void set_ask_ids(bool on) { ask_ids_.store(on); }
    bool ask_ids() const { return ask_ids_.load(); }
    // Retrieve sends DELE ahead (IPOPRAW DeleteAhead).
    void set_delete_ahead(bool on) { delete_ahead_.store(on); }
    bool delete_ahead() const { return delete_ahead_.load(); }

    // Keeps message n out of `text` (see above); replaces what was kept.
    void keep_retrieved(std::int32_t n, Text text);
    // The number of the kept message, 0 when none; its size.
    std::int32_t retrieved_msg() const;
    std::size_t retrieved_size() const;
    // Copies the kept message into out (room bytes); false when nothing is kept or it does
    // not fit.
    bool copy_retrieved(char* out, std::size_t room, std::size_t& copied) const;
    void forget_retrieved();

    // The unique id got at the last Delete, of message n.
    void set_unique_id(std::int32_t n, std::string id);
    std::optional<std::string> unique_id(std::int32_t n) const;

    // The outcome of the QUIT that ended the connection.
    void set_quit_confirmed(bool ok) { quit_confirmed_.store(ok); }
    bool quit_confirmed() const { return quit_confirmed_.load(); }

    // A new connection: nothing of the one before applies any more.
    void reset();

private:
    std::atomic<bool> keep_{false};
    std::atomic<bool> ask_ids_{false};
    std::atomic<bool> delete_ahead_{false};
    std::atomic<bool> quit_confirmed_{false};
    mutable std::mutex mutex_;
    std::int32_t retrieved_msg_ = 0;
    Text text_;
    std::size_t size_ = 0;
    std::int32_t id_msg_ = 0;
    std::string id_;
};

}  // namespace velmo
