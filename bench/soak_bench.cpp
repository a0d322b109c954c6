// soak_bench: many filter cycles of `halvex --once` against the private test Dovecot while a
// second thread deletes and adds messages and restarts Dovecot at random moments. Each cycle
// is its own process; the bench prints the cycles run, the errors the program logged, crashes
// and sanitizer reports, and the peak memory (max RSS) per block of cycles, which must stay
// flat. Built against a -DHALVEX_SANITIZE=ON halvex, every exit also runs the leak checker,
// and its reports are counted.
//
//   soak_bench [CYCLES]   (default 200)
#include "accounts/account_file.h"
#include "accounts/account_record.h"

#include "net/dovecot_harness.h"
#include "net/temp_dir.h"

#include "logged_process.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace halvex::testnet;
using namespace std::chrono_literals;

struct Run {
  int exit_code = -1;
  int signal = 0;
  long max_rss_kb = 0;
  std::string output;
};

Run run_process(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& log) {
  const bench::LoggedRun run = bench::run_logged(argv, env, log);
  Run r;
  if (!run.started) return r;
  r.exit_code = run.exit_code;
  r.signal = run.signal;
  r.max_rss_kb = run.max_rss_kb;
  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  r.output = text.str();
  return r;
}

int count_of(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

std::string message(unsigned i, bool spam) {
  return "From: " + std::string(spam ? "Deals <deals@spam.example>" : "Friend <friend@ham.example>") +
         "\nTo: me@home.example\nSubject: soak " + std::to_string(i) + "\nMessage-ID: <" + std::to_string(i) +
         ".soak@home.example>\n\n" + std::string(500 + i % 3000, 'x') + "\n";
}

// Deletes and adds messages and restarts Dovecot at random moments until told to stop.
class Disturber {
public:
  explicit Disturber(DovecotHarness& dovecot) : dovecot_(dovecot), thread_([this] { run(); }) {}
  ~Disturber() {
    stop_ = true;
    thread_.join();
  }
  int restarts() const { return restarts_; }
  int failed_restarts() const { return failed_restarts_; }

private:
  void run() {
    std::mt19937 random(20261208);
    unsigned next = 1000;
    while (!stop_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50 + random() % 450));
      const unsigned action = random() % 10;
      try {
        if (action < 4) {
          // Another client deleting a message: its file vanishes from new/ or cur/.
          std::vector<std::filesystem::path> files;
          for (const char* sub : {"new", "cur"}) {
            std::error_code ec;
            for (const auto& entry : std::filesystem::directory_iterator(dovecot_.maildir().root() / sub, ec))
              files.push_back(entry.path());
          }
          if (!files.empty()) std::filesystem::remove(files[random() % files.size()]);
        } else if (action < 9) {
          for (unsigned k = random() % 4; k > 0; --k) dovecot_.maildir().add(message(next++, random() % 3 == 0));
        } else {
          dovecot_.stop();
          dovecot_.start();
          ++restarts_;
        }
      } catch (const std::exception& e) {
        ++failed_restarts_;
        std::fprintf(stderr, "soak: disturbance failed: %s\n", e.what());
        // A restart can meet its own ports still held for a moment: try again shortly.
        for (int attempt = 0; attempt < 20 && !dovecot_.running(); ++attempt) {
          std::this_thread::sleep_for(250ms);
          try {
            dovecot_.start();
          } catch (...) {
          }
        }
      }
    }
    if (!dovecot_.running()) dovecot_.start();
  }

  DovecotHarness& dovecot_;
  std::atomic<bool> stop_{false};
  std::atomic<int> restarts_{0};
  std::atomic<int> failed_restarts_{0};
  std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  DovecotHarness dovecot;
  for (unsigned i = 0; i < 40; ++i) dovecot.maildir().add(message(i, i % 3 == 0));

  TempDir dir;
  const std::filesystem::path home = dir.path() / "halvex";
  std::filesystem::create_directories(home);
  std::filesystem::create_directories(dir.path() / "config");
  // A short timeout: a restart mid-cycle costs seconds, not a minute.
  std::ofstream(dir.path() / "config" / "Tarnell Halvex.ini") << "[Options]\nserver_timeout=5\nfilter_minutes=5\n";
  halvex::AccountRecord r;
  r.description = QStringLiteral("soak");
  r.server = QString::fromStdString(dovecot.address());
  r.user_id = QString::fromStdString(dovecot.user().name);
  r.password = QString::fromStdString(dovecot.user().password);
  r.from_list = {QStringLiteral("@spam.example")};
  halvex::save_account(QString::fromStdString(home.string()), r.description, r);
  const std::string log = (dir.path() / "once.log").string();
  const std::vector<std::string> env = {"HALVEX_HOME=" + home.string() + "/",
                                        "XDG_CONFIG_HOME=" + (dir.path() / "config").string(),
                                        "XDG_DATA_HOME=" + (dir.path() / "data").string()};

  int errors = 0, failed_cycles = 0, crashes = 0, sanitizer_reports = 0, leak_reports = 0;
  std::vector<long> rss;
  std::vector<std::pair<std::string, int>> kinds;  // error lines by their text before the colon
  const auto start = std::chrono::steady_clock::now();
  {
    Disturber disturber(dovecot);
    for (int cycle = 1; cycle <= cycles; ++cycle) {
      Run run = run_process({HALVEX_PROGRAM, "--once"}, env, log);
      rss.push_back(run.max_rss_kb);
      errors += count_of(run.output, "Error ");
      for (std::size_t at = run.output.find("Error "); at != std::string::npos; at = run.output.find("Error ", at + 1)) {
        std::string kind = run.output.substr(at, run.output.find_first_of(":\n", at) - at);
        auto it = std::find_if(kinds.begin(), kinds.end(), [&](const auto& k) { return k.first == kind; });
        if (it == kinds.end()) kinds.emplace_back(kind, 1);
        else ++it->second;
      }
      if (run.exit_code != 0) ++failed_cycles;
      if (run.signal != 0) {
        ++crashes;
        std::printf("cycle %d: ended by signal %d\n", cycle, run.signal);
      }
      leak_reports += count_of(run.output, "ERROR: LeakSanitizer");
      sanitizer_reports += count_of(run.output, "ERROR: AddressSanitizer") + count_of(run.output, "runtime error:");
      if (cycle % 20 == 0 || cycle == cycles) {
        const auto block = std::vector<long>(rss.end() - std::min<std::size_t>(rss.size(), 20), rss.end());
        std::printf("cycles %4d  peak memory (max RSS) of the last %zu: min %ld KB, max %ld KB  errors so far %d\n", cycle,
                    block.size(), *std::min_element(block.begin(), block.end()),
                    *std::max_element(block.begin(), block.end()), errors);
        std::fflush(stdout);
      }
    }
    std::printf("Dovecot restarts: %d (failed disturbances: %d)\n", disturber.restarts(), disturber.failed_restarts());
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const std::size_t tenth = std::max<std::size_t>(1, rss.size() / 10);
  auto mean = [](auto from, auto to) { return static_cast<double>(std::accumulate(from, to, 0L)) / double(to - from); };
  std::printf("cycles run: %d in %.0f s\n", cycles, seconds);
  std::printf("errors logged: %d (cycles that exited non-zero: %d)\n", errors, failed_cycles);
  for (const auto& [kind, n] : kinds) std::printf("  %4d x %s\n", n, kind.c_str());
  std::printf("crashes: %d  sanitizer reports: %d  leak reports: %d\n", crashes, sanitizer_reports, leak_reports);
  std::printf("peak memory: first tenth mean %.0f KB, last tenth mean %.0f KB, overall max %ld KB\n",
              mean(rss.begin(), rss.begin() + tenth), mean(rss.end() - tenth, rss.end()),
              *std::max_element(rss.begin(), rss.end()));
  return crashes == 0 && sanitizer_reports == 0 && leak_reports == 0 ? 0 : 1;
}
