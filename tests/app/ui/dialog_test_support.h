// Helpers for the dialog tests: typed modal handlers, a scratch folder, file text.
#pragma once

#include "qt/modal.h"
#include "ui/frm_msgbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace halvex::test {

// Runs `action` on the next modal window, which must be a `W`; any other window is
// closed with a failure, so the blocked exec() returns.
template <class W>
void when_window(std::function<void(W*)> action, QWidget* except = nullptr) {
  when_modal(
      [action](QWidget* w) {
        if (auto* typed = qobject_cast<W*>(w)) {
          action(typed);
          return;
        }
        ADD_FAILURE() << "expected " << W::staticMetaObject.className() << ", got "
                      << w->metaObject()->className();
        w->close();
      },
      except);
}

// Arms a handler that notes the next message window's text into `seen` and closes it.
inline void expect_message(QString* seen, QWidget* except = nullptr) {
  when_window<frm_msgbox>(
      [seen](frm_msgbox* box) {
        *seen = box->Label1->text();
        box->Command1->click();
      },
      except);
}

// Arms a handler for the next yes/no question: notes its text (line breaks as "\n") and
// whether Yes is its default into `seen` / `yes_default`, then answers.
inline void answer_question(bool yes, QString* seen = nullptr, bool* yes_default = nullptr,
                            QWidget* except = nullptr) {
  when_window<QMessageBox>(
      [=](QMessageBox* box) {
        if (seen) *seen = box->text();
        if (yes_default) *yes_default = box->defaultButton() == box->button(QMessageBox::Yes);
        box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
      },
      except);
}

inline QByteArray file_bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline bool write_bytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QStringList entries_of(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out.append(list->item(i)->text());
  return out;
}

inline QListWidgetItem* item_named(QListWidget* list, const QString& text) {
  const auto found = list->findItems(text, Qt::MatchExactly);
  return found.isEmpty() ? nullptr : found.first();
}

// The files of a folder, hidden ones included, sorted.
inline QStringList files_in(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

}  // namespace halvex::test
