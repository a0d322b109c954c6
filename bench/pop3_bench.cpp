// pop3_bench: times the synchronous POP3 client against the test Dovecot on loopback.
//
// It fills a private Dovecot with 1000 messages plus one of 20 MB and one of 40 MB, then
// measures in one run (best of --rounds):
//   - the round-trip floor: a raw client sends STAT, LIST and each "TOP n 0" and reads its reply;
//   - the header scan through IPOPMAIN: GetTotalOfMails, then GetMsgHeader and GetMsgSize for
//     each message (the same exchanges, plus the component's own work);
//   - the same scan over TLS ("pop3s://localhost:port", trusting the test authority), beside a
//     raw TLS client's floor, which shows how much of the TLS cost is the server's own;
//   - Retrieve of the 20 MB and the 40 MB message, and a raw RETR of each for reference (best of
//     at least 5 rounds: each takes well under a second).
// It prints messages per second, MB/s (MB = 2^20 bytes), scan/floor (target <= 1.5), TLS/plain
// scan time (target <= 1.3) and the 40 MB / 20 MB time (target <= 2.2). Exit status 0 when
// every target is met, 1 when one is missed or not measured, 2 when the bench could not run.
// Run it as root.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>

#include "net/dovecot_harness.h"
#include "net/raw_pop3_client.h"
#include "popmain_driver.h"
#include "tls_floor_client.h"

namespace {

using namespace halvex::testnet;
using halvex::bench::PopMainDriver;
using halvex::bench::TlsFloorClient;
using Clock = std::chrono::steady_clock;

constexpr double kMiB = 1024.0 * 1024.0;
constexpr std::int32_t kBigSizes[] = {20, 40};  // MB

struct Options {
    int messages = 1000;
    int rounds = 3;
    bool large = true;
};

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--messages" && i + 1 < argc) o.messages = std::atoi(argv[++i]);
        else if (a == "--rounds" && i + 1 < argc) o.rounds = std::atoi(argv[++i]);
        else if (a == "--no-large") o.large = false;
        else {
            std::printf("usage: pop3_bench [--messages N] [--rounds N] [--no-large]\n");
            return false;
        }
    }
    return o.messages > 0 && o.rounds > 0;
}

// A message of about `mib` MB: a short header and 76-character body lines.
std::string big_message(int mib) {
    std::string m = "From: Big Sender <big@example.com>\nTo: Test User <user@example.com>\nSubject: Big message of " +
                    std::to_string(mib) + " MB\n\n";
    const std::string line = std::string(75, 'B') + "\n";
    std::size_t target = static_cast<std::size_t>(mib) * 1024 * 1024;
    m.reserve(target + line.size());
    while (m.size() < target) m += line;
    return m;
}

// Best (shortest) time of `rounds` runs of `run`, in seconds; nullopt when a run failed.
std::optional<double> best_of(int rounds, const std::function<bool(double&)>& run) {
    std::optional<double> best;
    for (int r = 0; r < rounds; ++r) {
        double seconds = 0;
        if (!run(seconds)) return std::nullopt;
        if (!best || seconds < *best) best = seconds;
    }
    return best;
}

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::unique_ptr<RawPop3Client> raw_login(const DovecotHarness& d) {
    auto c = std::make_unique<RawPop3Client>(Family::v4, d.port(), std::chrono::seconds(60));
    if (!c->read_line() || c->command("USER " + d.user().name).value_or("").rfind("+OK", 0) != 0 ||
        c->command("PASS " + d.user().password).value_or("").rfind("+OK", 0) != 0)
        return nullptr;
    return c;
}

std::string subject_of(int n) { return "Subject: Test message " + std::to_string(n) + "\r\n"; }

bool raw_scan(const DovecotHarness& d, int messages, double& seconds) {
    auto c = raw_login(d);
    if (!c) return false;
    auto start = Clock::now();
    if (c->command("STAT").value_or("").rfind("+OK", 0) != 0 || !c->multi_line_command("LIST")) return false;
    for (int n = 1; n <= messages; ++n) {
        auto top = c->multi_line_command("TOP " + std::to_string(n) + " 0");
        if (!top || top->find(subject_of(n)) == std::string::npos) return false;
    }
    seconds = since(start);
    c->command("QUIT");
    return true;
}

