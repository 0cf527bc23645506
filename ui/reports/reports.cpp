#include "ui/reports/reports.h"

namespace tals {

std::array<TReport *, 5> TReports::All()
{
    return {&m_graph, &m_multiGraph, &m_kalibr, &m_progon, &m_testTube};
}

TReport *TReports::Find(const QString &name)
{
    for (TReport *report : All())
        if (report->Name() == name)
            return report;
    return nullptr;
}

} // namespace tals
