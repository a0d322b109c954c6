// filter_bench: one filter job, several ways, against the same private Dovecot mailbox of
// 1000 messages, of which a share is spam to delete:
//   pipelined scan         a bare client: every TOP at once, then every DELE at once
//   one-at-a-time scan     a bare client sending the same commands one after another
//   halvex --once          the filter application, headless, as a process (--dry-run when
//                          the mailbox holds no spam, so nothing would be deleted anyway)
//   halvex, no pipelining  the same with pipelining switched off in its settings
//   halvex, quarantine off the same without its quarantine (no copy retrieved before each
//                          deletion); the quarantine's cost is printed as on / off
//   mailfilter             DENY rule on the From header
//   mpop --filter          a filter program that kills spam and leaves the rest on the server
// Each way gets a freshly filled mailbox; each result is checked (the ham left, the spam gone).
// The server's mailbox is kept in memory (/dev/shm) and the clients' files in the user's data
// folder, where halvex keeps its quarantine; the bench prints what a new file costs there.
// Without --rtt a last run measures halvex's peak memory with one 10 MB spam message, with the
// quarantine on and off.
// Prints seconds, messages per second and the CPU time each process used, so halvex's CPU
// time while it waits on the server can be seen to stay near zero.
//
//   filter_bench [--rtt MS[,MS...]] [--spam PERCENT[,PERCENT...]] [--rounds N] [--halvex PATH]
//                [--earlier PATH] [--without mpop,mailfilter]
// Without --rtt every client talks to Dovecot directly; with it, through the bench's delay
// proxy, which adds MS milliseconds of round-trip time (0 is the proxy alone). --spam takes
// multiples of 10 (default 30 without --rtt, "0,30" with it); --rounds defaults to 7 without
// --rtt and 1 with it. --earlier PATH races another build (an earlier one) beside this one, both
// with the quarantine off; --without mpop,mailfilter leaves those peers out.
// --halvex runs another build of the program (a copy of an earlier one,
// with its libvelmo.so beside it, found through LD_LIBRARY_PATH).
#include "accounts/account_file.h"
#include "accounts/account_record.h"

#include "net/dovecot_harness.h"
#include "net/run_program.h"
#include "net/temp_dir.h"

#include "delay_proxy.h"
#include "logged_process.h"
#include "raw_scans.h"

#include <QDir>
#include <QStandardPaths>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

int halvex_runs = 0;  // halvex processes the bench has started

using namespace halvex::testnet;

constexpr int kMessages = 1000;

// The mailbox of one job: messages i with i % 10 < spam_tenths are spam.
struct Mix {
  int spam_tenths = 3;
  bool is_spam(int i) const { return i % 10 < spam_tenths; }
  int spam() const { return kMessages / 10 * spam_tenths; }
  size_t expected_left() const { return static_cast<size_t>(kMessages - spam()); }
};

// Where the clients connect: Dovecot itself, or the delay proxy in front of it.
struct Route {
  std::optional<int> rtt_ms;  // none: straight to Dovecot
  std::uint16_t port = 0;
};

std::string message(const Mix& mix, int i) {
  const std::string from = mix.is_spam(i) ? "Deals <deals" + std::to_string(i) + "@spam.example>"
                                          : "Friend <friend" + std::to_string(i) + "@ham.example>";
  return "From: " + from + "\nTo: Me <me@home.example>\nSubject: message " + std::to_string(i) +
         "\nMessage-ID: <" + std::to_string(i) + ".bench@home.example>\nDate: Tue, 8 Dec 2026 01:00:00 +0000\n\n" +
         std::string(1000, 'x') + "\n";
}

bool spam_header(std::string_view header) { return header.find("@spam.example") != std::string_view::npos; }

struct Result {
  std::string log;   // the process's output file
  std::string note;  // what the program said about itself
  double seconds = 0;
  double cpu_seconds = -1;  // of the process, user + system; -1 when not a process
  long max_rss_kb = 0;
  size_t left = 0;
  int exit_code = 0;
};

// Runs argv without a shell, output to `log`, env additions in `env`; measures wall and CPU.
Result run_process(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& log) {
  const bench::LoggedRun run = bench::run_logged(argv, env, log);
  Result r;
  r.log = log;
  r.seconds = run.seconds;
  r.cpu_seconds = run.started ? run.cpu_seconds : -1;
  r.max_rss_kb = run.max_rss_kb;
  r.exit_code = run.exit_code;
  return r;
}

