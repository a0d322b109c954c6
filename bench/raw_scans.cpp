#include "raw_scans.h"

#include <chrono>
#include <stdexcept>
#include <vector>

#include "net/raw_pop3_client.h"

namespace bench {

using halvex::testnet::Family;
using halvex::testnet::RawPop3Client;

namespace {

constexpr std::chrono::seconds kTimeout(60);

bool ok(const std::optional<std::string>& reply) { return reply && reply->rfind("+OK", 0) == 0; }

void log_in(RawPop3Client& client, const ScanLogin& login) {
  if (!ok(client.read_line()) || !ok(client.command("USER " + login.user)) ||
      !ok(client.command("PASS " + login.password)))
    throw std::runtime_error("raw scan: login failed");
}

void quit(RawPop3Client& client) {
  client.command("QUIT");
  client.wait_closed();
}

}  // namespace

int one_at_a_time_scan(const ScanLogin& login, int messages, const SpamTest& is_spam) {
  RawPop3Client client(Family::v4, login.port, kTimeout);
  log_in(client, login);
  client.command("STAT");
  client.multi_line_command("LIST");
  int deleted = 0;
  for (int k = 1; k <= messages; ++k) {
    const std::optional<std::string> header = client.multi_line_command("TOP " + std::to_string(k) + " 0");
    if (!ok(header)) throw std::runtime_error("raw scan: TOP " + std::to_string(k) + " failed");
    if (is_spam(*header) && ok(client.command("DELE " + std::to_string(k)))) ++deleted;
  }
  quit(client);
  return deleted;
}

int pipelined_scan(const ScanLogin& login, int messages, const SpamTest& is_spam) {
  RawPop3Client client(Family::v4, login.port, kTimeout);
  log_in(client, login);
  // Commands of a few KB each way fit the socket buffers, so all of them go out before any
  // reply is read, and the server never waits for the client to read.
  std::string tops;
  for (int k = 1; k <= messages; ++k) tops += "TOP " + std::to_string(k) + " 0\r\n";
  if (!client.send_raw(tops)) throw std::runtime_error("raw scan: send failed");
  std::vector<int> spam;
  for (int k = 1; k <= messages; ++k) {
    const std::optional<std::string> header = client.read_multi_line();
    if (!ok(header)) throw std::runtime_error("raw scan: TOP " + std::to_string(k) + " failed");
    if (is_spam(*header)) spam.push_back(k);
  }
  std::string deles;
  for (int k : spam) deles += "DELE " + std::to_string(k) + "\r\n";
  if (!deles.empty() && !client.send_raw(deles)) throw std::runtime_error("raw scan: send failed");
  int deleted = 0;
  for (std::size_t i = 0; i < spam.size(); ++i)
    if (ok(client.read_line())) ++deleted;
  quit(client);
  return deleted;
}

}  // namespace bench
