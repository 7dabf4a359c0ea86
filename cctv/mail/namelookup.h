// Name lookup with a bound: getaddrinfo itself may wait as long as the resolver likes, which would
// hold the mail worker (and an exit) for minutes.
#pragma once

#include <netinet/in.h>

#include <chrono>
#include <string>

namespace tavo::cctv {

// The first IPv4 address of `host` (a dotted address or a name) into `address`. False when the
// name has none, the lookup failed, `deadline` passed or `cancelFd` (see CancelSignal; -1 for
// none) was raised first. A lookup given up on finishes in the resolver's own threads and cleans
// up after itself.
bool LookUpIpv4(const std::string& host, in_addr& address,
                std::chrono::steady_clock::time_point deadline, int cancelFd = -1);

}  // namespace tavo::cctv