// Messages left once the server has committed the session (Dovecot expunges after QUIT, and
// a client may exit before that is done): waits up to 3 s for the expected count.
size_t left_on_server(DovecotHarness& dovecot, size_t expected) {
  size_t left = dovecot.maildir().count();
  for (int i = 0; i < 60 && left != expected; ++i) {
    usleep(50000);
    left = dovecot.maildir().count();
  }
  return left;
}

void refill(DovecotHarness& dovecot, const Mix& mix) {
  Maildir& box = dovecot.maildir();
  box.clear();
  std::vector<std::string> all;
  for (int i = 0; i < kMessages; ++i) all.push_back(message(mix, i));
  box.add_all(all);
}

void write_file(const std::filesystem::path& path, const std::string& text, bool executable = false) {
  std::ofstream(path) << text;
  std::filesystem::permissions(path, executable ? std::filesystem::perms::owner_all
                                                : std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

// How halvex is set up for a run: quarantine on is its default.
struct HalvexSetup {
  bool dry_run = false;
  bool pipelining = true;
  bool quarantine = true;
  std::string options{};  // more lines for the [Options] group
};

// The quarantine's message store of the latest run. Each run gets a new one and none is removed
// before the bench ends: a filesystem may skip the inodes of files deleted moments ago when it
// makes new ones (ext4 does, at a cost per file), and no filter cycle of a user creates its
// copies right after hundreds were deleted.
std::filesystem::path mail_folders(const std::filesystem::path& dir) {
  return dir / "MailFolders" / std::to_string(halvex_runs);
}

Result run_halvex(const std::string& program, DovecotHarness& dovecot, const Route& route,
                  const std::filesystem::path& dir, const HalvexSetup& setup) {
  const std::filesystem::path home = dir / "halvex";
  ++halvex_runs;
  std::filesystem::remove(home / "deletions.journal");
  std::filesystem::create_directories(home);
  std::filesystem::create_directories(dir / "config");
  write_file(dir / "config" / "Tarnell Halvex.ini",
             std::string("[Options]\nserver_timeout=60\nfilter_minutes=5\n") +
                 (setup.pipelining ? "" : "pop3_pipelining=0\n") + (setup.quarantine ? "" : "quarantine=0\n") +
                 setup.options);
  halvex::AccountRecord r;
  r.description = QStringLiteral("bench");
  r.server = QString::fromStdString("127.0.0.1:" + std::to_string(route.port));
  r.user_id = QString::fromStdString(dovecot.user().name);
  r.password = QString::fromStdString(dovecot.user().password);
  r.from_list = {QStringLiteral("@spam.example")};
  halvex::save_account(QString::fromStdString(home.string()), r.description, r);
  std::vector<std::string> argv = {program, "--once"};
  if (setup.dry_run) argv.push_back("--dry-run");
  Result result = run_process(argv,
                              {"HALVEX_HOME=" + home.string() + "/", "XDG_CONFIG_HOME=" + (dir / "config").string(),
                               "HALVEX_WAIT_STATS=1", "VELMO_MAILFOLDERS=" + mail_folders(dir).string(),
                               "LD_LIBRARY_PATH=" + std::filesystem::path(program).parent_path().string()},
                              (dir / "halvex.log").string());
  // The engine's own account of its waits (HALVEX_WAIT_STATS) ends its output.
  std::ifstream log(result.log);
  for (std::string line; std::getline(log, line);)
    if (line.rfind("halvex: ", 0) == 0) result.note = line.substr(8);
  return result;
}

Result run_mailfilter(DovecotHarness& dovecot, const Route& route, const std::filesystem::path& dir,
                      const std::string& program) {
  const std::filesystem::path rc = dir / "mailfilterrc";
  write_file(rc, "SERVER = \"127.0.0.1\"\nUSER = \"" + dovecot.user().name + "\"\nPASS = \"" +
                     dovecot.user().password + "\"\nPROTOCOL = \"pop3\"\nPORT = " + std::to_string(route.port) +
                     "\nDENY_NOCASE = \"^From:.*@spam\\.example\"\nLOGFILE = \"" + (dir / "mailfilter.run").string() +
                     "\"\n");
  return run_process({program, "-M", rc.string(), "-i"}, {"HOME=" + dir.string()}, (dir / "mailfilter.log").string());
}

Result run_mpop(DovecotHarness& dovecot, const Route& route, const std::filesystem::path& dir, const std::string& program) {
  // Exit 1 kills the message on the server, 2 leaves it there undownloaded. Shell builtins
  // only: one process per message is mpop's own cost, a second one for grep would not be.
  const std::filesystem::path filter = dir / "mpop-filter.sh";
  write_file(filter,
             "#!/bin/sh\nwhile IFS= read -r line; do\n  case \"$line\" in [Ff][Rr][Oo][Mm]:*@spam.example*) exit 1;; esac\n"
             "done\nexit 2\n",
             true);
  const std::filesystem::path rc = dir / "mpoprc";
  write_file(rc, "defaults\n");
  return run_process({program, "-C", rc.string(), "--host=127.0.0.1", "--port=" + std::to_string(route.port),
                      "--auth=user", "--user=" + dovecot.user().name, "--passwordeval=echo " + dovecot.user().password,
                      "--tls=off", "--pipelining=auto", "--only-new=off",
                      "--uidls-file=" + (dir / "mpop-uidls").string(),
                      "--delivery=mbox," + (dir / "mpop.mbox").string(), "--filter=" + filter.string(), "-q"},
                     {"HOME=" + dir.string()}, (dir / "mpop.log").string());
}

Result run_scan(DovecotHarness& dovecot, const Route& route, bool pipelined) {
  const bench::ScanLogin login{route.port, dovecot.user().name, dovecot.user().password};
  const auto start = std::chrono::steady_clock::now();
  Result r;
  try {
    pipelined ? bench::pipelined_scan(login, kMessages, spam_header)
              : bench::one_at_a_time_scan(login, kMessages, spam_header);
  } catch (const std::exception& e) {
    r.note = e.what();
  }
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return r;
}

// One way of doing the job, with what each round gave.
struct Contestant {
  Contestant(std::string n, std::function<Result()> r) : name(std::move(n)), run(std::move(r)) {}
  std::string name;
  std::function<Result()> run;
  std::vector<Result> rounds;
  bool failed = false;  // a round left the wrong messages: no more rounds for it
};

// Each round runs every contestant once, in an order that rotates from round to round, each
// on a freshly filled mailbox, so all of them meet the same machine: a slow spell on a shared
// machine then costs every contestant alike instead of the one that happened to run in it.
void run_rounds(DovecotHarness& dovecot, const Mix& mix, int rounds, std::vector<Contestant>& all) {
  for (int round = 0; round < rounds; ++round) {
    for (size_t k = 0; k < all.size(); ++k) {
      Contestant& c = all[(k + static_cast<size_t>(round)) % all.size()];
      if (c.failed) continue;
      refill(dovecot, mix);
      Result r = c.run();
      r.left = left_on_server(dovecot, mix.expected_left());
      c.failed = r.left != mix.expected_left();
      c.rounds.push_back(r);
    }
  }
}

// The fastest round, or the failed one.
Result best(const Contestant& c, const Mix& mix) {
  Result b = c.rounds.front();
  for (const Result& r : c.rounds)
    if (r.left != mix.expected_left() || (b.left == mix.expected_left() && r.seconds < b.seconds)) b = r;
  return b;
}

// The median over the rounds of the contestant's time over the reference's in the same round.
double median_ratio(const Contestant& c, const Contestant& reference) {
  std::vector<double> ratios;
  for (size_t i = 0; i < c.rounds.size() && i < reference.rounds.size(); ++i)
    if (reference.rounds[i].seconds > 0) ratios.push_back(c.rounds[i].seconds / reference.rounds[i].seconds);
  if (ratios.empty()) return 0;
  std::sort(ratios.begin(), ratios.end());
  const size_t n = ratios.size();
  return n % 2 ? ratios[n / 2] : (ratios[n / 2 - 1] + ratios[n / 2]) / 2;
}

void print(const Contestant& c, const Result& r, const Mix& mix, const Contestant* reference, double reference_seconds) {
  const double rate = r.seconds > 0 ? kMessages / r.seconds : 0;
  std::printf("%-24s %8.3f s %9.0f msg/s", c.name.c_str(), r.seconds, rate);
  if (reference) std::printf("  %6.2fx %s", r.seconds / reference_seconds, reference->name.c_str());
  if (r.cpu_seconds >= 0) std::printf("  cpu %6.3f s  peak %5.1f MB", r.cpu_seconds, r.max_rss_kb / 1024.0);
  std::printf("\n");
  if (reference && !c.failed && c.rounds.size() > 1)
    std::printf("%-24s median %.2fx over %zu rounds\n", "", median_ratio(c, *reference), c.rounds.size());
  if (!r.note.empty()) std::printf("%-24s %s\n", "", r.note.c_str());
  if (r.left != mix.expected_left()) {
    std::printf("  WRONG: %zu messages left, exit status %d; output %s:\n", r.left, r.exit_code, r.log.c_str());
    std::ifstream in(r.log);
    std::string line;
    for (int i = 0; i < 8 && std::getline(in, line); ++i) std::printf("    %s\n", line.c_str());
  }
}

struct Options {
  std::vector<int> rtts;  // empty: no proxy
  std::vector<int> spam_percents;
  int rounds = 0;
  std::string halvex = HALVEX_PROGRAM;
  std::string earlier;               // another build raced beside this one, quarantine off on both
  std::vector<std::string> without;  // peers left out ("mpop", "mailfilter")
};

std::vector<std::string> word_list(const char* text) {
  std::vector<std::string> out;
  std::stringstream in(text);
  for (std::string item; std::getline(in, item, ',');) out.push_back(item);
  return out;
}

bool left_out(const Options& o, const std::string& name) {
  return std::find(o.without.begin(), o.without.end(), name) != o.without.end();
}

std::vector<int> number_list(const char* text) {
  std::vector<int> out;
  std::stringstream in(text);
  for (std::string item; std::getline(in, item, ',');) out.push_back(std::stoi(item));
  return out;
}

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const bool has_value = i + 1 < argc;
    if (!std::strcmp(argv[i], "--rtt") && has_value) o.rtts = number_list(argv[++i]);
    else if (!std::strcmp(argv[i], "--spam") && has_value) o.spam_percents = number_list(argv[++i]);
    else if (!std::strcmp(argv[i], "--rounds") && has_value) o.rounds = std::stoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--halvex") && has_value) o.halvex = argv[++i];
    else if (!std::strcmp(argv[i], "--earlier") && has_value) o.earlier = argv[++i];
    else if (!std::strcmp(argv[i], "--without") && has_value) o.without = word_list(argv[++i]);
    else throw std::invalid_argument(std::string("unknown argument ") + argv[i] +
                                     "; use: filter_bench [--rtt MS[,MS...]] [--spam PERCENT[,...]] [--rounds N] [--halvex PATH]"
                                     " [--earlier PATH] [--without mpop,mailfilter]");
  }
  if (o.spam_percents.empty()) o.spam_percents = o.rtts.empty() ? std::vector<int>{30} : std::vector<int>{0, 30};
  if (o.rounds <= 0) o.rounds = o.rtts.empty() ? 7 : 1;
  for (int p : o.spam_percents)
    if (p < 0 || p > 100 || p % 10) throw std::invalid_argument("--spam takes multiples of 10 from 0 to 100");
  for (int ms : o.rtts)
    if (ms < 0 || ms > 10000) throw std::invalid_argument("--rtt takes 0 to 10000 ms");
  // A folder or a missing file would only fail later, as a run that says nothing of why.
  for (const auto& [option, path] : {std::pair{"--halvex", o.halvex}, std::pair{"--earlier", o.earlier}}) {
    std::error_code ec;
    if (!path.empty() && (!std::filesystem::is_regular_file(path, ec) || ::access(path.c_str(), X_OK) != 0))
      throw std::invalid_argument(std::string(option) + " takes the halvex program itself, not " + path);
  }
  return o;
}

