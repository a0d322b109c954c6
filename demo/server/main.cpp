// halvex-demo-server: serves a folder of message files over POP3 on a loopback port, for
// trying Halvex or one's own POP3 client code. Deletions are applied at QUIT.
#include "demo_server.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace {

constexpr char kUsage[] =
    "Usage: halvex-demo-server --folder DIR [--port N] [--user NAME] [--password TEXT] [--ipv6]\n"
    "\n"
    "Serves every file of DIR as one message over POP3 (RFC 1939, APOP included) on\n"
    "127.0.0.1 (::1 with --ipv6), in file-name order. Messages deleted in a session are\n"
    "removed from DIR when the client sends QUIT. The login is demo / demo unless given.\n"
    "--port 0 (the default) takes a free port; the port is printed on the first line.\n";

volatile std::sig_atomic_t g_stop = 0;

void on_signal(int) { g_stop = 1; }

bool parse_port(const char* text, std::uint16_t* port) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 0 || value > 65535) return false;
  *port = static_cast<std::uint16_t>(value);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  halvex::demo::DemoServerOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool has_value = i + 1 < argc;
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--folder" && has_value) {
      options.folder = argv[++i];
    } else if (a == "--port" && has_value) {
      if (!parse_port(argv[++i], &options.port)) {
        std::fprintf(stderr, "halvex-demo-server: not a port: %s\n", argv[i]);
        return 2;
      }
    } else if (a == "--user" && has_value) {
      options.credentials.user = argv[++i];
    } else if (a == "--password" && has_value) {
      options.credentials.password = argv[++i];
    } else if (a == "--ipv6") {
      options.ipv6 = true;
    } else {
      std::fprintf(stderr, "halvex-demo-server: unexpected argument: %s\n\n%s", a.c_str(), kUsage);
      return 2;
    }
  }
  if (options.folder.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  halvex::demo::DemoServer server(options);
  std::string error;
  if (!server.start(&error)) {
    std::fprintf(stderr, "halvex-demo-server: %s\n", error.c_str());
    return 1;
  }
  std::printf("halvex-demo-server: serving %s on %s:%u\n", options.folder.c_str(),
              options.ipv6 ? "[::1]" : "127.0.0.1", static_cast<unsigned>(server.port()));
  std::fflush(stdout);
  std::signal(SIGINT, on_signal);
  std::signal(SIGTERM, on_signal);
  while (!g_stop) ::usleep(100 * 1000);
  server.stop();
  return 0;
}
