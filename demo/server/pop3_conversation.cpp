#include "pop3_conversation.h"

#include "apop_digest.h"
#include "pop3_reply.h"

#include <atomic>
#include <chrono>
#include <cctype>
#include <charconv>
#include <vector>

#include <unistd.h>

namespace halvex::demo {

namespace {

std::string upper(std::string_view text) {
  std::string r(text);
  for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return r;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Splits the arguments at blanks.
std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> r;
  while (true) {
    text = trim(text);
    if (text.empty()) return r;
    const std::size_t blank = text.find(' ');
    r.push_back(text.substr(0, blank));
    if (blank == std::string_view::npos) return r;
    text.remove_prefix(blank);
  }
}

bool parse_count(std::string_view text, long long* value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  std::from_chars(text.data(), text.data() + text.size(), *value);
  return true;
}

bool same_ignoring_case(std::string_view a, std::string_view b) {
  return upper(a) == upper(b);
}

std::string drop_summary(const Maildrop& drop) {
  return "maildrop has " + std::to_string(drop.live_count()) + " messages (" +
         std::to_string(drop.live_octets()) + " octets)";
}

// The header of a message and, after the blank line, at most `lines` lines of its body.
std::string top_of(const std::string& content, long long lines) {
  std::size_t end = 0;
  if (content.rfind("\r\n", 0) == 0) {
    end = 2;  // no header at all: the blank line comes first
  } else {
    const std::size_t blank = content.find("\r\n\r\n");
    if (blank == std::string::npos) return content;
    end = blank + 4;
  }
  for (long long n = 0; n < lines && end < content.size(); ++n) {
    const std::size_t next = content.find("\r\n", end);
    end = next == std::string::npos ? content.size() : next + 2;
  }
  return content.substr(0, end);
}

}  // namespace

bool MaildropLock::try_lock() {
  std::lock_guard guard(mutex_);
  if (held_) return false;
  held_ = true;
  return true;
}

void MaildropLock::unlock() {
  std::lock_guard guard(mutex_);
  held_ = false;
}

std::string make_timestamp() {
  static std::atomic<unsigned> counter{0};
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
  return "<" + std::to_string(::getpid()) + "." + std::to_string(++counter) + "." +
         std::to_string(seconds) + "@halvex-demo>";
}

Pop3Conversation::Pop3Conversation(std::filesystem::path folder, Credentials credentials,
                                   std::string timestamp, MaildropLock& lock)
    : folder_(std::move(folder)),
      credentials_(std::move(credentials)),
      timestamp_(std::move(timestamp)),
      lock_(lock) {}

Pop3Conversation::~Pop3Conversation() {
  if (transaction_) lock_.unlock();  // dropped without QUIT: nothing is removed
}

std::string Pop3Conversation::greeting() const {
  return ok("Halvex demo POP3 server ready " + timestamp_);
}

Pop3Conversation::Reply Pop3Conversation::handle(std::string_view line) {
  const std::size_t blank = line.find(' ');
  const std::string keyword = upper(line.substr(0, blank));
  const std::string_view arguments =
      blank == std::string_view::npos ? std::string_view{} : line.substr(blank + 1);
  if (keyword == "QUIT") return quit();
  return transaction_ ? transaction(keyword, arguments) : authorization(keyword, arguments);
}

Pop3Conversation::Reply Pop3Conversation::authorization(const std::string& keyword,
                                                        std::string_view arguments) {
  if (keyword == "USER") {
    const std::string_view name = trim(arguments);
    if (name.empty()) return {err("USER needs a name")};
    pending_user_ = std::string(name);
    user_given_ = true;
    return {ok("send PASS")};
  }
  if (keyword == "PASS") {
    if (!user_given_) return {err("send USER first")};
    user_given_ = false;
    // The password is the rest of the line: it may hold blanks.
    if (pending_user_ != credentials_.user || arguments != credentials_.password)
      return {err("invalid user name or password")};
    return enter_transaction();
  }
  if (keyword == "APOP") {
    user_given_ = false;
    const auto w = words(arguments);
    if (w.size() != 2) return {err("APOP needs a name and a digest")};
    if (w[0] != credentials_.user ||
        !same_ignoring_case(w[1], apop_digest(timestamp_, credentials_.password)))
      return {err("invalid user name or digest")};
    return enter_transaction();
  }
  return {err("not allowed before login: " + keyword)};
}

Pop3Conversation::Reply Pop3Conversation::enter_transaction() {
  if (!lock_.try_lock()) return {err("maildrop already locked"), true};
  std::string error;
  if (!drop_.load(folder_, &error)) {
    lock_.unlock();
    return {err("maildrop cannot be read: " + error), true};
  }
  transaction_ = true;
  return {ok(drop_summary(drop_))};
}

bool Pop3Conversation::message_number(std::string_view text, int* number, Reply* reply) const {
  long long n = 0;
  if (!parse_count(text, &n) || n < 1 || n > drop_.size()) {
    *reply = {err("no such message")};
    return false;
  }
  if (!drop_.live(static_cast<int>(n))) {
    *reply = {err("message " + std::to_string(n) + " already deleted")};
    return false;
  }
  *number = static_cast<int>(n);
  return true;
}

Pop3Conversation::Reply Pop3Conversation::transaction(const std::string& keyword,
                                                      std::string_view arguments) {
  const auto w = words(arguments);
  Reply reply;
  int n = 0;
  if (keyword == "STAT") {
    if (!w.empty()) return {err("STAT takes no argument")};
    return {ok(std::to_string(drop_.live_count()) + " " + std::to_string(drop_.live_octets()))};
  }
  if (keyword == "LIST" || keyword == "UIDL") {
    const bool list = keyword == "LIST";
    auto value = [&](int i) {
      return list ? std::to_string(drop_.message(i).content.size()) : drop_.message(i).uid;
    };
    if (w.size() > 1) return {err(keyword + " takes at most one argument")};
    if (w.size() == 1) {
      if (!message_number(w[0], &n, &reply)) return reply;
      return {ok(std::to_string(n) + " " + value(n))};
    }
    std::vector<std::string> lines;
    for (int i = 1; i <= drop_.size(); ++i)
      if (drop_.live(i)) lines.push_back(std::to_string(i) + " " + value(i));
    const std::string status =
        list ? "+OK " + std::to_string(drop_.live_count()) + " messages (" +
                   std::to_string(drop_.live_octets()) + " octets)"
             : std::string("+OK unique-id listing follows");
    return {multi_line(status, lines)};
  }
  if (keyword == "RETR") {
    if (w.size() != 1) return {err("RETR needs a message number")};
    if (!message_number(w[0], &n, &reply)) return reply;
    const std::string& content = drop_.message(n).content;
    return {ok(std::to_string(content.size()) + " octets") + dot_stuffed(content)};
  }
  if (keyword == "TOP") {
    long long lines = 0;
    if (w.size() != 2) return {err("TOP needs a message number and a line count")};
    if (!message_number(w[0], &n, &reply)) return reply;
    if (!parse_count(w[1], &lines)) return {err("TOP needs a line count of 0 or more")};
    return {ok("top of message follows") + dot_stuffed(top_of(drop_.message(n).content, lines))};
  }
  if (keyword == "DELE") {
    if (w.size() != 1) return {err("DELE needs a message number")};
    if (!message_number(w[0], &n, &reply)) return reply;
    drop_.mark_deleted(n);
    return {ok("message " + std::to_string(n) + " deleted")};
  }
  if (keyword == "RSET") {
    if (!w.empty()) return {err("RSET takes no argument")};
    drop_.unmark_all();
    return {ok(drop_summary(drop_))};
  }
  if (keyword == "NOOP") {
    if (!w.empty()) return {err("NOOP takes no argument")};
    return {ok()};
  }
  if (keyword == "USER" || keyword == "PASS" || keyword == "APOP")
    return {err("already logged in")};
  return {err("unknown command: " + keyword)};
}

Pop3Conversation::Reply Pop3Conversation::quit() {
  if (!transaction_) return {ok("Halvex demo POP3 server signing off"), true};
  std::string error;
  const bool removed = drop_.commit(&error);
  transaction_ = false;
  lock_.unlock();
  if (!removed) return {err("some deleted messages not removed: " + error), true};
  return {ok("Halvex demo POP3 server signing off (" + std::to_string(drop_.live_count()) +
             " messages left)"),
          true};
}

}  // namespace halvex::demo
