#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

namespace tals {

// A window that re-reads the device model when asked.
class TRefreshable
{
public:
    virtual ~TRefreshable() = default;
    virtual void Refresh() = 0;
};

// The program's open windows by component name. A window is created by its
// factory when first opened, freed when closed (the registry forgets it then),
// and refreshed in a fixed order when the main window refreshes all windows.
class TWindowRegistry
{
public:
    using TFactory = std::function<QWidget *()>;
    using TRefresher = std::function<void(QWidget *)>;

    // The windows refreshed first, in this order; other open windows follow in the
    // order they were opened.
    static QStringList RefreshOrder();

    // The refresher serves windows that are no TRefreshable.
    void SetFactory(const QString &name, TFactory factory, TRefresher refresher = {});
    bool HasFactory(const QString &name) const;

    // Creates the window if it is not open (nullptr when it has no factory), shows
    // it and brings it forward.
    QWidget *Open(const QString &name);
    // Adds a window created elsewhere; it is forgotten when it is destroyed.
    void Add(const QString &name, QWidget *window);
    QWidget *Find(const QString &name) const;
    bool IsOpen(const QString &name) const { return Find(name) != nullptr; }
    QStringList OpenNames() const;

    // Refresh() of every open window that is a TRefreshable.
    void RefreshAll();
    // Closes the named windows that are open, in the given order.
    void Close(const QStringList &names);
    // Frees every window still open (when the main window goes).
    void DeleteAll();

private:
    struct TEntry
    {
        QString name;
        QPointer<QWidget> window;
        TFactory factory;
        TRefresher refresher;
    };
    TEntry *Entry(const QString &name);
    const TEntry *Entry(const QString &name) const;

    QList<TEntry> m_entries; // in the order of first use
};

} // namespace tals
