// A desktop opener of the test's own: an "xdg-open" first on PATH that notes each target it
// is given and ends with a chosen status, or keeps running for a while as an opener does
// while it waits on the program it started. Tests see what would have been opened and how
// the opener's verdict is read; nothing real is ever opened. PATH is restored at the end.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace halvex::test {

class FakeOpener {
 public:
  // linger_seconds > 0: the opener sleeps that long before it ends.
  explicit FakeOpener(int exit_code, int linger_seconds = 0) : old_path_(qgetenv("PATH")) {
    const QByteArray log = QFile::encodeName(log_path());
    QByteArray script = "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + log + "'\n";
    if (linger_seconds > 0) script += "sleep " + QByteArray::number(linger_seconds) + "\n";
    script += "exit " + QByteArray::number(exit_code) + "\n";
    QFile file(dir_.filePath(QStringLiteral("xdg-open")));
    if (file.open(QIODevice::WriteOnly)) file.write(script);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", QFile::encodeName(dir_.path()) + ":" + old_path_);
  }
  ~FakeOpener() { qputenv("PATH", old_path_); }
  FakeOpener(const FakeOpener&) = delete;
  FakeOpener& operator=(const FakeOpener&) = delete;

  // The targets given to the opener, in order.
  QStringList opened() const {
    QFile file(log_path());
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
  }

 private:
  QString log_path() const { return dir_.filePath(QStringLiteral("opened.log")); }

  QTemporaryDir dir_;
  QByteArray old_path_;
};

// No opener at all: PATH holds only an empty folder while it lives.
class NoOpener {
 public:
  NoOpener() : old_path_(qgetenv("PATH")) { qputenv("PATH", QFile::encodeName(dir_.path())); }
  ~NoOpener() { qputenv("PATH", old_path_); }

 private:
  QTemporaryDir dir_;
  QByteArray old_path_;
};

}  // namespace halvex::test
