#include "deletion_journal.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace halvex {

namespace {

bool write_all(int fd, const QByteArray& bytes) {
  const char* p = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= n;
  }
  return true;
}

// Reads the lines of one journal file into the deletions and the forgotten ids.
void read_file(const QString& path, QList<DeletionRecord>& deletions, QSet<QString>& forgotten) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return;
  while (!file.atEnd()) {
    QByteArray line = file.readLine();
    if (line.endsWith('\n')) line.chop(1);
    const JournalLine parsed = parse_journal_line(QString::fromUtf8(line));
    if (parsed.deletion) deletions.append(*parsed.deletion);
    if (parsed.forget) forgotten.insert(parsed.forget->id);
  }
}

}  // namespace

DeletionJournal::DeletionJournal(QString folder, qint64 rotate_bytes)
    : folder_(std::move(folder)), rotate_bytes_(rotate_bytes) {
  if (!folder_.isEmpty() && !folder_.endsWith(QLatin1Char('/'))) folder_ += QLatin1Char('/');
}

QString DeletionJournal::path() const { return folder_ + kJournalFileName; }
QString DeletionJournal::rotated_path() const { return path() + QStringLiteral(".1"); }

bool DeletionJournal::append(const DeletionRecord& record) { return append_line(journal_line(record)); }
bool DeletionJournal::append(const ForgetRecord& record) { return append_line(journal_line(record)); }

bool DeletionJournal::append_all(const QList<DeletionRecord>& records) {
  if (records.isEmpty()) return true;
  QStringList lines;
  for (const DeletionRecord& r : records) lines.append(journal_line(r));
  return append_lines(lines);
}

bool DeletionJournal::append_line(const QString& line) { return append_lines({line}); }

bool DeletionJournal::append_lines(const QStringList& lines) {
  const QByteArray file = QFile::encodeName(path());
  struct stat st {};
  if (::stat(file.constData(), &st) == 0 && st.st_size >= rotate_bytes_)
    ::rename(file.constData(), QFile::encodeName(rotated_path()).constData());
  const int fd = ::open(file.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::fchmod(fd, 0600);  // a file made by other means is narrowed to its owner too
  QByteArray bytes;
  for (const QString& line : lines) bytes += line.toUtf8() + '\n';
  const bool ok = write_all(fd, bytes) && ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

QList<DeletionRecord> DeletionJournal::records() const {
  QList<DeletionRecord> all;
  QSet<QString> forgotten;
  read_file(rotated_path(), all, forgotten);
  read_file(path(), all, forgotten);
  QList<DeletionRecord> out;
  QSet<QString> seen;
  for (auto it = all.crbegin(); it != all.crend(); ++it) {
    if (forgotten.contains(it->id) || seen.contains(it->id)) continue;
    seen.insert(it->id);
    out.append(*it);
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const DeletionRecord& a, const DeletionRecord& b) { return a.time > b.time; });
  return out;
}

std::optional<DeletionRecord> DeletionJournal::find(const QString& id) const {
  for (const DeletionRecord& r : records())
    if (r.id == id) return r;
  return std::nullopt;
}

}  // namespace halvex
