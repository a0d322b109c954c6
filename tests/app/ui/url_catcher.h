// Receives the URLs that QDesktopServices hands to a test's scheme handler, so a test
// sees what would have gone to the browser.
#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

namespace halvex::test {

class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  explicit UrlCatcher(QStringList schemes) : schemes_(std::move(schemes)) {
    for (const QString& scheme : schemes_) QDesktopServices::setUrlHandler(scheme, this, "open");
  }
  ~UrlCatcher() override {
    for (const QString& scheme : schemes_) QDesktopServices::unsetUrlHandler(scheme);
  }

  QList<QUrl> urls;

 public slots:
  void open(const QUrl& url) { urls.append(url); }

 private:
  QStringList schemes_;
};

}  // namespace halvex::test
