#include "filemanager/FoundList.h"

#include <QFile>

void FoundList::Clear()
{
    beginResetModel();
    entries_.clear();
    shown_ = 0;
    endResetModel();
}

void FoundList::Add(std::string path, bool isDirectory)
{
    entries_.push_back({std::move(path), isDirectory});
}

void FoundList::Show()
{
    const int total = int(entries_.size());
    if (total == shown_)
        return;
    beginInsertRows({}, shown_, total - 1);
    shown_ = total;
    endInsertRows();
}

int FoundList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shown_;
}

QVariant FoundList::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= shown_)
        return {};
    const Entry& entry = At(index.row());
    if (role == Qt::DisplayRole)
        return QFile::decodeName(QByteArray::fromStdString(entry.path));
    if (role == Qt::CheckStateRole)
        return entry.isDirectory ? Qt::Checked : Qt::Unchecked;
    return {};
}

Qt::ItemFlags FoundList::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}
