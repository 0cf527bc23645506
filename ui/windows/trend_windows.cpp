#include "ui/windows/trend_windows.h"

#include "device/tals352.h"
#include "storage/archive.h"
#include "ui/application/application.h"
#include "ui/windows/form_graph.h"
#include "ui/windows/form_main.h"
#include "ui/windows/form_multi_graph.h"

namespace tals {

const TTrendSlot kTrendSlots[7] = {
    {1, "LevelBusy", "LevelBusy"},
    {2, "Distance", "Distance"},
    {3, "LevelFree", "LevelFree"},
    {4, "TmpOfSensor", "TmpOfSensor"},
    {5, "CurrentOutput", "CurrentOutput"},
    {6, "TestDistance", "TestDistance"},
    {7, "TestDistanceFlt", "TestDistanceFlt"},
};

namespace {

// "Уровень — 01234": what the window shows and on which device.
QString WindowCaption(const QString &what, const QString &device)
{
    return device.isEmpty() ? what : what + QStringLiteral(" — ") + device;
}

struct TMultiItem
{
    const char *archiveName;
    TColor color;
};

const TMultiItem kLevelItems[] = {
    {"LevelBusy", 0xFF0000}, {"Distance", 0x0000FF}, {"LevelFree", 0x008000}};
const TMultiItem kTestItems[] = {{"TestDistance", 0xFF0000}, {"TestDistanceFlt", 0x0000FF}};

template <std::size_t N>
QWidget *CreateMultiTrendWindow(TApplication &app, const char *name, const QString &caption,
                                const TMultiItem (&items)[N])
{
    Ttals352 *model = app.Model();
    if (!model)
        return nullptr;
    auto *window = new TFormMultiGraph(TrendContext(app));
    window->setObjectName(QLatin1String(name));
    for (const TMultiItem &item : items)
        if (TIODouble *holder = model->FindReading(QLatin1String(item.archiveName)))
            window->Items().Add(QLatin1String(item.archiveName), item.color, *holder);
    const TDateTime now = Now();
    window->Configure(WindowCaption(caption, TrendContext(app).device), now - 1, now);
    return window;
}

} // namespace

TTrendContext TrendContext(TApplication &app)
{
    TTrendContext context;
    context.archive = app.Archive();
    // The plant number once it is known (0 until the device has been read).
    if (Ttals352 *model = app.Model(); model && model->PlantNumber() != 0)
        context.device = QStringLiteral("%1").arg(model->PlantNumber(), 5, 10, QLatin1Char('0'));
    context.input = &app.Input();
    context.programDir = app.ProgramDir();
    context.reports = &app.Reports();
    return context;
}

void RegisterTrendWindows(TApplication &app)
{
    for (const TTrendSlot &s : kTrendSlots) {
        app.SetWindowFactory(
            QStringLiteral("FormGraph%1").arg(s.slot), [&app, s](TFormMain &) -> QWidget * {
                Ttals352 *model = app.Model();
                TIODouble *holder =
                    model ? model->FindReading(QLatin1String(s.holderName)) : nullptr;
                if (!holder)
                    return nullptr;
                const TDateTime now = Now();
                const TTrendContext context = TrendContext(app);
                return CreateTrendWindow(context, s.slot, QLatin1String(s.archiveName), *holder,
                                         WindowCaption(holder->Description().Title, context.device),
                                         now - 1, now);
            });
    }
    app.SetWindowFactory(QStringLiteral("FormMultiGraph"), [&app](TFormMain &) {
        return CreateMultiTrendWindow(app, "FormMultiGraph", QStringLiteral("Графики уровней"),
                                      kLevelItems);
    });
    app.SetWindowFactory(QStringLiteral("FormMultiGraphTest"), [&app](TFormMain &) {
        return CreateMultiTrendWindow(app, "FormMultiGraphTest",
                                      QStringLiteral("Графики тестовых расстояний до продукта"),
                                      kTestItems);
    });
}

} // namespace tals
