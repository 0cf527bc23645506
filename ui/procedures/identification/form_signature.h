#pragma once

// The window "Идентификационные данные прибора": the transducer's signature
// as the device model last decoded it, with the program's identification rows
// and the device's picture. Modal; sends nothing to the device.

#include "device/tals352.h"

#include <QWidget>

#include <functional>

class QLabel;

namespace tals {

class TDevicePicture;

class TFormSignature : public QWidget
{
    Q_OBJECT

public:
    // source hands out a copy of the model's signature record.
    using TSource = std::function<TTals35xISignature()>;

    explicit TFormSignature(TSource source, QWidget *parent = nullptr);

    // The fixed designation of the transducer's program.
    static QString ProgramDesignation();

    void SetSignature(const TTals35xISignature &signature);
    TDevicePicture *Picture() const { return m_picture; }

public slots:
    // Opened again: the model's record of the moment.
    void Reopened();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    TSource m_source;
    QList<QLabel *> m_values; // in the order of the signature rows
    QLabel *m_lblProgramVersion = nullptr;
    QLabel *m_lblProgramCrc = nullptr;
    TDevicePicture *m_picture = nullptr;
};

} // namespace tals
