#include "frm_about.h"

#include "message.h"
#include "shell_open.h"
#include "accounts/version.h"

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

QPushButton* make_button(const QString& caption, const QString& name, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  return button;
}

}  // namespace

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
  cmdHomePage = make_button(QStringLiteral("&Home Page"), QStringLiteral("cmdHomePage"), this);
  cmdSupport = make_button(QStringLiteral("&Support"), QStringLiteral("cmdSupport"), this);

  connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(cmdHomePage, &QPushButton::clicked, this,
          [this] { open_web_page(QString::fromLatin1(kHomePageUrl)); });
  connect(cmdSupport, &QPushButton::clicked, this,
          [this] { open_web_page(QString::fromLatin1(kSupportPageUrl)); });

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

void frm_About::open_web_page(const QString& url) {
  if (shell_open(url) < 32) show_message(kBrowserFailed, this);
}

}  // namespace halvex
