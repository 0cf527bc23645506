#pragma once

// The five printed reports, created once at program start and reused by every
// window that prints (see ui/reports/report.h for how to fill and preview one).

#include "ui/reports/rep_graph.h"
#include "ui/reports/rep_kalibr.h"
#include "ui/reports/rep_progon.h"
#include "ui/reports/rep_test_tube.h"

namespace tals {

class TReports
{
public:
    TReports() = default;
    TReports(const TReports &) = delete;
    TReports &operator=(const TReports &) = delete;

    TRepGraph &Graph() { return m_graph; }
    TRepMultiGraph &MultiGraph() { return m_multiGraph; }
    TRepKalibr &Kalibr() { return m_kalibr; }
    TRepProgon &Progon() { return m_progon; }
    TRepTestTube &TestTube() { return m_testTube; }

    // A report by its class name ("TRepKalibr"), or null.
    TReport *Find(const QString &name);
    // All five, in the order above.
    std::array<TReport *, 5> All();

private:
    TRepGraph m_graph;
    TRepMultiGraph m_multiGraph;
    TRepKalibr m_kalibr;
    TRepProgon m_progon;
    TRepTestTube m_testTube;
};

} // namespace tals
