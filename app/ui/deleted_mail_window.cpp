#include "deleted_mail_window.h"

#include "message.h"
#include "rule_change.h"
#include "shell_open.h"

#include "engine/one_line_text.h"
#include "quarantine/quarantine.h"
#include "quarantine/restore_copy.h"

#include "accounts/account_file.h"
#include "accounts/settings.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace halvex {

namespace {

const QString kTitle = QStringLiteral("Deleted Mail");
const QString kAllAccounts = QStringLiteral("All accounts");
constexpr int kRecordRole = Qt::UserRole + 1;  // index into records_
constexpr int kSortRole = Qt::UserRole + 2;

// Rows that hold the search text in any column and belong to the chosen account.
class DeletedMailFilter : public QSortFilterProxyModel {
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;
  void set_filter(const QString& text, const QString& account) {
    text_ = text;
    account_ = account;
    invalidateFilter();
  }

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    const QAbstractItemModel* m = sourceModel();
    if (!account_.isEmpty() && m->index(row, kColAccount, parent).data(kSortRole).toString() != account_) return false;
    if (text_.isEmpty()) return true;
    for (int c = 0; c < kColCount; ++c)
      if (m->index(row, c, parent).data().toString().contains(text_, Qt::CaseInsensitive)) return true;
    return false;
  }

 private:
  QString text_;
  QString account_;
};

QStandardItem* cell(const QString& shown, const QVariant& sort_key) {
  auto* item = new QStandardItem(shown);
  item->setEditable(false);
  item->setData(sort_key, kSortRole);
  return item;
}

QString reason_shown(const DeletionRecord& r) {
  QString text = one_line_text(r.reason);
  if (r.copy == kCopyHeaderOnly) text += QStringLiteral(" (header only kept)");
  if (r.copy == kCopyNotKept) text += QStringLiteral(" (no copy kept)");
  return text;
}

bool ask(QWidget* parent, const QString& text) {
  return QMessageBox::question(parent, kTitle, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
         QMessageBox::Yes;
}

}  // namespace

DeletedMailWindow::DeletedMailWindow(const QString& folder, QWidget* parent)
    : QDialog(parent), folder_(folder),
      quarantine_(std::make_unique<Quarantine>(load_quarantine_settings(), folder)) {
  setObjectName(QStringLiteral("deleted_mail_window"));
  setWindowTitle(kTitle);
  choose_save_path = [this](const QString& suggested, bool to_folder) {
    if (to_folder)
      return QFileDialog::getExistingDirectory(this, QStringLiteral("Save Copies In"), QDir::homePath());
    return QFileDialog::getSaveFileName(this, QStringLiteral("Save As"), QDir::home().filePath(suggested),
                                        QStringLiteral("E-mail files (*.eml);;All files (*)"));
  };
  open_file = [](const QString& path) { return shell_open(path); };
  build();
  reload();
}

DeletedMailWindow::~DeletedMailWindow() = default;

