#pragma once

// The picture of the transducer beside its identification data, drawn in
// code: the ТАЛС351И with its horn antenna, the ТАЛС352И with its lens
// antenna, or a neutral placeholder for an unknown type.

#include <QWidget>

namespace tals {

enum class TDevicePictureKind { Placeholder, Tals351, Tals352 };

// The picture for a device type text: its integer value (0 when it is not a
// number) 20 gives the ТАЛС351И, 21 the ТАЛС352И, anything else the placeholder.
TDevicePictureKind DevicePictureKind(const QString &deviceType);

class TDevicePicture : public QWidget
{
    Q_OBJECT

public:
    explicit TDevicePicture(QWidget *parent = nullptr);

    TDevicePictureKind Kind() const { return m_kind; }
    void SetKind(TDevicePictureKind kind);
    QSize sizeHint() const override { return {150, 240}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TDevicePictureKind m_kind = TDevicePictureKind::Placeholder;
};

} // namespace tals
