#include "ui/windows/spectrum_peaks_list.h"

#include "platform/number_format.h"

#include <QHeaderView>

namespace tals {

TSpectrumPeaksList::TSpectrumPeaksList(QWidget *parent) : QTableWidget(0, 4, parent)
{
    setObjectName(QStringLiteral("tblPeaks"));
    setHorizontalHeaderLabels({QStringLiteral("№"), QStringLiteral("Точка"),
                               QStringLiteral("Расст., мм"), QStringLiteral("дБ")});
    verticalHeader()->setVisible(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setStretchLastSection(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setToolTip(QStringLiteral("Сильнейшие пики спектра; щелчок ставит курсор на пик"));
    setMinimumWidth(250);
    setMaximumWidth(300);
    connect(this, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (row >= 0 && row < int(m_peaks.size()))
            emit PeakChosen(m_peaks[std::size_t(row)].Bin);
    });
}

void TSpectrumPeaksList::SetPeaks(const std::vector<TSpectrumPeak> &peaks, const TSweepScale &scale)
{
    m_peaks = peaks;
    setRowCount(int(peaks.size()));
    for (int row = 0; row < int(peaks.size()); ++row) {
        const TSpectrumPeak &p = peaks[std::size_t(row)];
        const QStringList cells{QString::number(row + 1), QString::number(p.Bin),
                                scale.Valid() ? FloatToStrF(scale.BinToMm(p.Bin), ffNumber, 10, 0)
                                              : QString(),
                                FloatToStrF(p.Decibels, ffNumber, 10, 1)};
        for (int column = 0; column < cells.size(); ++column) {
            auto *item = new QTableWidgetItem(cells[column]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            setItem(row, column, item);
        }
    }
}

} // namespace tals
