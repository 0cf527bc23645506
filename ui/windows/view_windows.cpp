#include "ui/windows/view_windows.h"

#include "link/request_devices.h"
#include "ui/application/application.h"
#include "ui/windows/array_windows.h"
#include "ui/windows/form_main.h"
#include "ui/windows/form_req_ans.h"
#include "ui/windows/form_tals352i.h"
#include "ui/windows/form_tals_par.h"
#include "ui/windows/trend_windows.h"

#include <memory>

namespace tals {

void RegisterViewWindows(TApplication &app)
{
    app.SetWindowFactory(QStringLiteral("FormTals352I"), [&app](TFormMain &main) -> QWidget * {
        if (!app.Model())
            return nullptr;
        TFormMain *owner = &main;
        auto *window = new TFormTals352I(*app.Model(), app.Modes(), [owner](const QString &action) {
            owner->ExecuteAction(action);
        });
        window->SetPortStatusQuery([&app] { return app.Link().PortStatus(); });
        return window;
    });

    auto counters = std::make_shared<TExchangeCounters>();
    std::shared_ptr<TTransmitterReqAnsLink> link;
    if (TRequestDevices *scheduler = app.Scheduler())
        link = std::make_shared<TTransmitterReqAnsLink>(*scheduler);
    app.SetWindowFactory(QStringLiteral("FormReqAns"), [counters, link](TFormMain &) -> QWidget * {
        if (!link)
            return nullptr;
        return new TFormReqAns(*link, *counters);
    });

    RegisterParametersWindow(app);
    RegisterTrendWindows(app);
    RegisterArrayWindows(app);
}

} // namespace tals
