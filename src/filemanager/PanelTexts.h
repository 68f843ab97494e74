#pragma once

#include <QString>

#include <cstdint>
#include <string>

class QLocale;
struct ff;

// The texts a panel's scene shows, apart from the drawing.

// The listing's line above the scene: "[volume]  path (marked/count items), selected: N bytes",
// N with the locale's group separators.
QString ListingStatusText(const std::string& volume, const std::string& path, int markedCount, int entryCount,
                          std::int64_t markedBytes, const QLocale& locale);

// A whole number with the locale's group separators, as UTF-8.
std::string GroupedNumber(std::int64_t value, const QLocale& locale);

// The size label: the grouped size (empty without showSize), with showAttributes followed by
// two blanks and "rhsa", each letter a "-" when its bit is clear.
std::string SizeAttributeLabel(const ff& entry, bool showSize, bool showAttributes, const QLocale& locale);

// The date label "year.mm.dd hh:mm" of the entry's local modification time.
std::string DateLabel(const ff& entry);
