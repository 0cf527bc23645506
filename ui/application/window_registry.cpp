#include "ui/application/window_registry.h"

namespace tals {

QStringList TWindowRegistry::RefreshOrder()
{
    return {QStringLiteral("FormSelectCMD"),    QStringLiteral("FormTals352I"),
            QStringLiteral("FormTalsPar"),      QStringLiteral("FormReqAns"),
            QStringLiteral("FormKalibr"),       QStringLiteral("FormProgon"),
            QStringLiteral("FormTestDistances")};
}

TWindowRegistry::TEntry *TWindowRegistry::Entry(const QString &name)
{
    for (TEntry &e : m_entries)
        if (e.name == name)
            return &e;
    return nullptr;
}

const TWindowRegistry::TEntry *TWindowRegistry::Entry(const QString &name) const
{
    for (const TEntry &e : m_entries)
        if (e.name == name)
            return &e;
    return nullptr;
}

void TWindowRegistry::SetFactory(const QString &name, TFactory factory, TRefresher refresher)
{
    if (TEntry *e = Entry(name)) {
        e->factory = std::move(factory);
        e->refresher = std::move(refresher);
    } else {
        m_entries.append({name, nullptr, std::move(factory), std::move(refresher)});
    }
}

bool TWindowRegistry::HasFactory(const QString &name) const
{
    const TEntry *e = Entry(name);
    return e && e->factory;
}

QWidget *TWindowRegistry::Open(const QString &name)
{
    TEntry *e = Entry(name);
    if (!e)
        return nullptr;
    if (!e->window) {
        if (!e->factory)
            return nullptr;
        QWidget *w = e->factory();
        if (!w)
            return nullptr;
        if (w->objectName().isEmpty())
            w->setObjectName(name);
        w->setAttribute(Qt::WA_DeleteOnClose);
        e = Entry(name); // the factory may have registered further windows
        e->window = w;
    }
    QWidget *w = e->window;
    w->show();
    w->raise();
    w->activateWindow();
    return w;
}

void TWindowRegistry::Add(const QString &name, QWidget *window)
{
    if (TEntry *e = Entry(name))
        e->window = window;
    else
        m_entries.append({name, window, {}, {}});
}

QWidget *TWindowRegistry::Find(const QString &name) const
{
    const TEntry *e = Entry(name);
    return e ? e->window.data() : nullptr;
}

QStringList TWindowRegistry::OpenNames() const
{
    QStringList names;
    for (const TEntry &e : m_entries)
        if (e.window)
            names << e.name;
    return names;
}

void TWindowRegistry::RefreshAll()
{
    const QStringList order = RefreshOrder();
    QStringList names = order;
    for (const QString &n : OpenNames())
        if (!order.contains(n))
            names << n;
    for (const QString &n : names) {
        // A refresh may close or open windows: look each one up again.
        QWidget *w = Find(n);
        if (!w)
            continue;
        if (auto *r = dynamic_cast<TRefreshable *>(w))
            r->Refresh();
        else if (const TEntry *e = Entry(n); e && e->refresher)
            e->refresher(w);
    }
}

void TWindowRegistry::Close(const QStringList &names)
{
    for (const QString &n : names)
        if (QWidget *w = Find(n))
            w->close();
}

void TWindowRegistry::DeleteAll()
{
    for (TEntry &e : m_entries)
        delete e.window.data();
}

} // namespace tals
