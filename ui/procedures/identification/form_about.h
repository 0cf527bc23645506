#pragma once

// The window "О программе": the program's purpose, name, maker and contacts,
// its version and the date of its build. Modal.

#include "ui/procedures/identification/about_info.h"

#include <QWidget>

class QLabel;

namespace tals {

class TFormAbout : public QWidget
{
    Q_OBJECT

public:
    explicit TFormAbout(QWidget *parent = nullptr);

    // The version record and build stamp shown; the build's own by default.
    void SetBuildInfo(const TVersionRecord &version, const QDateTime &stamp);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FillComputedLines();

    TVersionRecord m_version;
    QDateTime m_stamp;
    QLabel *m_lblVersion = nullptr;
    QLabel *m_lblDate = nullptr;
};

} // namespace tals
