#include "filemanager/dir.h"

#include "platform/fs/Attributes.h"
#include "platform/fs/CurrentDir.h"
#include "platform/fs/DirTreeSize.h"
#include "platform/fs/FindFiles.h"
#include "platform/fs/Names.h"
#include "platform/fs/Path.h"
#include "platform/fs/VolumeLabel.h"

#include <algorithm>
#include <tuple>

namespace {
// The bits the attribute filter looks at; an entry with none of them always passes.
constexpr std::uint32_t filteredBits =
    platform::attrReadOnly | platform::attrHidden | platform::attrSystem | platform::attrArchive;

bool HiddenByMask(std::uint32_t attrib, int attrMask)
{
    return (attrib & filteredBits) != 0 && (attrib & filteredBits & std::uint32_t(attrMask)) == 0;
}

template <class T>
int Compare3(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// ".." leads, then directories, then files. The descending orders negate the whole
// comparison, so there ".." gets the highest rank to stay in front.
int Rank(const ff& entry, bool descending)
{
    if (entry.lname == "..")
        return descending ? 3 : 0;
    return entry.IsDirectory() ? 1 : 2;
}

using KeyCompare = int (*)(const ff&, const ff&);

int Ordered(const ff& a, const ff& b, bool descending, KeyCompare key)
{
    int result = Compare3(Rank(a, descending), Rank(b, descending));
    if (result == 0 && key)
        result = key(a, b);
    if (result == 0)
        result = Compare3(a.lname, b.lname);
    if (result == 0)
        result = Compare3(a.name, b.name); // "A" and "a" may both exist
    return descending ? -result : result;
}

// A name without extension sorts as the extension "..", before every real one.
const std::string& ExtKey(const ff& entry)
{
    static const std::string none = "..";
    return entry.lext.empty() ? none : entry.lext;
}

int ExtOrder(const ff& a, const ff& b) { return Compare3(ExtKey(a), ExtKey(b)); }
int SizeOrder(const ff& a, const ff& b) { return Compare3(a.fsize, b.fsize); }

// Minutes are the finest step of the date order; seconds do not count.
int DateOrder(const ff& a, const ff& b)
{
    const auto key = [](const ff& e) { return std::tie(e.time.year, e.time.month, e.time.day, e.time.hour, e.time.minute); };
    return Compare3(key(a), key(b));
}

std::unique_ptr<ff> MakeEntry(const platform::FoundFile& found)
{
    auto entry = std::make_unique<ff>();
    entry->fsize = found.size;
    entry->attrib = found.attributes;
    entry->mtime = found.mtime;
    entry->time = platform::LocalTimeOf(found.mtime);
    entry->name = found.name;
    entry->lname = platform::LowerName(found.name);
    entry->lext = platform::ExtensionOf(entry->lname);
    entry->size = found.size;
    return entry;
}
} // namespace

bool ff::IsDirectory() const { return (attrib & platform::attrDirectory) != 0; }

int CompareByName(const ff& a, const ff& b) { return Ordered(a, b, false, nullptr); }
int CompareByNameDesc(const ff& a, const ff& b) { return Ordered(a, b, true, nullptr); }
int CompareByExt(const ff& a, const ff& b) { return Ordered(a, b, false, ExtOrder); }
int CompareByExtDesc(const ff& a, const ff& b) { return Ordered(a, b, true, ExtOrder); }
int CompareBySize(const ff& a, const ff& b) { return Ordered(a, b, false, SizeOrder); }
int CompareBySizeDesc(const ff& a, const ff& b) { return Ordered(a, b, true, SizeOrder); }
int CompareByDate(const ff& a, const ff& b) { return Ordered(a, b, false, DateOrder); }
int CompareByDateDesc(const ff& a, const ff& b) { return Ordered(a, b, true, DateOrder); }

void Tdir::SetTitle(const std::string& title)
{
    if (titleBar)
        titleBar->SetTitle(title);
}

void Tdir::ReadDirectory(const std::string& mask, int attrMask, bool withDirSizes)
{
    SetTitle("Pelvaxon");
    const std::string oldPath = path;
    path = platform::CurrentDir();
    std::string cursorName;
    if (path == oldPath) {
        const auto cursor = std::find_if(entries.begin(), entries.end(), [](const auto& e) { return e->current; });
        if (cursor != entries.end())
            cursorName = (*cursor)->name;
    }
    ClearEntries();
    volume = platform::VolumeLabel(path);

    for (const platform::FoundFile& found : platform::ListDir(path, mask)) {
        if (HiddenByMask(found.attributes, attrMask))
            continue;
        std::unique_ptr<ff> entry = MakeEntry(found);
        // A linked directory keeps its own size: the walk never follows links.
        if (withDirSizes && entry->IsDirectory() && entry->name != ".." && !found.isSymlink)
            entry->size = GetDirectorySize(platform::JoinPath(path, entry->name));
        maxSize = std::max(maxSize, entry->size);
        if (!cursorName.empty() && entry->name == cursorName) {
            entry->current = true;
            cursorName.clear();
        }
        entries.push_back(std::move(entry));
    }
}

std::int64_t Tdir::GetDirectorySize(const std::string& directoryPath)
{
    const std::string savedTitle = titleBar ? titleBar->Title() : std::string();
    SetTitle("getting directory size");
    const std::int64_t total = platform::DirTreeSize(directoryPath);
    SetTitle(savedTitle);
    return total;
}

void Tdir::ClearEntries()
{
    entries.clear();
    maxSize = 0;
}

void Tdir::SortByName(bool reverse) { Sort(reverse ? CompareByNameDesc : CompareByName); }
void Tdir::SortByExt(bool reverse) { Sort(reverse ? CompareByExtDesc : CompareByExt); }
void Tdir::SortBySize(bool reverse) { Sort(reverse ? CompareBySizeDesc : CompareBySize); }
void Tdir::SortByDate(bool reverse) { Sort(reverse ? CompareByDateDesc : CompareByDate); }

void Tdir::Sort(int (*compare)(const ff&, const ff&))
{
    std::sort(entries.begin(), entries.end(), [compare](const auto& a, const auto& b) { return compare(*a, *b) < 0; });
}
