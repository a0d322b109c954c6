#include "journal_format.h"

namespace halvex {

namespace {

const QString kDeletion = QStringLiteral("D");
const QString kForget = QStringLiteral("F");
constexpr qsizetype kDeletionFields = 16;
constexpr qsizetype kForgetFields = 4;

QString time_text(const QDateTime& t) { return t.toUTC().toString(Qt::ISODate); }
QDateTime time_of(const QString& text) {
  QDateTime t = QDateTime::fromString(text, Qt::ISODate);
  return t.isValid() ? t.toUTC() : QDateTime();
}

QString join(const QStringList& fields) {
  QStringList escaped;
  escaped.reserve(fields.size());
  for (const QString& f : fields) escaped.append(escape_journal_field(f));
  return escaped.join(QLatin1Char('\t'));
}

}  // namespace

QString escape_journal_field(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    switch (c.unicode()) {
      case u'\\': out += QStringLiteral("\\\\"); break;
      case u'\t': out += QStringLiteral("\\t"); break;
      case u'\n': out += QStringLiteral("\\n"); break;
      case u'\r': out += QStringLiteral("\\r"); break;
      default: out += c;
    }
  }
  return out;
}

QString unescape_journal_field(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c != QLatin1Char('\\') || i + 1 == text.size()) {
      out += c;
      continue;
    }
    switch (text.at(++i).unicode()) {
      case u't': out += QLatin1Char('\t'); break;
      case u'n': out += QLatin1Char('\n'); break;
      case u'r': out += QLatin1Char('\r'); break;
      case u'\\': out += QLatin1Char('\\'); break;
      default: out += c; out += text.at(i);  // not an escape of ours: kept as it stands
    }
  }
  return out;
}

QString journal_line(const DeletionRecord& r) {
  return join({kDeletion, r.id, time_text(r.time), r.account, QString::number(r.message_number), r.uidl,
               r.message_id, r.sender, r.subject, QString::number(r.size), r.rule, r.list, r.phrase, r.field,
               r.reason, r.copy});
}

QString journal_line(const ForgetRecord& r) { return join({kForget, r.id, time_text(r.time), r.why}); }

JournalLine parse_journal_line(const QString& line) {
  QStringList f = line.split(QLatin1Char('\t'));
  for (QString& field : f) field = unescape_journal_field(field);
  JournalLine out;
  if (f.size() >= kDeletionFields && f.at(0) == kDeletion && !f.at(1).isEmpty()) {
    DeletionRecord r;
    r.id = f.at(1);
    r.time = time_of(f.at(2));
    r.account = f.at(3);
    r.message_number = f.at(4).toInt();
    r.uidl = f.at(5);
    r.message_id = f.at(6);
    r.sender = f.at(7);
    r.subject = f.at(8);
    r.size = f.at(9).toLongLong();
    r.rule = f.at(10);
    r.list = f.at(11);
    r.phrase = f.at(12);
    r.field = f.at(13);
    r.reason = f.at(14);
    r.copy = f.at(15);
    out.deletion = std::move(r);
  } else if (f.size() >= kForgetFields && f.at(0) == kForget && !f.at(1).isEmpty()) {
    out.forget = ForgetRecord{f.at(1), time_of(f.at(2)), f.at(3)};
  }
  return out;
}

}  // namespace halvex
