#include "filemanager/dir.h"

#include "platform/fs/Attributes.h"
#include "platform/fs/Names.h"

#include <gtest/gtest.h>

namespace {
struct Sample {
    const char* name;
    bool directory;
    std::int64_t fsize;
    platform::LocalTime time;
};

// Directories, files with and without extensions, equal sizes and minutes, a name that
// differs from another only in case, and one that begins with a control byte.
const Sample samples[] = {
    {"b.txt", false, 10, {2019, 12, 31, 23, 59, 0}}, {"..", true, 0, {2050, 1, 1, 0, 0, 0}},
    {"z.a", false, 20, {1975, 3, 3, 3, 3, 0}},       {"Zeta", true, 0, {1999, 1, 1, 0, 0, 0}},
    {"same", false, 7, {2022, 2, 2, 2, 2, 0}},       {"\x01odd", false, 3, {2020, 5, 1, 10, 0, 0}},
    {"c", false, 5, {2021, 1, 1, 0, 0, 1}},          {"a.TXT", false, 10, {2030, 1, 1, 0, 0, 0}},
    {"alpha", true, 0, {2000, 1, 1, 0, 0, 0}},       {"b.ab", false, 1, {2021, 1, 1, 0, 0, 59}},
    {"Same", false, 7, {2022, 2, 2, 2, 2, 0}},
};

Tdir SampleListing()
{
    Tdir dir;
    for (const Sample& s : samples) {
        auto entry = std::make_unique<ff>();
        entry->name = s.name;
        entry->lname = platform::LowerName(s.name);
        entry->lext = platform::ExtensionOf(entry->lname);
        entry->attrib = s.directory ? platform::attrDirectory : 0;
        entry->fsize = entry->size = s.fsize;
        entry->time = s.time;
        dir.entries.push_back(std::move(entry));
    }
    return dir;
}

struct Order {
    const char* title;
    void (Tdir::*sort)(bool);
    bool reverse;
    std::vector<std::string> expected;
};

TEST(TdirSort, EveryOrderAndDirectionWithItsTieRules)
{
    const Order orders[] = {
        {"name", &Tdir::SortByName, false,
         {"..", "alpha", "Zeta", "\x01odd", "a.TXT", "b.ab", "b.txt", "c", "Same", "same", "z.a"}},
        {"name desc", &Tdir::SortByName, true,
         {"..", "z.a", "same", "Same", "c", "b.txt", "b.ab", "a.TXT", "\x01odd", "Zeta", "alpha"}},
        {"ext", &Tdir::SortByExt, false,
         {"..", "alpha", "Zeta", "\x01odd", "c", "Same", "same", "z.a", "b.ab", "a.TXT", "b.txt"}},
        {"ext desc", &Tdir::SortByExt, true,
         {"..", "b.txt", "a.TXT", "b.ab", "z.a", "same", "Same", "c", "\x01odd", "Zeta", "alpha"}},
        {"size", &Tdir::SortBySize, false,
         {"..", "alpha", "Zeta", "b.ab", "\x01odd", "c", "Same", "same", "a.TXT", "b.txt", "z.a"}},
        {"size desc", &Tdir::SortBySize, true,
         {"..", "z.a", "b.txt", "a.TXT", "same", "Same", "c", "\x01odd", "b.ab", "Zeta", "alpha"}},
        {"date", &Tdir::SortByDate, false,
         {"..", "Zeta", "alpha", "z.a", "b.txt", "\x01odd", "b.ab", "c", "Same", "same", "a.TXT"}},
        {"date desc", &Tdir::SortByDate, true,
         {"..", "a.TXT", "same", "Same", "c", "b.ab", "\x01odd", "b.txt", "z.a", "alpha", "Zeta"}},
    };
    for (const Order& order : orders) {
        Tdir dir = SampleListing();
        (dir.*order.sort)(order.reverse);
        std::vector<std::string> names;
        for (const auto& entry : dir.entries)
            names.push_back(entry->name);
        EXPECT_EQ(names, order.expected) << order.title;
    }
}

TEST(TdirSort, ComparatorsAreConsistentBothWays)
{
    const Tdir dir = SampleListing();
    for (auto compare : {CompareByName, CompareByExt, CompareBySize, CompareByDate, CompareByNameDesc,
                         CompareByExtDesc, CompareBySizeDesc, CompareByDateDesc})
        for (const auto& a : dir.entries)
            for (const auto& b : dir.entries) {
                EXPECT_EQ(compare(*a, *b), -compare(*b, *a)) << a->name << " " << b->name;
                EXPECT_EQ(compare(*a, *b) == 0, a.get() == b.get()) << a->name << " " << b->name;
            }
}
} // namespace
