#pragma once

#include <string>
#include <vector>

namespace platform {

// An INI file with the semantics of the Windows profile functions, which the settings
// layout was made for: section and key names match without regard to ASCII case, values
// are read with surrounding blanks and one pair of matching quotes removed, and an update
// rewrites only the line of its key, so foreign sections, keys, comments and malformed
// lines survive. A new key goes to the end of its section, a new section to the end of
// the file. Nothing touches the disk until save(), which replaces the file atomically.
//
// A value that is missing or does not convert yields the caller's default.
class IniFile {
public:
    // Reads the file if it exists. A missing file is an empty one; a file that exists but
    // cannot be read is remembered, so that save() refuses to replace what it never saw.
    explicit IniFile(std::string path);

    const std::string& path() const { return path_; }
    // Empty when the file was read (or did not exist); otherwise why it could not be.
    const std::string& loadError() const { return loadError_; }

    std::string readString(const std::string& section, const std::string& key,
                           const std::string& fallback) const;
    // Decimal, or hexadecimal with a leading "0x"; anything else gives the default.
    long long readInteger(const std::string& section, const std::string& key, long long fallback) const;
    // True when the integer value is not 0 ("1", "2", "0x10"); "true" does not convert.
    bool readBool(const std::string& section, const std::string& key, bool fallback) const;
    // Always "." as decimal separator, "," accepted too. Non-finite values ("nan", "inf")
    // are returned as read: the caller decides what they mean.
    double readFloat(const std::string& section, const std::string& key, double fallback) const;

    // A value holding a line break (Linux allows one in a file name) cannot be stored in a
    // line: the key keeps its old line, rather than the break splitting it into a
    // truncated value and a stray line.
    void writeString(const std::string& section, const std::string& key, const std::string& value);
    void writeInteger(const std::string& section, const std::string& key, long long value);
    void writeBool(const std::string& section, const std::string& key, bool value);
    // Up to 15 significant digits, general format, "." whatever the locale.
    void writeFloat(const std::string& section, const std::string& key, double value);
    // Removes the key's line, if there is one.
    void deleteKey(const std::string& section, const std::string& key);

    // Writes the whole file through a temporary and a rename, creating its directory:
    // a crash or a full disk leaves the old file or the new one, never half of either.
    // Throws platform::Exception naming the file when that fails.
    void save() const;

    // The file's text as save() would write it.
    std::string text() const;

private:
    struct Line {
        std::string text;    // the line as it stands in the file, without its end of line
        std::string section; // the section it belongs to ("" before the first header)
    };
    const Line* find(const std::string& section, const std::string& key) const;
    Line* find(const std::string& section, const std::string& key);
    bool lookup(const std::string& section, const std::string& key, std::string& value) const;

    std::string path_;
    std::string loadError_;
    std::vector<Line> lines_;
};

} // namespace platform
