#include "support/RouterChain.h"

#include "support/ProgramRun.h"

#include <sys/mount.h>
#include <sys/stat.h>

#include <cstdlib>
#include <sstream>

namespace netnstest {

namespace {

const char* const namespaceDirectory = "/run/netns";

std::string subnet(int link)
{
    return "10.23." + std::to_string(link) + ".";
}

// Named namespaces live as files under /run/netns: a tmpfs of the test's own mount namespace
// keeps them from the machine and from other tests running at the same time.
bool privateNamespaceDirectory()
{
    static const bool mounted = [] {
        ::mkdir(namespaceDirectory, 0755);
        return ::mount("pelvaxon-netns", namespaceDirectory, "tmpfs", 0, nullptr) == 0;
    }();
    return mounted;
}

} // namespace

RouterChain::RouterChain(int routers) : routers_(routers)
{
    static int chains = 0;
    prefix_ = "chain" + std::to_string(++chains) + "-";
    if (!std::getenv("PELVAXON_NETNS"))
        failure_ = "not inside a test network namespace";
    else if (!privateNamespaceDirectory())
        failure_ = "cannot mount a private /run/netns";
    else
        build();
}

RouterChain::~RouterChain()
{
    // A deleted namespace takes its links down later, in the background: the next chain's
    // first link, of the same name, must not find this one still here.
    if (!made_.empty())
        testsupport::runProgram({"ip", "link", "delete", "chain1a"});
    for (const std::string& name : made_)
        testsupport::runProgram({"ip", "netns", "delete", name});
}

std::string RouterChain::local() const
{
    return subnet(1) + "1";
}

std::string RouterChain::router(int i) const
{
    return subnet(i) + "2";
}

std::string RouterChain::target() const
{
    return subnet(routers_ + 1) + "2";
}

std::string RouterChain::node(int i) const
{
    return i > routers_ ? prefix_ + "target" : prefix_ + "r" + std::to_string(i);
}

bool RouterChain::run(const std::vector<std::string>& command)
{
    if (!failure_.empty())
        return false;
    if (testsupport::runProgram(command) == 0)
        return true;
    for (const std::string& word : command)
        failure_ += (failure_.empty() ? "" : " ") + word;
    failure_ += " failed";
    return false;
}

bool RouterChain::exec(int i, const std::vector<std::string>& command) const
{
    std::vector<std::string> words;
    if (i > 0)
        words = {"ip", "netns", "exec", node(i)};
    words.insert(words.end(), command.begin(), command.end());
    return testsupport::runProgram(words) == 0;
}

bool RouterChain::sysctl(int i, const std::string& key, const std::string& value) const
{
    return exec(i, {"sysctl", "-qw", key + "=" + value});
}

bool RouterChain::setLinkMtu(int k, int mtu) const
{
    const std::string value = std::to_string(mtu);
    return exec(k - 1, {"ip", "link", "set", "chain" + std::to_string(k) + "a", "mtu", value})
           && exec(k, {"ip", "link", "set", "chain" + std::to_string(k) + "b", "mtu", value});
}

bool RouterChain::silenceTimeExceeded(int i, bool silent) const
{
    if (!silent)
        return exec(i, {"nft", "delete", "table", "ip", "silence"});
    return exec(i, {"nft", "add", "table", "ip", "silence"})
           && exec(i, {"nft", "add", "chain", "ip", "silence", "out", "{ type filter hook output priority 0 ; }"})
           && exec(i, {"nft", "add", "rule", "ip", "silence", "out", "icmp", "type", "time-exceeded", "drop"});
}

bool RouterChain::build()
{
    const int nodes = routers_ + 2;
    for (int i = 1; i < nodes; ++i) {
        if (!run({"ip", "netns", "add", node(i)}))
            return false;
        made_.push_back(node(i));
        run({"ip", "-n", node(i), "link", "set", "lo", "up"});
    }
    auto in = [this](int i, std::vector<std::string> command) {
        if (i > 0)
            command.insert(command.begin() + 1, {"-n", node(i)});
        return command;
    };
    for (int k = 1; k < nodes; ++k) {
        const std::string near = "chain" + std::to_string(k) + "a";
        const std::string far = "chain" + std::to_string(k) + "b";
        run(in(k - 1, {"ip", "link", "add", near, "type", "veth", "peer", "name", far, "netns", node(k)}));
        run(in(k - 1, {"ip", "addr", "add", subnet(k) + "1/24", "dev", near}));
        run(in(k - 1, {"ip", "link", "set", near, "up"}));
        run(in(k, {"ip", "addr", "add", subnet(k) + "2/24", "dev", far}));
        run(in(k, {"ip", "link", "set", far, "up"}));
    }
    run({"ip", "route", "add", "10.23.0.0/16", "via", subnet(1) + "2"});
    run(in(nodes - 1, {"ip", "route", "add", "10.23.0.0/16", "via", subnet(nodes - 1) + "1"}));
    for (int i = 1; i <= routers_; ++i) {
        // Anything not behind a router lies further down the chain.
        for (int k = 1; k < i; ++k)
            run(in(i, {"ip", "route", "add", subnet(k) + "0/24", "via", subnet(i) + "1"}));
        run(in(i, {"ip", "route", "add", "default", "via", subnet(i + 1) + "2"}));
        if (failure_.empty() && !(sysctl(i, "net.ipv4.ip_forward", "1") && sysctl(i, "net.ipv4.icmp_ratelimit", "0")))
            failure_ = "cannot make " + node(i) + " a router";
    }
    return failure_.empty();
}

std::vector<std::string> tracerouteHops(const std::string& target, int hops)
{
    std::string output;
    testsupport::runProgram({"traceroute", "-I", "-n", "-q", "1", "-w", "2", "-m", std::to_string(hops), target},
                            &output, 20000);
    // Lines "N  address  time ms", or "N  *" for a hop that stayed silent.
    std::vector<std::string> addresses;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string number;
        std::string address;
        if (words >> number >> address && number.find_first_not_of("0123456789") == std::string::npos)
            addresses.push_back(address);
    }
    return addresses;
}

std::string pingTimeExceededFrom(const std::string& target, int ttl)
{
    std::string output;
    testsupport::runProgram({"ping", "-n", "-c", "1", "-W", "2", "-t", std::to_string(ttl), target}, &output, 10000);
    // "From 10.23.1.2 icmp_seq=1 Time to live exceeded"
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string from;
        std::string address;
        if (words >> from >> address && from == "From" && line.find("Time to live exceeded") != std::string::npos)
            return address;
    }
    return {};
}

} // namespace netnstest
