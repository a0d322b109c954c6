// One POP3 session of the demo server as a state machine (RFC 1939): AUTHORIZATION with
// USER/PASS or APOP, TRANSACTION with STAT, LIST, UIDL, TOP, RETR, DELE, RSET and NOOP,
// and UPDATE at QUIT, where the messages marked deleted are removed. A session that ends
// without QUIT removes nothing. No sockets here: the server feeds it command lines.
#pragma once

#include "maildrop.h"

#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

namespace halvex::demo {

struct Credentials {
  std::string user = "demo";
  std::string password = "demo";
};

// The exclusive lock on the maildrop: one session in TRANSACTION at a time.
class MaildropLock {
 public:
  bool try_lock();
  void unlock();

 private:
  std::mutex mutex_;
  bool held_ = false;
};

class Pop3Conversation {
 public:
  // `timestamp` is the greeting's APOP time stamp, angle brackets included.
  Pop3Conversation(std::filesystem::path folder, Credentials credentials, std::string timestamp,
                   MaildropLock& lock);
  ~Pop3Conversation();
  Pop3Conversation(const Pop3Conversation&) = delete;
  Pop3Conversation& operator=(const Pop3Conversation&) = delete;

  std::string greeting() const;

  struct Reply {
    std::string text;    // the whole reply, CR LF line ends
    bool close = false;  // the server ends the connection after sending it
  };
  // One command line, without its line end.
  Reply handle(std::string_view line);

  bool in_transaction() const { return transaction_; }

 private:
  Reply authorization(const std::string& keyword, std::string_view arguments);
  Reply transaction(const std::string& keyword, std::string_view arguments);
  Reply enter_transaction();
  Reply quit();
  // Parses a message number; on failure `reply` holds the -ERR to send.
  bool message_number(std::string_view text, int* number, Reply* reply) const;

  std::filesystem::path folder_;
  Credentials credentials_;
  std::string timestamp_;
  MaildropLock& lock_;
  Maildrop drop_;
  std::string pending_user_;  // set by an accepted USER, until PASS
  bool user_given_ = false;
  bool transaction_ = false;
};

// A fresh greeting time stamp: "<pid.counter.seconds@halvex-demo>".
std::string make_timestamp();

}  // namespace halvex::demo
