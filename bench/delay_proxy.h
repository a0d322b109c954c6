// DelayProxy: a TCP relay on 127.0.0.1 that puts a fixed round-trip time between a client and
// a loopback server, so a benchmark can see what a distant mail server costs without leaving
// the machine. Every chunk is held for half the round trip in each direction, in the order it
// arrived; an end of stream travels the same way, after the data before it. Each accepted
// connection opens its own connection to the target. Data is never dropped or reordered, and
// the relay reads whenever data is there, so a window of pipelined commands crosses it in one
// delay, as over a real network with a large enough window.
#pragma once

#include <chrono>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "net/unique_fd.h"

namespace bench {

class DelayProxy {
public:
  // Listens at once on a free port of 127.0.0.1; relays to 127.0.0.1:target_port.
  DelayProxy(std::uint16_t target_port, std::chrono::milliseconds round_trip);
  ~DelayProxy();  // closes every connection and joins every thread
  DelayProxy(const DelayProxy&) = delete;
  DelayProxy& operator=(const DelayProxy&) = delete;

  std::uint16_t port() const { return port_; }

private:
  class Link;

  void accept_loop();

  std::uint16_t target_port_;
  std::chrono::milliseconds one_way_;
  halvex::testnet::UniqueFd listener_;
  halvex::testnet::UniqueFd stop_event_;
  std::uint16_t port_ = 0;
  std::mutex mutex_;
  std::list<std::unique_ptr<Link>> links_;
  std::thread acceptor_;
};

}  // namespace bench
