#include "mail/namelookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <ctime>

#include "mail/cancelsignal.h"

namespace tavo::cctv {

namespace {

using Clock = std::chrono::steady_clock;

// How often a waiting lookup looks at the cancel signal: gai_suspend cannot wait on a descriptor.
constexpr std::chrono::milliseconds kCancelPoll{20};

// One asynchronous lookup. The resolver writes into it until it has finished, which may be long
// after the waiter gave up, so it lives on the heap with two owners: the waiter and the
// completion notice, which the resolver sends from a thread of its own. The last one frees it.
struct Lookup {
  std::string host;
  addrinfo hints{};
  gaicb request{};
  std::atomic<int> owners{2};
};

void Release(Lookup* lookup) {
  if (lookup->owners.fetch_sub(1) != 1) return;
  if (lookup->request.ar_result != nullptr) ::freeaddrinfo(lookup->request.ar_result);
  delete lookup;
}

void LookupFinished(sigval value) { Release(static_cast<Lookup*>(value.sival_ptr)); }

}  // namespace

bool LookUpIpv4(const std::string& host, in_addr& address, Clock::time_point deadline,
                int cancelFd) {
  if (::inet_pton(AF_INET, host.c_str(), &address) == 1) return true;
  if (host.empty() || CancelSignal::Raised(cancelFd)) return false;

  auto* lookup = new Lookup;
  lookup->host = host;
  lookup->hints.ai_family = AF_INET;
  lookup->hints.ai_socktype = SOCK_STREAM;
  lookup->request.ar_name = lookup->host.c_str();
  lookup->request.ar_request = &lookup->hints;
  sigevent notice{};
  notice.sigev_notify = SIGEV_THREAD;
  notice.sigev_notify_function = LookupFinished;
  notice.sigev_value.sival_ptr = lookup;
  gaicb* requests[] = {&lookup->request};
  if (::getaddrinfo_a(GAI_NOWAIT, requests, 1, &notice) != 0) {
    delete lookup;  // never queued: no notice will come
    return false;
  }

  const gaicb* const waitList[] = {&lookup->request};
  for (;;) {
    const int status = ::gai_error(&lookup->request);
    if (status != EAI_INPROGRESS) {
      const addrinfo* found = lookup->request.ar_result;
      const bool ok = status == 0 && found != nullptr && found->ai_family == AF_INET;
      if (ok) address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
      Release(lookup);
      return ok;
    }
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero() || CancelSignal::Raised(cancelFd)) {
      // A request taken off the queue before it ran sends no notice: its share is released here.
      if (::gai_cancel(&lookup->request) == EAI_CANCELED) Release(lookup);
      Release(lookup);
      return false;
    }
    const auto slice = std::min<Clock::duration>(left, kCancelPoll);
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(slice).count();
    const timespec wait{static_cast<std::time_t>(nanoseconds / 1'000'000'000),
                        static_cast<long>(nanoseconds % 1'000'000'000)};
    ::gai_suspend(waitList, 1, &wait);
  }
}

}  // namespace tavo::cctv
