#include "argument_text.h"

#include "text_decode.h"

#include <QLatin1StringView>

namespace halvex::alert {

QString join_arguments(int argc, const char* const* argv) {
  QString text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += QLatin1Char(' ');
    text += decode_text(QByteArrayView(argv[i]));
  }
  return text;
}

std::optional<AlertFields> split_argument_text(const QString& text) {
  const QLatin1StringView first(sender_marker);
  const QLatin1StringView second(subject_marker);
  const qsizetype p1 = text.indexOf(first);
  const qsizetype p2 = text.indexOf(second);
  if (p1 < 0 || p2 < 0 || p2 < p1 + first.size()) return std::nullopt;
  const qsizetype account_start = p1 + first.size();
  return AlertFields{text.left(p1), text.mid(account_start, p2 - account_start),
                     text.mid(p2 + second.size())};
}

}  // namespace halvex::alert
