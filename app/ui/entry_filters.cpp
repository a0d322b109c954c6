#include "entry_filters.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace halvex {

int key_filter(int k) { return k == 34 || k == 44 ? 0 : k; }

QString drop_double_quotes(QString text) {
  text.remove(u'"');
  return text;
}

QValidator::State QuoteDropValidator::validate(QString& input, int& pos) const {
  const QString before_cursor = drop_double_quotes(input.left(pos));
  input = drop_double_quotes(input);
  pos = static_cast<int>(before_cursor.size());
  return Acceptable;
}

PhraseKeyFilter::PhraseKeyFilter(QLineEdit* box, std::function<void()> on_enter)
    : QObject(box), box_(box), on_enter_(std::move(on_enter)) {
  box->installEventFilter(this);
}

bool PhraseKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (watched != box_ || event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
    on_enter_();
    return true;
  }
  const QString typed = key->text();
  if (typed.isEmpty()) return false;
  QString kept;
  for (QChar c : typed)
    if (key_filter(c.unicode()) != 0) kept.append(c);
  if (kept == typed) return false;
  if (!kept.isEmpty()) box_->insert(kept);
  return true;
}

}  // namespace halvex
