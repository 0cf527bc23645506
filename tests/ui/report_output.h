#pragma once

// A report filled by a window, written as build/reports/<name>.pdf with the
// picture of its page as build/screenshots/<name>.png, and the PDF's text read
// back with pdftotext.

#include "platform/paths.h"
#include "ui/reports/report.h"

#include <QImage>
#include <QProcess>
#include <QString>

namespace tals::test {

inline QString ReportPdfText(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(20000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Saves the report under name; the PDF's text, empty when it was not written.
inline QString SaveFilledReport(TReport &report, const QString &name)
{
    const QString pdf = QStringLiteral(TALS_BINARY_DIR "/reports/") + name + ".pdf";
    const QString shots = QStringLiteral(TALS_BINARY_DIR "/screenshots");
    if (!report.SaveToPdf(pdf) || !ForceDirectories(shots))
        return {};
    if (!report.RenderPage(96).save(shots + QLatin1Char('/') + name + ".png"))
        return {};
    return ReportPdfText(pdf);
}

} // namespace tals::test
