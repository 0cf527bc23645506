#pragma once

#include <QLabel>

namespace tals {

// A framed value text that the operator clicks to change the value.
class TValueText : public QLabel
{
    Q_OBJECT

public:
    explicit TValueText(const QString &name, QWidget *parent = nullptr) : QLabel(parent)
    {
        setObjectName(name);
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        setCursor(Qt::PointingHandCursor);
        setMinimumWidth(80);
    }

signals:
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QLabel::mouseReleaseEvent(event);
        emit Clicked();
    }
};

} // namespace tals
