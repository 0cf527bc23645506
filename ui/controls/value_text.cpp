#include "ui/controls/value_text.h"

namespace tals {

TValueText::TValueText(const QString &name, QWidget *parent) : QLabel(parent)
{
    setObjectName(name);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setCursor(Qt::PointingHandCursor);
    setMinimumWidth(80);
}

void TValueText::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    emit Clicked();
}

} // namespace tals
