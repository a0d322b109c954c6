#include "modal.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <memory>

namespace halvex::test {

namespace {

constexpr int kPollMs = 20;
constexpr int kPolls = 5000 / kPollMs;

void poll(std::shared_ptr<std::function<void(QWidget*)>> action, QPointer<QWidget> except,
          int left) {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal && modal != except.data()) {
    (*action)(modal);
    return;
  }
  if (left <= 0) {
    ADD_FAILURE() << "no modal window appeared";
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && w->isModal()) w->close();
    return;
  }
  QTimer::singleShot(kPollMs, [=] { poll(action, except, left - 1); });
}

}  // namespace

void when_modal(std::function<void(QWidget*)> action, QWidget* except) {
  auto shared = std::make_shared<std::function<void(QWidget*)>>(std::move(action));
  QPointer<QWidget> guard(except);
  QTimer::singleShot(0, [=] { poll(shared, guard, kPolls); });
}

}  // namespace halvex::test
