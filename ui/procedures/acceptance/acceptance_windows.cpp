#include "ui/procedures/acceptance/acceptance_windows.h"

#include "device/test_distances.h"
#include "device/test_tube.h"
#include "link/request_devices.h"
#include "ui/application/application.h"
#include "ui/procedures/acceptance/acceptance_reports.h"
#include "ui/procedures/acceptance/form_test_distances.h"
#include "ui/procedures/acceptance/form_test_tube.h"
#include "ui/procedures/run/form_progon.h"
#include "ui/reports/reports.h"
#include "ui/windows/form_main.h"

#include <QApplication>

#include <algorithm>
#include <memory>

namespace tals {

void RegisterAcceptanceWindows(TApplication &app)
{
    auto distances = std::make_shared<TTestDistances>();
    app.SetWindowFactory(
        QStringLiteral("FormTestDistances"), [&app, distances](TFormMain &) -> QWidget * {
            if (!app.Model())
                return nullptr;
            return new TFormTestDistances(*app.Model(), *distances, app.Input(), app.ProgramDir());
        });

    auto tube = std::make_shared<TTestTube>();
    app.SetWindowFactory(QStringLiteral("FormTestTube"), [&app, tube](TFormMain &) -> QWidget * {
        if (!app.Model())
            return nullptr;
        auto show = [&app](const TTubeReport &data) {
            TRepTestTube &report = app.Reports().TestTube();
            FillTubeReport(report, data);
            report.Preview(QApplication::activeWindow());
        };
        return new TFormTestTube(*app.Model(), *tube, app.Input(), app.ProgramDir(),
                                 std::move(show));
    });

    app.SetWindowFactory(QStringLiteral("FormProgon"), [&app](TFormMain &main) -> QWidget * {
        if (!app.Model())
            return nullptr;
        TFormMain *owner = &main;
        TProgonHost host{[owner](const QString &name) { return owner->ExecuteAction(name); },
                         [owner] { return owner->IsPolling(); },
                         [owner] { owner->RefreshAllWindows(); },
                         [&app] {
                             // Each tick serves one enabled device of the list in turn.
                             int enabled = 0;
                             if (TRequestDevices *scheduler = app.Scheduler())
                                 for (const TListDevice &d : scheduler->Devices())
                                     enabled += d.Enabled ? 1 : 0;
                             return app.Link().PollTimer().Interval() * std::max(1, enabled);
                         }};
        auto show = [&app](TFormProgon &window) {
            TRepProgon &report = app.Reports().Progon();
            FillProgonReport(report, window);
            report.Preview(&window);
        };
        return new TFormProgon(*app.Model(), app.Input(), std::move(host), std::move(show));
    });
}

} // namespace tals
