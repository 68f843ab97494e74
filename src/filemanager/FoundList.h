#pragma once

#include <QAbstractListModel>

#include <string>
#include <vector>

// The find-file dialog's results: full paths (bytes) in the order found, directories ticked.
// A walk may find tens of thousands; they are gathered and shown in batches, since a view
// told of each row alone spends far longer on the telling than the walk on the finding.
class FoundList final : public QAbstractListModel {
public:
    struct Entry {
        std::string path;
        bool isDirectory = false;
    };

    explicit FoundList(QObject* parent) : QAbstractListModel(parent) {}

    void Clear();
    // Kept until the next Show.
    void Add(std::string path, bool isDirectory);
    // Shows every entry added so far.
    void Show();
    const Entry& At(int row) const { return entries_.at(std::size_t(row)); }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // Selectable but not checkable: the ticks say which results are directories.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<Entry> entries_;
    int shown_ = 0;
};
