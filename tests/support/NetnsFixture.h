#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace netnstest {

// Runs this test program again inside scripts/with-netns (a fresh network namespace with
// only lo and its own hosts file) unless it already runs there. Called from a static
// initializer, before the application object exists; the arguments are read back from /proc
// because main has not seen them yet. When namespaces are missing the script exits 77, which
// the test is registered to read as "skipped".
inline bool enterNetworkNamespace(const std::vector<std::string>& options = {})
{
    if (std::getenv("PELVAXON_NETNS"))
        return true;
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        std::perror("cannot find this test program");
        std::_Exit(1);
    }
    std::vector<std::string> words{PELVAXON_SOURCE_DIR "/scripts/with-netns"};
    words.insert(words.end(), options.begin(), options.end());
    words.emplace_back(self, static_cast<std::size_t>(length));
    std::ifstream cmdline("/proc/self/cmdline", std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
    for (std::size_t start = raw.find('\0') + 1; start > 0 && start < raw.size();) {
        const std::size_t end = raw.find('\0', start);
        words.push_back(raw.substr(start, end - start));
        start = end + 1;
    }
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    std::perror("cannot run scripts/with-netns");
    std::_Exit(1);
}

} // namespace netnstest