void run_job(const Options& options, DovecotHarness& dovecot, const Route& route, const Mix& mix,
             const std::filesystem::path& dir) {
  const std::string mailfilter = left_out(options, "mailfilter") ? "" : find_program("mailfilter");
  const std::string mpop = left_out(options, "mpop") ? "" : find_program("mpop");
  const bool dry_run = mix.spam() == 0;
  std::vector<Contestant> all;
  all.emplace_back("pipelined scan", [&] { return run_scan(dovecot, route, true); });
  all.emplace_back("one-at-a-time scan", [&] { return run_scan(dovecot, route, false); });
  all.emplace_back(dry_run ? "halvex --once --dry-run" : "halvex --once",
                   [&] { return run_halvex(options.halvex, dovecot, route, dir, {.dry_run = dry_run}); });
  all.emplace_back("halvex, no pipelining",
                   [&] { return run_halvex(options.halvex, dovecot, route, dir, {.dry_run = dry_run, .pipelining = false}); });
  // The quarantine retrieves each message before deleting it: its cost beside the same run without.
  if (!dry_run)
    all.emplace_back("halvex, quarantine off",
                     [&] { return run_halvex(options.halvex, dovecot, route, dir, {.quarantine = false}); });
  // An earlier build knows no quarantine: it races this build's quarantine-off run.
  if (!options.earlier.empty())
    all.emplace_back("halvex, earlier build", [&] {
      return run_halvex(options.earlier, dovecot, route, dir, {.dry_run = dry_run, .quarantine = false});
    });
  if (!mailfilter.empty())
    all.emplace_back("mailfilter", [&] { return run_mailfilter(dovecot, route, dir, mailfilter); });
  if (!mpop.empty()) all.emplace_back("mpop --filter", [&] { return run_mpop(dovecot, route, dir, mpop); });

  if (route.rtt_ms) std::printf("\n== %d ms round trip (delay proxy)", *route.rtt_ms);
  else std::printf("\n== Dovecot on loopback, no proxy");
  std::printf(", %d %% spam: %d deleted, %zu left\n", mix.spam_tenths * 10, mix.spam(), mix.expected_left());
  run_rounds(dovecot, mix, options.rounds, all);

  // Times are shown beside the pipelined scan, the least any client can do, and beside the
  // one-at-a-time scan, the least a client without pipelining can do.
  const Result pipelined = best(all[0], mix);
  const Result sequential = best(all[1], mix);
  for (const Contestant& c : all) {
    const Result b = best(c, mix);
    print(c, b, mix, &c == &all[0] ? nullptr : &all[0], pipelined.seconds);
    if (&c != &all[0] && &c != &all[1] && sequential.seconds > 0)
      std::printf("%-24s %.2fx one-at-a-time scan\n", "", b.seconds / sequential.seconds);
  }
  if (!dry_run) {
    const Contestant& on = all[2];
    const Contestant& off = all[4];
    const double best_on = best(on, mix).seconds, best_off = best(off, mix).seconds;
    if (best_off > 0)
      std::printf("%-24s quarantine on / off: %.2fx (best rounds), %.2fx (median over %zu rounds); goal <= 1.5x\n",
                  "", best_on / best_off, median_ratio(on, off), on.rounds.size());
  }
  if (!options.earlier.empty()) {
    // This build with its quarantine off does what the earlier one did: the two race like for like.
    const Contestant& now = dry_run ? all[2] : all[4];
    const Contestant& then = all[dry_run ? 4 : 5];
    const double best_now = best(now, mix).seconds, best_then = best(then, mix).seconds;
    if (best_then > 0)
      std::printf("%-24s %s / earlier build: %.2fx (best rounds), %.2fx (median over %zu rounds)\n", "",
                  now.name.c_str(), best_now / best_then, median_ratio(now, then), now.rounds.size());
  }
  if (mailfilter.empty() && !left_out(options, "mailfilter")) std::printf("%-24s not installed (Debian package mailfilter)\n", "mailfilter");
  if (mpop.empty() && !left_out(options, "mpop")) std::printf("%-24s not installed (Debian package mpop)\n", "mpop --filter");
}

