#include "frm_alertconfig.h"

#include "entry_filters.h"
#include "frm_getfile.h"
#include "message.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace halvex {

namespace {

const QString kExplanation = QStringLiteral(
    "When you recieve an email that contains the following phrase anywhere in the from, "
    "to, subject headers:");

const QString kQuoteInPath = QStringLiteral(
    "The chosen file's path holds a double quote (\"), which cannot be stored with the "
    "account.\r\rPlease rename the file or choose another one.");

}  // namespace

frm_alertconfig::frm_alertconfig(AlertRule& alert, QWidget* parent)
    : QDialog(parent), alert_(alert) {
  setObjectName(QStringLiteral("frm_alertconfig"));
  setWindowTitle(QStringLiteral("Email Alert Settings"));
  setModal(true);

  Label1 = new QLabel(kExplanation, this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setWordWrap(true);
  Label2 = new QLabel(alert.phrase, this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setTextFormat(Qt::PlainText);
  Label2->setWordWrap(true);
  QFont bold = Label2->font();
  bold.setBold(true);
  Label2->setFont(bold);
  Label2->setIndent(16);
  Option1 = new QRadioButton(QStringLiteral("Display an alert box on your desktop."), this);
  Option1->setObjectName(QStringLiteral("Option1"));
  Option2 = new QRadioButton(QStringLiteral("Execute a file or link from your computer."), this);
  Option2->setObjectName(QStringLiteral("Option2"));
  Label3 = new QLabel(
      QStringLiteral("Type in an internet url (http://) or click on the file button."), this);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->setWordWrap(true);
  Text1 = new QLineEdit(this);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setValidator(new QuoteDropValidator(Text1));
  Text1->setMinimumWidth(320);
  Command1 = new QPushButton(QStringLiteral("..."), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setAutoDefault(false);
  Command1->setFixedWidth(Command1->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
  Check1 = new QCheckBox(
      QStringLiteral("Check this box to delete the email once the alert has been processed."),
      this);
  Check1->setObjectName(QStringLiteral("Check1"));
  Command2 = new QPushButton(QStringLiteral("&Ok"), this);
  Command2->setObjectName(QStringLiteral("Command2"));
  Command2->setDefault(true);

  auto* target_row = new QHBoxLayout;
  target_row->addWidget(Text1, 1);
  target_row->addWidget(Command1);
  auto* ok_row = new QHBoxLayout;
  ok_row->addStretch();
  ok_row->addWidget(Command2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(Label2);
  layout->addSpacing(6);
  layout->addWidget(Option1);
  layout->addWidget(Option2);
  layout->addWidget(Label3);
  layout->addLayout(target_row);
  layout->addSpacing(6);
  layout->addWidget(Check1);
  layout->addLayout(ok_row);

  connect(Option1, &QRadioButton::toggled, this, [this](bool on) { enable_target(!on); });
  connect(Command1, &QPushButton::clicked, this, &frm_alertconfig::choose_file);
  connect(Command2, &QPushButton::clicked, this, &frm_alertconfig::write_back);

  // Opening: the option first, so its effect on the target box is applied either way.
  (alert.action != 0 ? Option2 : Option1)->setChecked(true);
  enable_target(alert.action != 0);
  Text1->setText(alert.target);
  Check1->setChecked(alert.delete_after == u"yes");
}

void frm_alertconfig::enable_target(bool enable) {
  Text1->setEnabled(enable);
  Command1->setEnabled(enable);
}

void frm_alertconfig::choose_file() {
  const QString path =
      run_file_picker(QStringLiteral("Select a file to execute for email alert."), this);
  if (path == u"EXIT") return;
  if (path.contains(u'"')) {
    show_message(kQuoteInPath, this);
    return;
  }
  Text1->setText(path);
}

void frm_alertconfig::write_back() {
  alert_.action = Option1->isChecked() ? 0 : 1;
  alert_.target = Text1->text().trimmed();
  if (alert_.target.isEmpty()) alert_.action = 0;
  alert_.delete_after = Check1->isChecked() ? QStringLiteral("yes") : QString();
  accept();
}

}  // namespace halvex
