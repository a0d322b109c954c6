// The demo POP3 server: serves one folder of message files (see maildrop.h) to POP3
// clients on a loopback port, one thread per connection, with the exclusive maildrop
// lock RFC 1939 asks for. It binds only to 127.0.0.1 (or ::1).
#pragma once

#include "pop3_conversation.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <list>
#include <mutex>
#include <string>
#include <thread>

namespace halvex::demo {

struct DemoServerOptions {
  std::filesystem::path folder;
  Credentials credentials;
  std::uint16_t port = 0;  // 0: any free port
  bool ipv6 = false;       // ::1 instead of 127.0.0.1
  int idle_seconds = 600;  // a session silent this long is closed (RFC 1939: 10 minutes)
};

class DemoServer {
 public:
  explicit DemoServer(DemoServerOptions options);
  ~DemoServer();
  DemoServer(const DemoServer&) = delete;
  DemoServer& operator=(const DemoServer&) = delete;

  // Binds, listens and starts serving. False, with a reason, when the folder is missing or
  // the port cannot be bound.
  bool start(std::string* error);
  // The port being served; 0 before start().
  std::uint16_t port() const { return port_; }
  // Stops accepting, ends every session (without UPDATE) and waits for the threads.
  void stop();

 private:
  void accept_loop();
  void serve(int fd);

  DemoServerOptions options_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  MaildropLock lock_;
  std::thread acceptor_;
  struct Session {
    std::thread thread;
    std::atomic<bool> done{false};
  };
  void reap_finished();  // joins the threads of sessions that have ended

  std::mutex sessions_mutex_;
  std::list<Session> sessions_;
};

}  // namespace halvex::demo
