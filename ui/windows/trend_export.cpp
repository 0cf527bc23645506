#include "ui/windows/trend_export.h"

#include "platform/dialogs.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QMimeData>

namespace tals {

TTrendExport::TTrendExport(QCustomPlot *chart, TSeriesSource series, QString folder)
    : m_chart(chart), m_series(std::move(series)), m_folder(std::move(folder))
{}

QString TTrendExport::AskPath(const QString &caption, const QString &filter,
                              const QString &suffix) const
{
    QString path = Dialogs().SaveFileName(caption, m_folder, filter);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += suffix;
    return path;
}

bool TTrendExport::SaveCsv(TCsvFormat format) const
{
    const QString path = AskPath(QStringLiteral("Экспорт CSV"), QStringLiteral("Файлы CSV (*.csv)"),
                                 QStringLiteral(".csv"));
    if (path.isEmpty())
        return false;
    if (WriteTrendCsv(path, m_series(), format))
        return true;
    Dialogs().Message(QStringLiteral("Не удалось записать файл ") + path, TDialogIcon::Warning);
    return false;
}

bool TTrendExport::SavePng() const
{
    const QString path = AskPath(QStringLiteral("Сохранить рисунок"),
                                 QStringLiteral("Рисунки PNG (*.png)"), QStringLiteral(".png"));
    if (path.isEmpty())
        return false;
    if (m_chart->savePng(path))
        return true;
    Dialogs().Message(QStringLiteral("Не удалось записать файл ") + path, TDialogIcon::Warning);
    return false;
}

void TTrendExport::CopyToClipboard() const
{
    auto *data = new QMimeData;
    data->setImageData(m_chart->toPixmap().toImage());
    // The text in the spreadsheet's own format, without the byte-order mark.
    data->setText(QString::fromUtf8(TrendCsv(m_series(), LocaleCsvFormat()).mid(3)));
    QApplication::clipboard()->setMimeData(data);
}

} // namespace tals
