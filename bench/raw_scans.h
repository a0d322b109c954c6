// The two bare clients the filter benchmark measures the others against. Both log in with
// USER and PASS, read every header with TOP n 0, delete the headers `is_spam` picks and quit;
// neither judges anything beyond that test.
//   one_at_a_time_scan  each command waits for the reply to the one before (one round trip a
//                       command, the least any client that does not pipeline can do)
//   pipelined_scan      every TOP sent at once, then every DELE at once: a handful of round
//                       trips for the whole mailbox, the least any client can do
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace bench {

struct ScanLogin {
  std::uint16_t port = 0;  // on 127.0.0.1
  std::string user;
  std::string password;
};

using SpamTest = std::function<bool(std::string_view header)>;

// Both return the number of DELE commands the server accepted; throw on a broken exchange.
int one_at_a_time_scan(const ScanLogin& login, int messages, const SpamTest& is_spam);
int pipelined_scan(const ScanLogin& login, int messages, const SpamTest& is_spam);

}  // namespace bench
