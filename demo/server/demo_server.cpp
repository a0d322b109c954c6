#include "demo_server.h"

#include "pop3_reply.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace halvex::demo {

namespace {

constexpr int kPollMs = 200;               // how often a waiting thread looks at stop()
constexpr std::size_t kMaxLine = 512;      // RFC 1939 allows 255 octets; some slack

bool send_all(int fd, const std::string& data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

DemoServer::DemoServer(DemoServerOptions options) : options_(std::move(options)) {}

DemoServer::~DemoServer() { stop(); }

bool DemoServer::start(std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    if (listener_ >= 0) ::close(listener_);
    listener_ = -1;
    return false;
  };
  std::error_code ec;
  if (!std::filesystem::is_directory(options_.folder, ec))
    return fail("no such folder: " + options_.folder.string());
  const int family = options_.ipv6 ? AF_INET6 : AF_INET;
  listener_ = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) return fail(std::string("socket: ") + std::strerror(errno));
  const int one = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  int rc = 0;
  if (options_.ipv6) {
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_addr = in6addr_loopback;
    a.sin6_port = htons(options_.port);
    rc = ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
  } else {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(options_.port);
    rc = ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
  }
  if (rc != 0) return fail("cannot bind port " + std::to_string(options_.port) + ": " + std::strerror(errno));
  if (::listen(listener_, 16) != 0) return fail(std::string("listen: ") + std::strerror(errno));
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&bound), &length);
  port_ = ntohs(options_.ipv6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                              : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
  stopping_ = false;
  acceptor_ = std::thread([this] { accept_loop(); });
  return true;
}

void DemoServer::stop() {
  stopping_ = true;
  if (acceptor_.joinable()) acceptor_.join();
  std::list<Session> sessions;
  {
    std::lock_guard guard(sessions_mutex_);
    sessions.swap(sessions_);
  }
  for (auto& s : sessions) s.thread.join();
  if (listener_ >= 0) ::close(listener_);
  listener_ = -1;
}

void DemoServer::accept_loop() {
  while (!stopping_) {
    pollfd p{listener_, POLLIN, 0};
    const int ready = ::poll(&p, 1, kPollMs);
    if (ready <= 0) continue;
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    reap_finished();
    std::lock_guard guard(sessions_mutex_);
    Session& session = sessions_.emplace_back();
    session.thread = std::thread([this, fd, &session] {
      serve(fd);
      session.done = true;
    });
  }
}

void DemoServer::reap_finished() {
  std::lock_guard guard(sessions_mutex_);
  for (auto it = sessions_.begin(); it != sessions_.end();) {
    if (it->done) {
      it->thread.join();
      it = sessions_.erase(it);
    } else {
      ++it;
    }
  }
}

void DemoServer::serve(int fd) {
  Pop3Conversation conversation(options_.folder, options_.credentials, make_timestamp(), lock_);
  std::string buffer;
  bool open = send_all(fd, conversation.greeting());
  auto last_heard = std::chrono::steady_clock::now();
  while (open && !stopping_) {
    const std::size_t end = buffer.find('\n');
    if (end == std::string::npos) {
      if (buffer.size() > kMaxLine) {
        send_all(fd, err("line too long"));
        break;
      }
      pollfd p{fd, POLLIN, 0};
      const int ready = ::poll(&p, 1, kPollMs);
      if (ready == 0) {
        if (std::chrono::steady_clock::now() - last_heard >
            std::chrono::seconds(options_.idle_seconds)) {
          send_all(fd, err("idle too long, signing off"));
          break;
        }
        continue;
      }
      if (ready < 0 && errno == EINTR) continue;
      char chunk[4096];
      const ssize_t n = ready < 0 ? -1 : ::recv(fd, chunk, sizeof chunk, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;  // the client went away: no UPDATE
      buffer.append(chunk, static_cast<std::size_t>(n));
      last_heard = std::chrono::steady_clock::now();
      continue;
    }
    std::string line = buffer.substr(0, end);
    buffer.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > kMaxLine) {
      send_all(fd, err("line too long"));
      break;
    }
    const Pop3Conversation::Reply reply = conversation.handle(line);
    open = send_all(fd, reply.text) && !reply.close;
  }
  ::shutdown(fd, SHUT_RDWR);
  ::close(fd);
}

}  // namespace halvex::demo