bool tls_raw_scan(const DovecotHarness& d, int messages, double& seconds) {
    TlsFloorClient c(d.tls_port(), "localhost", d.certificates()->ca_file().string());
    if (!c.read_line() || c.command("USER " + d.user().name).value_or("").rfind("+OK", 0) != 0 ||
        c.command("PASS " + d.user().password).value_or("").rfind("+OK", 0) != 0)
        return false;
    auto start = Clock::now();
    if (c.command("STAT").value_or("").rfind("+OK", 0) != 0 || !c.multi_line_command("LIST")) return false;
    for (int n = 1; n <= messages; ++n) {
        auto top = c.multi_line_command("TOP " + std::to_string(n) + " 0");
        if (!top || top->find(subject_of(n)) == std::string::npos) return false;
    }
    seconds = since(start);
    c.command("QUIT");
    return true;
}

bool popmain_scan(const DovecotHarness& d, const std::string& server, int messages, double& seconds,
                  std::string& why) {
    PopMainDriver pop;
    if (!pop.connect(server, d.user().name, d.user().password)) return why = pop.why(), false;
    auto start = Clock::now();
    std::int32_t total = 0;
    if (!pop.total_of_mails(total) || total < messages) return why = pop.why() + " (total " + std::to_string(total) + ")", false;
    for (std::int32_t n = 1; n <= messages; ++n) {
        std::size_t length = 0;
        std::int32_t octets = 0;
        if (!pop.header(n, length, subject_of(n)) || !pop.size(n, octets)) return why = pop.why(), false;
    }
    seconds = since(start);
    pop.close();
    return true;
}

bool raw_retrieve(const DovecotHarness& d, int n, double& seconds, std::size_t& bytes) {
    auto c = raw_login(d);
    if (!c) return false;
    auto start = Clock::now();
    auto reply = c->multi_line_command("RETR " + std::to_string(n));
    seconds = since(start);
    if (!reply) return false;
    bytes = reply->size();
    c->command("QUIT");
    return true;
}

bool popmain_retrieve(const DovecotHarness& d, int n, double& seconds, std::size_t& length, std::string& why) {
    PopMainDriver pop;
    if (!pop.connect(d.address(), d.user().name, d.user().password)) return why = pop.why(), false;
    std::int32_t octets = 0;
    if (!pop.size(n, octets)) return why = pop.why(), false;  // STAT and LIST outside the timing
    auto start = Clock::now();
    bool ok = pop.retrieve(n, length);
    seconds = since(start);
    if (!ok) why = pop.why();
    pop.close();
    return ok;
}

