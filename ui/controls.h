#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace vobisk {

// A combo box that tells when its list is about to drop down, so that an empty list can be
// filled first.
class DropDownComboBox : public QComboBox {
  Q_OBJECT

 public:
  using QComboBox::QComboBox;
  void showPopup() override {
    emit DropDown();
    QComboBox::showPopup();
  }

 signals:
  void DropDown();
};

// An edit box that tells about a mouse click in it.
class ClickableLineEdit : public QLineEdit {
  Q_OBJECT

 public:
  using QLineEdit::QLineEdit;

 signals:
  void Clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit Clicked();
  }
};

// A check box whose text stands at its left edge and whose box stands at its right end.
class LeftTextCheckBox : public QCheckBox {
  Q_OBJECT

 public:
  explicit LeftTextCheckBox(const QString& text, QWidget* parent = nullptr) : QCheckBox(text, parent) {
    // Mirrors the box (and where a click takes) to the right; the text is drawn below.
    setLayoutDirection(Qt::RightToLeft);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    QStyleOptionButton box = option;
    box.rect = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, box);

    QRect text_area = rect();
    text_area.setRight(box.rect.left() - style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this));
    painter.setLayoutDirection(Qt::LeftToRight);
    style()->drawItemText(&painter, text_area, Qt::AlignAbsolute | Qt::AlignLeft | Qt::AlignVCenter,
                          palette(), isEnabled(), text(), QPalette::WindowText);
    if (hasFocus()) {
      QStyleOptionFocusRect focus;
      focus.initFrom(this);
      focus.rect = style()->itemTextRect(fontMetrics(), text_area, Qt::AlignLeft | Qt::AlignVCenter,
                                         isEnabled(), text()).adjusted(-1, 0, 1, 0);
      painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
  }
};

}  // namespace vobisk
