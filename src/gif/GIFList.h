#pragma once

#include "gif/GIFTypes.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

class TGIFImage;

// An owning list of frames or extensions. Items never reach back into their list: taking
// one out is Remove, which hands its ownership to the caller.
template <class Item>
class TGIFList : public GifPersistent {
public:
    explicit TGIFList(TGIFImage* image) : Image(image) {}

    int GetCount() const { return static_cast<int>(items_.size()); }
    Item* GetItem(int index) const { return items_.at(static_cast<std::size_t>(index)).get(); }
    Item* First() const { return items_.empty() ? nullptr : items_.front().get(); }
    Item* Last() const { return items_.empty() ? nullptr : items_.back().get(); }
    // Puts `item` in place of the one at `index`, which is handed back to the caller.
    std::unique_ptr<Item> SetItem(int index, std::unique_ptr<Item> item)
    {
        std::swap(items_.at(checked(index, GetCount())), item);
        return item;
    }

    int Add(std::unique_ptr<Item> item)
    {
        items_.push_back(std::move(item));
        return GetCount() - 1;
    }
    void Insert(int index, std::unique_ptr<Item> item)
    {
        items_.insert(items_.begin() + checked(index, GetCount() + 1), std::move(item));
    }
    void Delete(int index) { items_.erase(items_.begin() + checked(index, GetCount())); }
    void Clear() { items_.clear(); }
    void Exchange(int a, int b) { std::swap(items_.at(checked(a, GetCount())), items_.at(checked(b, GetCount()))); }
    // Both indices are checked before anything moves, so a bad one loses no item.
    void Move(int from, int to)
    {
        const std::size_t source = checked(from, GetCount());
        const std::size_t target = checked(to, GetCount());
        std::unique_ptr<Item> item = std::move(items_[source]);
        items_.erase(items_.begin() + from);
        items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(target), std::move(item));
    }
    int IndexOf(const Item* item) const
    {
        const auto at = std::find_if(items_.begin(), items_.end(), [item](const auto& p) { return p.get() == item; });
        return at == items_.end() ? -1 : static_cast<int>(at - items_.begin());
    }
    // Takes the item out without freeing it; null when it is not in the list.
    std::unique_ptr<Item> Remove(const Item* item)
    {
        const int index = IndexOf(item);
        if (index < 0)
            return nullptr;
        std::unique_ptr<Item> taken = std::move(items_[static_cast<std::size_t>(index)]);
        items_.erase(items_.begin() + index);
        return taken;
    }

    void Warning(TGIFSeverity severity, std::string_view message) { GifWarning(Image, this, severity, message); }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    TGIFImage* Image;

private:
    static std::size_t checked(int index, int limit)
    {
        if (index < 0 || index >= limit)
            throw std::out_of_range("GIF list index out of range");
        return static_cast<std::size_t>(index);
    }

    std::vector<std::unique_ptr<Item>> items_;
};
