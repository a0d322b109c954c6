// halvex run as a process against the real test Dovecot: the account files in a temporary
// application folder, the settings in a temporary config folder, the status lines printed.
#pragma once

#include "accounts/account_file.h"
#include "accounts/account_record.h"

#include "net/dovecot_fixture.h"

#include "cycle_rig.h"
#include "once_environment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include "qt_print.h"

#include <gtest/gtest.h>

namespace halvex {

inline std::string mail(const std::string& from, const std::string& subject, size_t body_bytes = 200) {
  return "From: " + from + "\r\nTo: Me <me@home.example>\r\nSubject: " + subject +
         "\r\nMessage-ID: <" + std::to_string(std::hash<std::string>{}(from + subject)) +
         "@test>\r\n\r\n" + std::string(body_bytes, 'b') + "\r\n";
}

struct OnceRun {
  int exit_code = -1;
  QStringList lines;  // printed status lines without their time
  QString output;     // standard output as printed
  QString errors;
};

class OnceDovecotTest : public testnet::DovecotTest {
protected:
  void SetUp() override {
    REQUIRE_POPMAIN_EVENTS();
    testnet::DovecotTest::SetUp();
    ASSERT_TRUE(home.isValid());
    ASSERT_TRUE(QDir().mkpath(app_folder()));
    QSettings store(home.filePath("config/Tarnell Halvex.ini"), QSettings::IniFormat);
    store.beginGroup("Options");
    store.setValue("server_timeout", "30");
    store.setValue("filter_minutes", "5");
  }

  QString app_folder() const { return home.filePath("halvex") + '/'; }

  AccountRecord account(const QString& description = "home") {
    AccountRecord r;
    r.description = description;
    r.server = QString::fromStdString(dovecot().address());
    r.user_id = QString::fromStdString(dovecot().user().name);
    r.password = QString::fromStdString(dovecot().user().password);
    return r;
  }
  void save(const AccountRecord& r) { ASSERT_TRUE(save_account(app_folder(), r.description, r)); }

  // Starts halvex with `arguments` in this test's folders; finish() waits for it.
  void start(QProcess& process, const QStringList& arguments, const QProcessEnvironment& extra = {}) {
    process.setProcessEnvironment(once_environment(app_folder(), home.path(), extra));
    process.start(QStringLiteral(HALVEX_PROGRAM), arguments);
  }

  OnceRun finish(QProcess& process) {
    OnceRun result;
    if (!process.waitForFinished(60000)) {
      process.kill();
      process.waitForFinished();
      return result;
    }
    result.exit_code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromUtf8(process.readAllStandardOutput());
    for (const QString& line : result.output.split('\n', Qt::SkipEmptyParts))
      result.lines.append(line.mid(11));
    result.errors = QString::fromUtf8(process.readAllStandardError());
    return result;
  }

  OnceRun run(const QStringList& arguments, const QProcessEnvironment& extra = {}) {
    QProcess process;
    start(process, arguments, extra);
    return finish(process);
  }

  std::vector<std::string> subjects_left() {
    std::vector<std::string> left;
    for (const std::string& m : dovecot().maildir().messages()) {
      const size_t at = m.find("Subject: ");
      left.push_back(at == std::string::npos ? "" : m.substr(at + 9, m.find('\r', at) - at - 9));
    }
    return left;
  }

  QTemporaryDir home;
};

}  // namespace halvex