const char* verdict(double value, double target) { return value <= target ? "met" : "MISSED"; }

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) return 2;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    try {
        DovecotOptions options;
        options.tls = true;
        options.ipv6 = true;  // "localhost" may resolve to ::1 first
        DovecotHarness dovecot(options);
        ::setenv("SSL_CERT_FILE", dovecot.certificates()->ca_file().c_str(), 1);
        for (int n = 1; n <= o.messages; ++n) dovecot.maildir().add(sample_message(static_cast<std::size_t>(n), 1500));
        if (o.large)
            for (int mib : kBigSizes) dovecot.maildir().add(big_message(mib));
        std::printf("pop3_bench: Dovecot on %s, %d messages of about 1.9 KB%s, best of %d rounds\n",
                    dovecot.address().c_str(), o.messages, o.large ? " + 20 MB + 40 MB" : "", o.rounds);
        double warm = 0;
        if (!raw_scan(dovecot, 1, warm)) {  // Dovecot indexes the new mail on the first session
            std::printf("the raw client could not talk to Dovecot\n");
            return 2;
        }

        auto floor = best_of(o.rounds, [&](double& s) { return raw_scan(dovecot, o.messages, s); });
        if (!floor) {
            std::printf("raw TOP floor failed\n");
            return 2;
        }
        std::printf("header scan, raw TOP floor : %d messages in %.3f s = %.0f messages/s\n", o.messages, *floor,
                    o.messages / *floor);

        std::string why;
        bool targets_met = true;
        auto scan = best_of(o.rounds, [&](double& s) { return popmain_scan(dovecot, dovecot.address(), o.messages, s, why); });
        if (!scan) {
            std::printf("header scan, POPMAIN       : not measured: %s\n", why.c_str());
            targets_met = false;
        } else {
            double ratio = *scan / *floor;
            std::printf("header scan, POPMAIN       : %d messages in %.3f s = %.0f messages/s\n", o.messages, *scan,
                        o.messages / *scan);
            std::printf("  scan / floor             : %.2f (target <= 1.5) %s\n", ratio, verdict(ratio, 1.5));
            targets_met = targets_met && ratio <= 1.5;
        }

        auto tls_floor = best_of(o.rounds, [&](double& s) { return tls_raw_scan(dovecot, o.messages, s); });
        if (tls_floor)
            std::printf("header scan, raw TLS floor : %d messages in %.3f s = %.0f messages/s (%.2f x plain floor)\n",
                        o.messages, *tls_floor, o.messages / *tls_floor, *tls_floor / *floor);
        const std::string tls_server = "pop3s://localhost:" + std::to_string(dovecot.tls_port());
        auto tls = best_of(o.rounds, [&](double& s) { return popmain_scan(dovecot, tls_server, o.messages, s, why); });
        if (!tls || !scan) {
            std::printf("header scan, POPMAIN TLS   : not measured: %s\n", tls ? "no plain scan" : why.c_str());
            targets_met = false;
        } else {
            double ratio = *tls / *scan;
            std::printf("header scan, POPMAIN TLS   : %d messages in %.3f s = %.0f messages/s\n", o.messages, *tls,
                        o.messages / *tls);
            std::printf("  TLS / plain              : %.2f (target <= 1.3) %s", ratio, verdict(ratio, 1.3));
            if (tls_floor) std::printf("; TLS scan / TLS floor %.2f", *tls / *tls_floor);
            std::printf("\n");
            targets_met = targets_met && ratio <= 1.3;
        }

        if (o.large) {
            // Each retrieve takes well under a second, so more rounds cost little and steady the ratio.
            const int rounds = std::max(o.rounds, 5);
            double times[2] = {0, 0}, raw_times[2] = {0, 0};
            bool measured = true;
            for (int i = 0; i < 2; ++i) {
                int n = o.messages + 1 + i;
                std::size_t bytes = 0, length = 0;
                auto raw = best_of(rounds, [&](double& s) { return raw_retrieve(dovecot, n, s, bytes); });
                if (raw) raw_times[i] = *raw;
                if (raw)
                    std::printf("retrieve %d MB, raw RETR   : %.3f s = %.0f MB/s\n", kBigSizes[i], *raw,
                                bytes / kMiB / *raw);
                auto pop = best_of(rounds, [&](double& s) { return popmain_retrieve(dovecot, n, s, length, why); });
                if (!pop) {
                    std::printf("retrieve %d MB, POPMAIN    : not measured: %s\n", kBigSizes[i], why.c_str());
                    measured = false;
                    continue;
                }
                times[i] = *pop;
                std::printf("retrieve %d MB, POPMAIN    : %.3f s = %.0f MB/s (%zu characters)\n", kBigSizes[i], *pop,
                            length / kMiB / *pop, length);
            }
            if (measured) {
                double ratio = times[1] / times[0];
                std::printf("  40 MB / 20 MB time       : %.2f (target <= 2.2) %s; raw RETR %.2f\n", ratio,
                            verdict(ratio, 2.2), raw_times[0] > 0 ? raw_times[1] / raw_times[0] : 0.0);
                targets_met = targets_met && ratio <= 2.2;
            } else {
                targets_met = false;
            }
        }
        return targets_met ? 0 : 1;
    } catch (const std::exception& e) {
        std::printf("pop3_bench could not run: %s\n", e.what());
        return 2;
    }
}
