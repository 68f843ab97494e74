#pragma once

#include <string>
#include <vector>

namespace netnstest {

// A chain of routers behind the test's own network namespace, with a target at its end, each
// a namespace of its own joined by veth pairs:
//
//   this namespace 10.23.1.1 -- 10.23.1.2 router 1 10.23.2.1 -- 10.23.2.2 router 2 ...
//   ... router N 10.23.N+1.1 -- 10.23.N+1.2 target
//
// Link k joins node k-1 and node k (node 0 is this namespace, node N+1 the target; with no
// routers the target sits right behind this namespace's link). The
// routers forward and answer every probe (no ICMP rate limit); what they have no route for
// goes on towards the target. The namespaces are named under
// a private /run/netns, so nothing shows outside the test's namespace and nothing is left
// behind; the destructor removes them. Only inside scripts/with-netns, one chain at a time.
class RouterChain {
public:
    explicit RouterChain(int routers = 3);
    ~RouterChain();
    RouterChain(const RouterChain&) = delete;
    RouterChain& operator=(const RouterChain&) = delete;

    // Empty when the chain stands, else the command that failed.
    const std::string& failure() const { return failure_; }

    int routers() const { return routers_; }
    // This namespace's address on link 1.
    std::string local() const;
    // The address router i (from 1) answers a probe from: its side of link i.
    std::string router(int i) const;
    std::string target() const;
    // The namespace names for `ip netns exec` and `ip -n`: router i, or the target for routers() + 1.
    std::string node(int i) const;

    // Runs a command inside node i (0 is this namespace); true when it exits with 0.
    bool exec(int i, const std::vector<std::string>& command) const;
    bool sysctl(int i, const std::string& key, const std::string& value) const;
    // Both ends of link k.
    bool setLinkMtu(int k, int mtu) const;
    // Router i drops the time-exceeded messages it would send (nftables), or sends them again.
    bool silenceTimeExceeded(int i, bool silent) const;

private:
    bool run(const std::vector<std::string>& command);
    bool build();

    int routers_;
    std::string prefix_;
    std::string failure_;
    std::vector<std::string> made_;
};

// What the system's tools see from this namespace: the hop addresses `traceroute -I -n`
// prints up to the given number of hops, and the router `ping -t ttl` hears "Time to live
// exceeded" from (empty when none).
std::vector<std::string> tracerouteHops(const std::string& target, int hops);
std::string pingTimeExceededFrom(const std::string& target, int ttl);

} // namespace netnstest
