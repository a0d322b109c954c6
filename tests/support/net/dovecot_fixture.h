// GoogleTest access to the test Dovecot: one instance per test binary (per process), started
// on first use and stopped at exit, shared by every suite that derives from DovecotTest.
// A Dovecot that cannot start fails each test that needs it, with Dovecot's log: never a skip.
//
//   class MyTest : public halvex::testnet::DovecotTest {};
//   TEST_F(MyTest, Login) { dovecot().maildir().add(sample_message(1)); ... dovecot().port() ... }
//
// The shared instance listens on 127.0.0.1 and ::1, plain and TLS (certificate for
// "localhost"). Every test starts with empty mailboxes. Suites that need other options build
// their own DovecotHarness, e.g. in SetUpTestSuite.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "net/dovecot_harness.h"

namespace halvex::testnet {

struct SharedDovecot {
    std::unique_ptr<DovecotHarness> harness;
    std::string error;  // why it could not start
};

// The process's shared instance; the first call starts it.
inline SharedDovecot& shared_dovecot() {
    static SharedDovecot shared = [] {
        SharedDovecot s;
        try {
            DovecotOptions options;
            options.tls = true;
            options.plain_stls = false;  // plain stays plain: no STARTTLS upgrade on the plain port
            options.ipv6 = true;
            s.harness = std::make_unique<DovecotHarness>(options);
        } catch (const std::exception& e) {
            s.error = e.what();
        }
        return s;
    }();
    return shared;
}

// For a binary that wants Dovecot up before its first test:
//   ::testing::AddGlobalTestEnvironment(new halvex::testnet::DovecotEnvironment);
// A start failure then fails the whole run at once.
class DovecotEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!shared_dovecot().harness) GTEST_FAIL() << "the test Dovecot did not start: " << shared_dovecot().error;
    }
};

class DovecotTest : public ::testing::Test {
protected:
    void SetUp() override {
        SharedDovecot& shared = shared_dovecot();
        if (!shared.harness) GTEST_FAIL() << "the test Dovecot did not start: " << shared.error;
        if (!shared.harness->running()) {
            try {
                shared.harness->start();  // a test stopped it
            } catch (const std::exception& e) {
                GTEST_FAIL() << "the test Dovecot did not restart: " << e.what();
            }
        }
        shared.harness->clear_all_mail();
    }

    DovecotHarness& dovecot() { return *shared_dovecot().harness; }
};

}  // namespace halvex::testnet