// Peak memory of quarantining one large message: halvex --once over a mailbox holding one
// spam message of kLargeBytes, with quarantine on (the message is retrieved and kept) and off
// (only its header is read), each run's peak resident memory from the kernel.
constexpr size_t kLargeBytes = 10u << 20;

std::string large_message() {
  std::string m = "From: Deals <deals@spam.example>\nTo: Me <me@home.example>\nSubject: large\n"
                  "Message-ID: <large.bench@home.example>\n\n";
  const std::string line = std::string(76, 'x') + "\n";
  while (m.size() + line.size() <= kLargeBytes) m += line;
  m += std::string(kLargeBytes - m.size() - 1, 'y') + "\n";
  return m;
}

// The size of the one copy the quarantine kept, or 0.
std::uintmax_t kept_copy_bytes(const std::filesystem::path& dir) {
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(mail_folders(dir), ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    if (it->is_regular_file() && it->path().extension() == ".eml") return it->file_size();
  return 0;
}

void memory_job(const Options& options, DovecotHarness& dovecot, const std::filesystem::path& dir) {
  const Route route{std::nullopt, dovecot.port()};
  const std::string message = large_message();
  // The cap well above the message, so the whole of it is kept.
  const std::string cap = "quarantine_max_bytes=" + std::to_string(4 * kLargeBytes) + "\n";
  std::printf("\n== one %.0f MB spam message, Dovecot on loopback: peak memory of halvex --once\n",
              kLargeBytes / 1048576.0);
  Result off, on;
  for (const bool quarantine : {false, true}) {
    Maildir& box = dovecot.maildir();
    box.clear();
    box.add_all({message});
    Result r = run_halvex(options.halvex, dovecot, route, dir, {.quarantine = quarantine, .options = cap});
    r.left = left_on_server(dovecot, 0);
    const std::uintmax_t kept = kept_copy_bytes(dir);
    std::printf("%-24s %8.3f s  peak %6.1f MB  %s\n", quarantine ? "quarantine on" : "quarantine off", r.seconds,
                r.max_rss_kb / 1024.0,
                r.left != 0 ? "WRONG: the message is still there"
                : quarantine && kept < kLargeBytes ? "WRONG: no whole copy kept"
                                                  : (quarantine ? "copy kept, message deleted" : "message deleted"));
    (quarantine ? on : off) = r;
  }
  const double raise_mb = (on.max_rss_kb - off.max_rss_kb) / 1024.0;
  std::printf("%-24s %+.1f MB = %.2fx the message; goal <= about 3x\n", "quarantine raises peak by", raise_mb,
              raise_mb * 1048576.0 / static_cast<double>(kLargeBytes));
}

// Where the server keeps its mailbox: in memory (/dev/shm) when there is one. A real server's
// disk is not its client's; sharing one, the refills and deletions of the mailbox between runs
// would also slow the clients' own file work (ext4 scans past inodes freed moments ago before
// it hands out a new one).
std::string server_folder_base() {
  std::error_code ec;
  return std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "";
}

// Where the clients' files go (halvex's home and quarantine among them): the user's data folder,
// where an installed halvex keeps its quarantine, so the copies meet the disk a user's would.
// Falls back to $TMPDIR or /tmp when that folder cannot be made.
std::string client_folder_base() {
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  return !base.isEmpty() && QDir().mkpath(base) ? base.toStdString() : "";
}

// Microseconds one new file takes in `dir` (made, closed, kept till the bench ends): each kept
// copy is one, so a disk slow at this makes the quarantine slow whatever halvex does.
double file_create_micros(const std::filesystem::path& dir) {
  constexpr int kFiles = 100;
  const std::filesystem::path probe = dir / "probe";
  std::filesystem::create_directories(probe);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kFiles; ++i) {
    const int fd = ::open((probe / std::to_string(i)).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) ::close(fd);
  }
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / kFiles;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Options options = parse(argc, argv);
    DovecotHarness dovecot({.folder_base = server_folder_base()});
    TempDir dir("halvex-bench-", client_folder_base());
    std::printf("filter job: %d messages; Dovecot on %s; %d round(s), each running every contestant\n"
                "once in turn; best round shown, and the median of round-by-round ratios\n"
                "server's mailbox in %s; the clients' files in %s\n"
                "a new file there takes %.0f us (a filesystem that freed many files within the last\n"
                "minute can take ten times longer: ext4 passes over their inodes)\n",
                kMessages, dovecot.address().c_str(), options.rounds, dovecot.folder().c_str(), dir.path().c_str(),
                file_create_micros(dir.path()));
    std::vector<std::optional<int>> rtts;
    if (options.rtts.empty()) rtts.push_back(std::nullopt);
    for (int ms : options.rtts) rtts.push_back(ms);
    for (const std::optional<int>& rtt : rtts) {
      std::unique_ptr<bench::DelayProxy> proxy;
      Route route{rtt, dovecot.port()};
      if (rtt) {
        proxy = std::make_unique<bench::DelayProxy>(dovecot.port(), std::chrono::milliseconds(*rtt));
        route.port = proxy->port();
      }
      for (int percent : options.spam_percents) {
        run_job(options, dovecot, route, Mix{percent / 10}, dir.path());
        std::fflush(stdout);
      }
    }
    if (options.rtts.empty()) memory_job(options, dovecot, dir.path());
    std::printf("\ncpu: user + system time of each process for the whole run; halvex waits block, so\n"
                "its cpu time is what judging and parsing cost, not the time spent waiting.\n");
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "filter_bench: %s\n", e.what());
    return 1;
  }
}
