// frm_About: the about box: product name, version, a legal notice, "&OK" and two
// buttons that open the product's web pages in the default browser.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace halvex {

inline constexpr char kHomePageUrl[] = "https://halvex.example.org/";
inline constexpr char kSupportPageUrl[] = "https://halvex.example.org/support/";

class frm_About : public QDialog {
  Q_OBJECT

 public:
  explicit frm_About(QWidget* parent = nullptr);

  QLabel* lblTitle = nullptr;       // "Halvex"
  QLabel* lblVersion = nullptr;     // "Version " + major.minor.revision
  QLabel* lblDisclaimer = nullptr;  // the legal notice
  QPushButton* cmdOK = nullptr;     // "&OK"
  QPushButton* cmdHomePage = nullptr;
  QPushButton* cmdSupport = nullptr;

 private:
  // Opens `url` with the default browser, or tells the user it could not.
  void open_web_page(const QString& url);
};

}  // namespace halvex
