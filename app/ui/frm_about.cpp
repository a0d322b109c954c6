#include "frm_about.h"

#include "message.h"
#include "shell_open.h"
#include "accounts/app_folder.h"
#include "accounts/version.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace halvex {

namespace {

const QString kProductName = QStringLiteral("Halvex");

const QString kLegalNotice = QStringLiteral(
    "Warning: this program is protected by copyright law. Copying or distributing it, "
    "or any part of it, without the permission of its authors is not allowed and may "
    "be prosecuted.");

const QString kBrowserFailed = QStringLiteral(
    "Error Launching Your Default Browser!\r\r"
    "Please make sure you have a DEFAULT browser selected and try again.");

// The README as the program carries it, written beside the help page when missing or
// different (an older program's copy).
bool write_readme(const QString& path) {
  QFile in(QStringLiteral(":/README.md"));
  if (!in.open(QIODevice::ReadOnly)) return QFileInfo::exists(path);
  const QByteArray text = in.readAll();
  QFile current(path);
  if (current.open(QIODevice::ReadOnly) && current.readAll() == text) return true;
  QSaveFile out(path);
  return out.open(QIODevice::WriteOnly) && out.write(text) == text.size() && out.commit();
}

QPushButton* make_button(const QString& caption, const QString& name, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  return button;
}

}  // namespace

QString help_page_path() { return app_folder() + QStringLiteral("help.htm"); }
QString readme_path() { return app_folder() + QStringLiteral("README.md"); }

frm_About::frm_About(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frm_About"));
  setWindowTitle(QStringLiteral("About ") + kProductName);
  setModal(true);

  lblTitle = new QLabel(kProductName, this);
  lblTitle->setObjectName(QStringLiteral("lblTitle"));
  QFont title_font = lblTitle->font();
  title_font.setPointSizeF(title_font.pointSizeF() * 1.6);
  title_font.setBold(true);
  lblTitle->setFont(title_font);

  lblVersion = new QLabel(QStringLiteral("Version ") + version_text(), this);
  lblVersion->setObjectName(QStringLiteral("lblVersion"));

  lblDisclaimer = new QLabel(kLegalNotice, this);
  lblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
  lblDisclaimer->setWordWrap(true);
  lblDisclaimer->setMinimumWidth(320);

  cmdOK = make_button(QStringLiteral("&OK"), QStringLiteral("cmdOK"), this);
  cmdOK->setDefault(true);
  cmdHomePage = make_button(QStringLiteral("&Help Page"), QStringLiteral("cmdHomePage"), this);
  cmdHomePage->setToolTip(QStringLiteral("How Halvex works, on your computer"));
  cmdSupport = make_button(QStringLiteral("&Read Me"), QStringLiteral("cmdSupport"), this);
  cmdSupport->setToolTip(QStringLiteral("The project's README: building, commands and files"));

  connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(cmdHomePage, &QPushButton::clicked, this, [this] {
    write_help_page(app_folder());
    open_web_page(help_page_path());
  });
  connect(cmdSupport, &QPushButton::clicked, this, [this] {
    write_readme(readme_path());
    open_web_page(readme_path());
  });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(cmdHomePage);
  buttons->addWidget(cmdSupport);
  buttons->addStretch();
  buttons->addWidget(cmdOK);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblTitle);
  layout->addWidget(lblVersion);
  layout->addSpacing(12);
  layout->addWidget(lblDisclaimer);
  layout->addSpacing(12);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frm_About::open_web_page(const QString& page) {
  if (app_folder().isEmpty() || shell_open(page) < 32) show_message(kBrowserFailed, this);
}

}  // namespace halvex
