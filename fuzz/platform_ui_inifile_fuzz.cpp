// A settings file of any bytes. The input's first line names a section and a key (split at
// the first blank), the rest is the file. What the key reads as survives saving and reading
// again; a value written to it reads back, before and after a save, when the names are ones
// a line can hold.
#include "FuzzSupport.h"

#include "platform/base/Exception.h"
#include "platform/ui/IniFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// A key or section name as a line holds it: no blanks around it, no line break, and nothing
// that would end the name early or make the line a comment or a header.
bool Storable(const std::string& name, const char* ending)
{
    return !name.empty() && name.find_first_of(ending) == std::string::npos && name.front() > ' ' && name.back() > ' '
           && name.front() != ';' && name.front() != '#' && name.front() != '[';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t lineEnd = std::min(input.find('\n'), input.size());
    const std::string_view names = input.substr(0, lineEnd);
    const std::size_t blank = std::min(names.find(' '), names.size());
    const std::string section(names.substr(0, blank));
    const std::string key(names.substr(std::min(blank + 1, names.size())));
    const std::string name = fuzzsupport::runDirectory() + "/PELVAXON.INI";
    fuzzsupport::writeFile(name, input.substr(std::min(lineEnd + 1, input.size())));

    platform::IniFile ini(name);
    const std::string before = ini.readString(section, key, "\x01 none");
    ini.readInteger(section, key, 0);
    ini.readFloat(section, key, 0);
    try {
        ini.save();
    } catch (const platform::Exception&) {
        if (ini.loadError().empty())
            std::abort(); // a file it read can be saved again
        return 0;
    }
    if (platform::IniFile(name).readString(section, key, "\x01 none") != before)
        std::abort();

    ini.writeString(section, key, "written");
    const bool storable = Storable(section, "]\r\n") && Storable(key, "=\r\n");
    if (storable && ini.readString(section, key, "") != "written")
        std::abort();
    ini.save();
    if (storable && platform::IniFile(name).readString(section, key, "") != "written")
        std::abort();
    return 0;
}
