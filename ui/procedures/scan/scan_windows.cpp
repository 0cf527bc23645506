#include "ui/procedures/scan/scan_windows.h"

#include "device/tals352.h"
#include "link/request_devices.h"
#include "link/transmitter.h"
#include "protocol/frame.h"
#include "ui/application/application.h"
#include "ui/procedures/identification/form_about.h"
#include "ui/procedures/identification/form_signature.h"
#include "ui/procedures/scan/form_scan.h"
#include "ui/windows/form_main.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace tals {

void RegisterScanWindows(TApplication &app)
{
    app.SetWindowFactory(QStringLiteral("FormScan"), [&app](TFormMain &owner) -> QWidget * {
        if (!app.Model())
            return nullptr;
        TScanHost host;
        host.IsPolling = [&owner] { return owner.IsPolling(); };
        host.PausePolling = [&app, &owner] {
            owner.ExecuteAction(QStringLiteral("actOprosStop"));
            // The step under way still builds its requests from the model: it
            // ends before the scan borrows the model's address.
            TRequestDevices *scheduler = app.Scheduler();
            TRequestThread *worker = scheduler ? scheduler->Worker() : nullptr;
            QDeadlineTimer deadline(10000);
            while (worker && !worker->Idle() && !deadline.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        };
        host.ResumePolling = [&owner] { owner.ExecuteAction(QStringLiteral("actOprosStart")); };
        auto *window = new TFormScan(
            *app.Model(), [&app](quint8 code) { return app.Link().ExecuteCommand(code).Result; },
            std::move(host));
        // Before the first answer the estimate assumes silence: the whole read time-out.
        if (TRequestDevices *scheduler = app.Scheduler())
            if (TTransmitter *transmitter = scheduler->Transmitter()) {
                const TComTimeouts t = transmitter->Timeouts();
                window->Scanner().SetWorstCaseCommandMs(t.ReadTotalConstant +
                                                        t.ReadTotalMultiplier * kAnswerLimit);
            }
        return window;
    });

    app.SetWindowFactory(QStringLiteral("FormSignature"), [&app](TFormMain &) -> QWidget * {
        Ttals352 *model = app.Model();
        return new TFormSignature([model] {
            TTals35xISignature signature;
            if (model)
                model->GetSignature(signature);
            return signature;
        });
    });

    app.SetWindowFactory(QStringLiteral("FormAbout"),
                         [](TFormMain &) -> QWidget * { return new TFormAbout; });
}

} // namespace tals
