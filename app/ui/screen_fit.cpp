#include "screen_fit.h"

#include <QApplication>
#include <QBoxLayout>
#include <QEvent>
#include <QGridLayout>
#include <QScreen>
#include <QScrollArea>
#include <QWidget>

#include <algorithm>

namespace halvex {
namespace {

// Before a window manager has framed a window its frame is unknown: keep room for a usual
// title bar and border.
constexpr QSize kGuessedFrame(12, 36);

QScreen* screen_of(QWidget* window) {
  QScreen* screen = window->screen();
  return screen ? screen : QGuiApplication::primaryScreen();
}

QSize frame_extra(QWidget* window) {
  const QSize extra = window->frameGeometry().size() - window->geometry().size();
  return extra.isEmpty() && !window->testAttribute(Qt::WA_WState_Created) ? kGuessedFrame
         : extra.width() <= 0 && extra.height() <= 0                       ? kGuessedFrame
                                                                           : extra;
}

QSize room_for(QWidget* window) {
  QScreen* screen = screen_of(window);
  if (!screen) return {};
  const QSize extra = frame_extra(window);
  const QRect available = screen->availableGeometry();
  return {std::max(1, available.width() - extra.width()),
          std::max(1, available.height() - extra.height())};
}

// The items of a box or grid layout, moved into a new layout of the same kind with the
// same places, stretches, margins and spacing. Null for any other layout.
QLayout* moved_layout(QLayout* old) {
  if (auto* box = qobject_cast<QBoxLayout*>(old)) {
    auto* copy = new QBoxLayout(box->direction());
    while (box->count() > 0) {
      const int stretch = box->stretch(0);
      QLayoutItem* item = box->takeAt(0);
      if (QWidget* widget = item->widget()) {
        copy->addWidget(widget, stretch, item->alignment());
        delete item;
      } else if (QLayout* inner = item->layout()) {
        copy->addLayout(inner, stretch);
      } else {
        copy->addItem(item);
        copy->setStretch(copy->count() - 1, stretch);
      }
    }
    copy->setSpacing(box->spacing());
    copy->setContentsMargins(box->contentsMargins());
    return copy;
  }
  if (auto* grid = qobject_cast<QGridLayout*>(old)) {
    auto* copy = new QGridLayout;
    for (int r = 0; r < grid->rowCount(); ++r) copy->setRowStretch(r, grid->rowStretch(r));
    for (int c = 0; c < grid->columnCount(); ++c) copy->setColumnStretch(c, grid->columnStretch(c));
    while (grid->count() > 0) {
      int row = 0, column = 0, rows = 1, columns = 1;
      grid->getItemPosition(0, &row, &column, &rows, &columns);
      QLayoutItem* item = grid->takeAt(0);
      if (QWidget* widget = item->widget()) {
        copy->addWidget(widget, row, column, rows, columns, item->alignment());
        delete item;
      } else if (QLayout* inner = item->layout()) {
        copy->addLayout(inner, row, column, rows, columns);
      } else {
        copy->addItem(item, row, column, rows, columns);
      }
    }
    copy->setHorizontalSpacing(grid->horizontalSpacing());
    copy->setVerticalSpacing(grid->verticalSpacing());
    copy->setContentsMargins(grid->contentsMargins());
    return copy;
  }
  return nullptr;
}

class WindowFitter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
      auto* window = static_cast<QWidget*>(watched);
      if (window->isWindow() && !window->inherits("QMenu") &&
          !(window->windowFlags() & (Qt::Popup & ~Qt::Window)) &&
          window->windowType() != Qt::ToolTip && window->windowType() != Qt::Popup) {
        const QSize room = room_for(window);
        QLayout* layout = window->layout();
        if (layout && room.isValid() &&
            (layout->totalMinimumSize().width() > room.width() ||
             layout->totalMinimumSize().height() > room.height()))
          scroll_when_too_small(window);
        fit_to_screen(window);
      }
    }
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

void fit_to_screen(QWidget* window) {
  QScreen* screen = screen_of(window);
  if (!screen) return;
  const QRect available = screen->availableGeometry();
  const QSize extra = frame_extra(window);
  const QSize room = room_for(window);
  if (window->minimumWidth() > room.width()) window->setMinimumWidth(room.width());
  if (window->minimumHeight() > room.height()) window->setMinimumHeight(room.height());
  const QSize size = window->size().boundedTo(room);
  if (size != window->size()) window->resize(size);
  if (!window->isVisible() && !window->testAttribute(Qt::WA_Moved)) return;
  QPoint at = window->frameGeometry().topLeft();
  const int right = available.left() + available.width() - size.width() - extra.width();
  const int bottom = available.top() + available.height() - size.height() - extra.height();
  at.setX(std::clamp(at.x(), available.left(), std::max(available.left(), right)));
  at.setY(std::clamp(at.y(), available.top(), std::max(available.top(), bottom)));
  if (at != window->frameGeometry().topLeft()) window->move(at);
}

void scroll_when_too_small(QWidget* window) {
  QLayout* old = window->layout();
  if (!old || window->findChild<QScrollArea*>(QStringLiteral("fit_scroll_area"),
                                              Qt::FindDirectChildrenOnly))
    return;
  QLayout* layout = moved_layout(old);
  if (!layout) return;
  const QSize wanted = window->size();
  delete old;
  auto* content = new QWidget;
  content->setObjectName(QStringLiteral("fit_content"));
  content->setLayout(layout);
  auto* area = new QScrollArea(window);
  area->setObjectName(QStringLiteral("fit_scroll_area"));
  area->setWidgetResizable(true);
  area->setFrameShape(QFrame::NoFrame);
  area->setWidget(content);
  auto* outer = new QVBoxLayout(window);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(area);
  window->setMinimumSize(0, 0);
  window->resize(wanted);
}

void fit_windows_to_screen(QApplication& app) { app.installEventFilter(new WindowFitter(&app)); }

}  // namespace halvex