void DeletedMailWindow::build() {
  search = new QLineEdit(this);
  search->setObjectName(QStringLiteral("search"));
  search->setPlaceholderText(QStringLiteral("Sender, subject or reason"));
  search->setClearButtonEnabled(true);
  auto* search_label = new QLabel(QStringLiteral("&Search:"), this);
  search_label->setBuddy(search);
  account_filter = new QComboBox(this);
  account_filter->setObjectName(QStringLiteral("account_filter"));
  auto* account_label = new QLabel(QStringLiteral("A&ccount:"), this);
  account_label->setBuddy(account_filter);

  model_ = new QStandardItemModel(0, kColCount, this);
  model_->setHorizontalHeaderLabels({QStringLiteral("Date"), QStringLiteral("Account"), QStringLiteral("Sender"),
                                     QStringLiteral("Subject"), QStringLiteral("Size"), QStringLiteral("Reason")});
  auto* filter = new DeletedMailFilter(this);
  proxy_ = filter;
  proxy_->setSourceModel(model_);
  proxy_->setSortRole(kSortRole);
  table = new QTableView(this);
  table->setObjectName(QStringLiteral("table"));
  table->setModel(proxy_);
  table->setSortingEnabled(true);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table->setTabKeyNavigation(false);
  table->verticalHeader()->hide();
  table->horizontalHeader()->setStretchLastSection(true);
  table->setWordWrap(false);
  table->installEventFilter(this);

  open_button = new QPushButton(QStringLiteral("&Open"), this);
  save_button = new QPushButton(QStringLiteral("Save &As..."), this);
  forget_button = new QPushButton(QStringLiteral("&Delete for Good"), this);
  stop_rule_button = new QPushButton(QStringLiteral("S&top Deleting Mail Like This"), this);
  close_button = new QPushButton(QStringLiteral("C&lose"), this);
  for (QPushButton* b : {open_button, save_button, forget_button, stop_rule_button, close_button})
    b->setAutoDefault(false);

  auto* top = new QHBoxLayout;
  top->addWidget(search_label);
  top->addWidget(search, 1);
  top->addWidget(account_label);
  top->addWidget(account_filter);
  auto* actions = new QHBoxLayout;
  for (QPushButton* b : {open_button, save_button, forget_button, stop_rule_button}) actions->addWidget(b);
  actions->addStretch(1);
  actions->addWidget(close_button);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(table, 1);
  layout->addLayout(actions);
  resize(900, 420);

  auto refilter = [this, filter] {
    const QString account = account_filter->currentIndex() > 0 ? account_filter->currentText() : QString();
    filter->set_filter(search->text(), account);
    update_buttons();
  };
  connect(search, &QLineEdit::textChanged, this, refilter);
  connect(account_filter, &QComboBox::currentIndexChanged, this, refilter);
  connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this, &DeletedMailWindow::update_buttons);
  connect(table, &QTableView::doubleClicked, this, &DeletedMailWindow::open_selected);
  connect(open_button, &QPushButton::clicked, this, &DeletedMailWindow::open_selected);
  connect(save_button, &QPushButton::clicked, this, &DeletedMailWindow::save_selected);
  connect(forget_button, &QPushButton::clicked, this, &DeletedMailWindow::forget_selected);
  connect(stop_rule_button, &QPushButton::clicked, this, &DeletedMailWindow::stop_rule_selected);
  connect(close_button, &QPushButton::clicked, this, &QDialog::close);
}

void DeletedMailWindow::reload() {
  records_ = quarantine_->journal().records();
  model_->removeRows(0, model_->rowCount());
  const QLocale locale;
  for (int i = 0; i < records_.size(); ++i) {
    const DeletionRecord& r = records_.at(i);
    QList<QStandardItem*> row{
        cell(locale.toString(r.time.toLocalTime(), QLocale::ShortFormat), r.time),
        cell(one_line_text(r.account), r.account),
        cell(one_line_text(r.sender), r.sender.toLower()),
        cell(one_line_text(r.subject), r.subject.toLower()),
        cell(locale.formattedDataSize(r.size), r.size),
        cell(reason_shown(r), r.reason),
    };
    row.front()->setData(i, kRecordRole);
    model_->appendRow(row);
  }
  fill_accounts();
  table->sortByColumn(kColDate, Qt::DescendingOrder);
  table->resizeColumnsToContents();
  if (proxy_->rowCount() > 0 && !table->currentIndex().isValid())
    table->setCurrentIndex(proxy_->index(0, 0));
  update_buttons();
}

void DeletedMailWindow::fill_accounts() {
  const QString chosen = account_filter->currentIndex() > 0 ? account_filter->currentText() : QString();
  QStringList accounts;
  for (const DeletionRecord& r : records_)
    if (!accounts.contains(r.account)) accounts.append(r.account);
  accounts.sort(Qt::CaseInsensitive);
  const QSignalBlocker block(account_filter);
  account_filter->clear();
  account_filter->addItem(kAllAccounts);
  account_filter->addItems(accounts);
  account_filter->setCurrentIndex(std::max(0, static_cast<int>(accounts.indexOf(chosen)) + 1));
}

