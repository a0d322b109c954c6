// What may go into the account dialog's text boxes.
//
// The account file stores strings between double quotes with no escape, so a double
// quote can never be part of a stored value. The four phrase entry boxes (From,
// Subject, To, Alerts) drop the double quote and the comma as they are typed and take
// Enter as their group's "Add"; pasted text is not filtered there, and the quote is
// dropped when the phrase is added instead. The account's own boxes (description,
// server, user id, password) and the alert target drop the double quote whether it
// is typed or pasted.
#pragma once

#include <QObject>
#include <QValidator>
#include <functional>

class QLineEdit;

namespace halvex {

// The character code a phrase box keeps for a typed code: 0 (dropped) for the double
// quote (34) and the comma (44), the code itself otherwise.
int key_filter(int k);

// `text` without its double quotes.
QString drop_double_quotes(QString text);

// A validator that removes every double quote from the box's text.
class QuoteDropValidator : public QValidator {
  Q_OBJECT

 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override;
};

// Installed on a phrase entry box: filters typed characters through key_filter and
// calls `on_enter` for Enter instead of letting it reach the box or the dialog.
class PhraseKeyFilter : public QObject {
  Q_OBJECT

 public:
  PhraseKeyFilter(QLineEdit* box, std::function<void()> on_enter);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit* box_;
  std::function<void()> on_enter_;
};

}  // namespace halvex
