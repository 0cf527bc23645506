#include "platform/dialogs.h"

#include <cstdio>

namespace tals {

namespace {

class TConsoleDialogs : public TDialogService
{
public:
    void Message(const QString &text, TDialogIcon, const QString &caption) override
    {
        std::fprintf(stderr, "%s: %s\n",
                     qPrintable(caption.isEmpty() ? AttentionCaption() : caption),
                     qPrintable(text));
    }
    TDialogButton Question(const QString &text, const QList<TDialogButton> &,
                           TDialogButton defaultButton, const QString &caption) override
    {
        Message(text, TDialogIcon::Question, caption);
        return defaultButton;
    }
    bool InputText(const QString &, const QString &, QString &) override { return false; }
    QString OpenFileName(const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QString SaveFileName(const QString &, const QString &, const QString &) override
    {
        return {};
    }
};

TConsoleDialogs g_console;
TDialogService *g_current = &g_console;

} // namespace

TDialogService &Dialogs()
{
    return *g_current;
}

TDialogService *InstallDialogService(TDialogService *service)
{
    TDialogService *previous = g_current;
    g_current = service ? service : &g_console;
    return previous;
}

} // namespace tals