int DeletedMailWindow::shown_rows() const { return proxy_->rowCount(); }

QList<DeletionRecord> DeletedMailWindow::selected_records() const {
  QList<DeletionRecord> out;
  QModelIndexList rows = table->selectionModel()->selectedRows(kColDate);
  std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  for (const QModelIndex& index : rows) {
    const int i = proxy_->mapToSource(index).data(kRecordRole).toInt();
    if (i >= 0 && i < records_.size()) out.append(records_.at(i));
  }
  return out;
}

void DeletedMailWindow::update_buttons() {
  const QList<DeletionRecord> chosen = selected_records();
  const bool any_copy = std::any_of(chosen.begin(), chosen.end(), [](const DeletionRecord& r) { return r.has_copy(); });
  const bool any_rule =
      std::any_of(chosen.begin(), chosen.end(), [](const DeletionRecord& r) { return rule_change_for(r).has_value(); });
  open_button->setEnabled(any_copy);
  save_button->setEnabled(any_copy);
  forget_button->setEnabled(!chosen.isEmpty());
  stop_rule_button->setEnabled(any_rule);
}

void DeletedMailWindow::open_selected() {
  for (const DeletionRecord& r : selected_records()) {
    if (!r.has_copy()) continue;
    const QString path = quarantine_->store().file_path(r.account, r.id);
    if (open_file(path) < kShellOpenOk - 1) show_message(QStringLiteral("Error opening the message file!"), this);
  }
}

void DeletedMailWindow::save_selected() {
  QList<DeletionRecord> chosen = selected_records();
  chosen.removeIf([](const DeletionRecord& r) { return !r.has_copy(); });
  if (chosen.isEmpty()) return;
  const QString target = choose_save_path(restore_file_name(chosen.front().id), chosen.size() > 1);
  if (target.isEmpty()) return;
  for (const DeletionRecord& r : chosen) {
    const RestoreResult result =
        restore_copy(quarantine_->store().file_path(r.account, r.id), target, restore_file_name(r.id));
    if (!result.error.isEmpty()) {
      show_message(QStringLiteral("Error saving the message: ") + result.error, this);
      return;
    }
  }
}

void DeletedMailWindow::forget_selected() {
  const QList<DeletionRecord> chosen = selected_records();
  if (chosen.isEmpty()) return;
  const QString question = chosen.size() == 1
                               ? QStringLiteral("Delete the kept copy of this message for good?")
                               : QStringLiteral("Delete the kept copies of these %1 messages for good?").arg(chosen.size());
  if (!ask(this, question)) return;
  bool ok = true;
  for (const DeletionRecord& r : chosen) ok = quarantine_->forget(r) && ok;
  reload();
  if (!ok) show_message(QStringLiteral("Error deleting a kept copy!"), this);
}

void DeletedMailWindow::stop_rule_selected() {
  QList<RuleChange> changes;
  for (const DeletionRecord& r : selected_records()) {
    const std::optional<RuleChange> c = rule_change_for(r);
    if (!c) continue;
    const bool known = std::any_of(changes.begin(), changes.end(), [&](const RuleChange& o) {
      return o.kind == c->kind && o.account == c->account && o.list == c->list && o.phrase == c->phrase;
    });
    if (!known) changes.append(*c);
  }
  for (const RuleChange& c : changes) {
    if (!ask(this, rule_change_question(c))) continue;
    const QString error = apply_rule_change_to_file(c, folder_);
    if (!error.isEmpty()) show_message(error, this);
  }
}

bool DeletedMailWindow::eventFilter(QObject* watched, QEvent* e) {
  if (watched == table && e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      open_selected();
      return true;
    }
    if (key == Qt::Key_Delete) {
      forget_selected();
      return true;
    }
  }
  return QDialog::eventFilter(watched, e);
}

void show_deleted_mail_window(QWidget* parent, const QString& folder) {
  static QPointer<DeletedMailWindow> window;
  if (!window) {
    window = new DeletedMailWindow(folder, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
  } else {
    window->reload();
  }
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace halvex
