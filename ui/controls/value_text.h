#pragma once

#include <QLabel>

namespace tals {

// A framed value text that the operator clicks to change the value.
class TValueText : public QLabel
{
    Q_OBJECT

public:
    explicit TValueText(const QString &name, QWidget *parent = nullptr);

signals:
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

} // namespace tals
