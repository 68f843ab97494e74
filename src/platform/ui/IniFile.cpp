#include "platform/ui/IniFile.h"

#include "platform/base/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <charconv>
#include <cstring>

namespace platform {
namespace {

// Far beyond any settings file; a bigger one is not ours and is left alone.
constexpr qint64 maxFileSize = 4 * 1024 * 1024;

std::string trim(const std::string& text)
{
    const char* blanks = " \t\r";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool sameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

// "[name]" gives name; anything else is not a section header.
bool headerName(const std::string& line, std::string& name)
{
    const std::string text = trim(line);
    if (text.empty() || text.front() != '[')
        return false;
    const auto close = text.find(']');
    if (close == std::string::npos)
        return false;
    name = trim(text.substr(1, close - 1));
    return true;
}

// The key of a "key=value" line; empty for comments, headers and lines without "=".
std::string keyOf(const std::string& line)
{
    const std::string text = trim(line);
    if (text.empty() || text.front() == ';' || text.front() == '#' || text.front() == '[')
        return {};
    const auto equals = text.find('=');
    return equals == std::string::npos ? std::string() : trim(text.substr(0, equals));
}

template <class Number, class... Format>
bool parseWhole(const std::string& text, Number& value, Format... format)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin == end)
        return false;
    const auto [stop, error] = std::from_chars(begin, end, value, format...);
    return error == std::errc() && stop == end;
}

} // namespace

IniFile::IniFile(std::string path) : path_(std::move(path))
{
    QFile file(QFile::decodeName(path_.c_str()));
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly) || QFileInfo(file).isDir()) {
        loadError_ = file.errorString().toStdString();
        if (loadError_.empty() || loadError_ == "Unknown error")
            loadError_ = "not a readable file";
        return;
    }
    if (file.size() > maxFileSize) {
        loadError_ = "larger than " + std::to_string(maxFileSize) + " bytes";
        return;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        loadError_ = file.errorString().toStdString();
        return;
    }
    std::string section;
    std::size_t start = 0;
    while (start < static_cast<std::size_t>(content.size())) {
        std::size_t stop = content.indexOf('\n', static_cast<qsizetype>(start));
        if (stop == static_cast<std::size_t>(-1))
            stop = content.size();
        std::string text(content.constData() + start, stop - start);
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        std::string name;
        if (headerName(text, name))
            section = name;
        lines_.push_back({std::move(text), section});
        start = stop + 1;
    }
}

const IniFile::Line* IniFile::find(const std::string& section, const std::string& key) const
{
    for (const Line& line : lines_) {
        if (sameName(line.section, section) && sameName(keyOf(line.text), key))
            return &line;
    }
    return nullptr;
}

IniFile::Line* IniFile::find(const std::string& section, const std::string& key)
{
    return const_cast<Line*>(std::as_const(*this).find(section, key));
}

bool IniFile::lookup(const std::string& section, const std::string& key, std::string& value) const
{
    if (key.empty())
        return false;
    const Line* line = find(section, key);
    if (!line)
        return false;
    value = trim(line->text.substr(line->text.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return true;
}

std::string IniFile::readString(const std::string& section, const std::string& key,
                                const std::string& fallback) const
{
    std::string value;
    return lookup(section, key, value) ? value : fallback;
}

long long IniFile::readInteger(const std::string& section, const std::string& key, long long fallback) const
{
    std::string text;
    if (!lookup(section, key, text))
        return fallback;
    long long value = 0;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const bool ok = hex ? parseWhole(text.substr(2), value, 16) : parseWhole(text, value, 10);
    return ok ? value : fallback;
}

bool IniFile::readBool(const std::string& section, const std::string& key, bool fallback) const
{
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

double IniFile::readFloat(const std::string& section, const std::string& key, double fallback) const
{
    std::string text;
    if (!lookup(section, key, text))
        return fallback;
    if (!text.empty() && text.front() == '+')
        text.erase(0, 1);
    for (char& c : text) {
        if (c == ',')
            c = '.';
    }
    double value = 0;
    return parseWhole(text, value, std::chars_format::general) ? value : fallback;
}

void IniFile::writeString(const std::string& section, const std::string& key, const std::string& value)
{
    if (value.find_first_of("\r\n") != std::string::npos)
        return;
    std::string text = key + "=" + value;
    if (Line* line = find(section, key)) {
        line->text = std::move(text);
        return;
    }
    // After the last non-blank line of the section's first occurrence, so that a blank
    // line separating it from the next section stays where it was.
    auto header = lines_.end();
    for (auto it = lines_.begin(); it != lines_.end(); ++it) {
        std::string name;
        if (headerName(it->text, name) && sameName(name, section)) {
            header = it;
            break;
        }
    }
    if (header == lines_.end()) {
        lines_.push_back({"[" + section + "]", section});
        lines_.push_back({std::move(text), section});
        return;
    }
    auto insertAfter = header;
    std::string name;
    for (auto it = header + 1; it != lines_.end() && !headerName(it->text, name); ++it) {
        if (!trim(it->text).empty())
            insertAfter = it;
    }
    lines_.insert(insertAfter + 1, {std::move(text), header->section});
}

void IniFile::writeInteger(const std::string& section, const std::string& key, long long value)
{
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(const std::string& section, const std::string& key, bool value)
{
    writeString(section, key, value ? "1" : "0");
}

void IniFile::writeFloat(const std::string& section, const std::string& key, double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    writeString(section, key, std::string(buffer, result.ptr));
}

void IniFile::deleteKey(const std::string& section, const std::string& key)
{
    if (const Line* line = find(section, key))
        lines_.erase(lines_.begin() + (line - lines_.data()));
}

std::string IniFile::text() const
{
    std::string out;
    for (const Line& line : lines_) {
        out += line.text;
        out += '\n';
    }
    return out;
}

void IniFile::save() const
{
    const std::string failed = "cannot write settings file " + path_ + ": ";
    if (!loadError_.empty())
        throw Exception(failed + "the existing file could not be read (" + loadError_ + ")");
    const QString name = QFile::decodeName(path_.c_str());
    const QString directory = QFileInfo(name).absolutePath();
    if (!QDir().mkpath(directory))
        throw Exception(failed + "cannot create the directory " + QFile::encodeName(directory).toStdString());
    QSaveFile file(name);
    const std::string content = text();
    if (!file.open(QIODevice::WriteOnly)
        || file.write(content.data(), static_cast<qint64>(content.size())) != static_cast<qint64>(content.size())
        || !file.commit())
        throw Exception(failed + file.errorString().toStdString());
}

} // namespace platform
