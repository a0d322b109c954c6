#include "delay_proxy.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <stdexcept>
#include <string>

#include "net/loopback.h"

namespace bench {

using halvex::testnet::UniqueFd;
using Clock = std::chrono::steady_clock;

namespace {

void no_delay(int fd) {
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

bool send_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// One direction of a link: a reader that stamps each chunk with the time it may leave, and a
// writer that sends it then. An empty chunk stands for the end of the stream.
class Direction {
public:
  Direction(int from, int to, Clock::duration delay, int stop_event)
      : from_(from), to_(to), delay_(delay), stop_event_(stop_event) {
    reader_ = std::thread([this] { read_loop(); });
    writer_ = std::thread([this] { write_loop(); });
  }
  ~Direction() {
    stop();
    reader_.join();
    writer_.join();
  }
  void stop() {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    changed_.notify_all();
  }
  bool done() const { return done_.load(); }

private:
  struct Piece {
    Clock::time_point due;
    std::string bytes;  // empty: end of stream
  };

  void push(std::string bytes) {
    std::lock_guard lock(mutex_);
    pieces_.push_back({Clock::now() + delay_, std::move(bytes)});
    changed_.notify_all();
  }

  void read_loop() {
    char buffer[65536];
    for (;;) {
      pollfd p[2] = {{from_, POLLIN, 0}, {stop_event_, POLLIN, 0}};
      const int n = ::poll(p, 2, -1);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 || p[1].revents) break;
      const ssize_t got = ::recv(from_, buffer, sizeof buffer, 0);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      push(std::string(buffer, static_cast<std::size_t>(got)));
    }
    push(std::string());
  }

  void write_loop() {
    bool broken = false;
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [&] { return stopping_ || !pieces_.empty(); });
      if (stopping_) break;
      if (Clock::now() < pieces_.front().due) {
        changed_.wait_until(lock, pieces_.front().due, [&] { return stopping_; });
        continue;
      }
      Piece piece = std::move(pieces_.front());
      pieces_.pop_front();
      lock.unlock();
      if (piece.bytes.empty()) {
        ::shutdown(to_, SHUT_WR);
        lock.lock();
        break;
      }
      // A peer that went away takes nothing more; the rest is read and dropped.
      if (!broken) broken = !send_all(to_, piece.bytes);
      lock.lock();
    }
    done_.store(true);
  }

  int from_;
  int to_;
  Clock::duration delay_;
  int stop_event_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Piece> pieces_;
  bool stopping_ = false;
  std::atomic<bool> done_{false};
  std::thread reader_;
  std::thread writer_;
};

}  // namespace

// One relayed connection: the client's socket, the socket to the target and a direction each way.
class DelayProxy::Link {
public:
  Link(UniqueFd client, UniqueFd server, Clock::duration delay, int stop_event)
      : client_(std::move(client)), server_(std::move(server)),
        up_(client_.get(), server_.get(), delay, stop_event),
        down_(server_.get(), client_.get(), delay, stop_event) {}
  ~Link() {
    // Unblocks a send into a peer that stopped reading.
    ::shutdown(client_.get(), SHUT_RDWR);
    ::shutdown(server_.get(), SHUT_RDWR);
  }
  bool done() const { return up_.done() && down_.done(); }

private:
  UniqueFd client_;
  UniqueFd server_;
  Direction up_;
  Direction down_;
};

DelayProxy::DelayProxy(std::uint16_t target_port, std::chrono::milliseconds round_trip)
    : target_port_(target_port), one_way_(round_trip / 2) {
  listener_ = halvex::testnet::bind_loopback(halvex::testnet::Family::v4);
  if (::listen(listener_.get(), 16) != 0) throw std::runtime_error("delay proxy: listen failed");
  port_ = halvex::testnet::bound_port(listener_.get());
  stop_event_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!stop_event_) throw std::runtime_error("delay proxy: eventfd failed");
  acceptor_ = std::thread([this] { accept_loop(); });
}

DelayProxy::~DelayProxy() {
  const std::uint64_t one = 1;
  [[maybe_unused]] auto n = ::write(stop_event_.get(), &one, sizeof one);
  acceptor_.join();
  std::lock_guard lock(mutex_);
  links_.clear();
}

void DelayProxy::accept_loop() {
  for (;;) {
    pollfd p[2] = {{listener_.get(), POLLIN, 0}, {stop_event_.get(), POLLIN, 0}};
    const int n = ::poll(p, 2, -1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || p[1].revents) return;
    UniqueFd client(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!client) continue;
    UniqueFd server = halvex::testnet::connect_loopback(halvex::testnet::Family::v4, target_port_,
                                                        std::chrono::seconds(5));
    if (!server) continue;  // the client sees its connection closed
    no_delay(client.get());
    no_delay(server.get());
    std::lock_guard lock(mutex_);
    links_.remove_if([](const std::unique_ptr<Link>& link) { return link->done(); });
    links_.push_back(std::make_unique<Link>(std::move(client), std::move(server), one_way_, stop_event_.get()));
  }
}

}  // namespace bench
