// frm_About: the about box: product name, version, a legal notice, "&OK" and two
// buttons that open the product's own pages with the desktop's default program: the help
// page in the application folder and the project's README, which the program carries and
// puts beside the help page (README.md) when it is missing or out of date.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace halvex {

// The two pages, in the application folder.
QString help_page_path();
QString readme_path();

class frm_About : public QDialog {
  Q_OBJECT

 public:
  explicit frm_About(QWidget* parent = nullptr);

  QLabel* lblTitle = nullptr;       // "Halvex"
  QLabel* lblVersion = nullptr;     // "Version " + major.minor.revision
  QLabel* lblDisclaimer = nullptr;  // the legal notice
  QPushButton* cmdOK = nullptr;     // "&OK"
  QPushButton* cmdHomePage = nullptr;  // "&Help Page"
  QPushButton* cmdSupport = nullptr;   // "&Read Me"

 private:
  // Opens `page` with the desktop's default program, or tells the user it could not.
  void open_web_page(const QString& page);
};

}  // namespace halvex
