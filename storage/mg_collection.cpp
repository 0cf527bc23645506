#include "storage/mg_collection.h"

namespace tals {

TMGCollectionItem &TMGCollection::Add()
{
    m_items.push_back(std::make_unique<TMGCollectionItem>());
    TMGCollectionItem &item = *m_items.back();
    item.Holder().Tag = qint32(m_items.size() - 1);
    return item;
}

TMGCollectionItem &TMGCollection::Add(const QString &archiveName, TColor color, TIODouble &source)
{
    TMGCollectionItem &item = Add();
    item.ArchiveName = archiveName;
    item.SeriesColor = color;
    item.Holder().Assign(source);
    item.Holder().SetSource(&source, false);
    return item;
}

void TMGCollection::Changed(int index)
{
    if (OnItemChange && index >= 0 && index < Count())
        OnItemChange(index);
}

} // namespace tals
