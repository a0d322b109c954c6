// A temporary application folder and byte-level file helpers for the account tests.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace halvex::test {

// While alive, no file of this process may grow past `bytes`: writes beyond fail
// with EFBIG (the signal that would end the process is ignored meanwhile).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : old_handler_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit small = old_;
    small.rlim_cur = bytes;
    active_ = setrlimit(RLIMIT_FSIZE, &small) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool active() const { return active_; }

 private:
  void (*old_handler_)(int);
  rlimit old_{};
  bool active_ = false;
};

class AccountFolder : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(tmp_.isValid()); }

  // The application folder, with its trailing "/".
  QString folder() const { return tmp_.path() + u'/'; }
  QString path(const QString& file) const { return folder() + file; }

  void write(const QString& file, const QByteArray& bytes) const {
    QFile f(path(file));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
  }

  QByteArray read(const QString& file) const {
    QFile f(path(file));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QStringList files() const {
    return QDir(folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                    QDir::Name);
  }

 private:
  QTemporaryDir tmp_;
};

}  // namespace halvex::test
