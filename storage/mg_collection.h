#pragma once

// The quantities of the multi-trend window: each item follows a device
// holder with its own holder and names the archive table of the quantity.

#include "device/io_data.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace tals {

class TMGCollectionItem
{
public:
    TMGCollectionItem() = default;
    // The holder detaches from its source when it goes.
    ~TMGCollectionItem() = default;
    TMGCollectionItem(const TMGCollectionItem &) = delete;
    TMGCollectionItem &operator=(const TMGCollectionItem &) = delete;

    TIODouble &Holder() { return m_holder; }
    const TIODouble &Holder() const { return m_holder; }

    QString ArchiveName;
    bool Visible = true;
    TColor SeriesColor = 0; // 0x00BBGGRR

private:
    TIODouble m_holder;
};

class TMGCollection
{
public:
    // Fired with the item's index when an item was updated.
    std::function<void(int index)> OnItemChange;

    // A new item following source: description copied, Tag = index, the
    // value taken at the source's next update.
    TMGCollectionItem &Add(const QString &archiveName, TColor color, TIODouble &source);
    // A new item without a source.
    TMGCollectionItem &Add();

    int Count() const { return int(m_items.size()); }
    TMGCollectionItem &Item(int index) { return *m_items.at(std::size_t(index)); }
    const TMGCollectionItem &Item(int index) const { return *m_items.at(std::size_t(index)); }

    void Changed(int index);
    // Frees every item (each holder detaches from its source).
    void Clear() { m_items.clear(); }

private:
    std::vector<std::unique_ptr<TMGCollectionItem>> m_items;
};

} // namespace tals
