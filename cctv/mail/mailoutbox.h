// The network part of the alert mails, off the user-interface thread: one worker delivers the
// mails one at a time, in the order they were posted, and each result comes back to the thread
// that made the outbox as a posted Qt event, so that what follows a delivery (alerts off, a box)
// happens there.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "mail/cancelsignal.h"
#include "mail/mailmessage.h"

class QObject;

namespace tavo::cctv {

// Delivers one message on the calling thread (the outbox's worker); 0 when delivered, -1
// otherwise. Gives up with -1 soon after `cancel` is raised.
class MailTransport {
 public:
  virtual ~MailTransport() = default;
  virtual int Deliver(const MailMessage& message, const CancelSignal& cancel) = 0;
};

class MailOutbox {
 public:
  // Mails that may wait behind the one being delivered. Each is a small record (the composite
  // stays on disk until it is sent), so the queue costs little; it only fills while the server
  // takes longer per mail than a batch of 16 pictures takes to record.
  static constexpr std::size_t kWaitingLimit = 4;

  // Called with Deliver's result, on the thread that made the outbox, from its event loop.
  using Finished = std::function<void(int result)>;

  // `transport` is used from the worker thread only. The outbox must be made on a thread that
  // runs a Qt event loop (or sends its posted events), which is where `finished` runs.
  MailOutbox(MailTransport& transport, Finished finished);
  // Cancels the mail on the wire, drops the waiting ones and joins the worker; no result is
  // reported after this. Returns as soon as the transport has seen the cancel.
  ~MailOutbox();
  MailOutbox(const MailOutbox&) = delete;
  MailOutbox& operator=(const MailOutbox&) = delete;

  // Queues `message` behind the others. When kWaitingLimit mails already wait, the oldest waiting
  // one (never the one on the wire) gives way and is returned, for the caller to report: an alert
  // is worth most while it is new, so the newest batch goes out, while the first of the burst is
  // already on the wire.
  std::optional<MailMessage> Post(MailMessage message);

  // Takes every waiting mail out of the queue (not the one on the wire) and returns them.
  std::vector<MailMessage> TakeWaiting();

  // After a failed delivery the worker takes no further mail until the result has been handled
  // here: the mails behind it would go to the same server with the same settings, and the owner
  // decides first whether they still go (TakeWaiting, then Resume). Resume is also called for it
  // once `finished` returns.
  void Resume();

  // Mails posted whose result has not reached `finished` yet, leaving out those taken back.
  int outstanding() const { return outstanding_; }

 private:
  void Run();
  void OnResult(int result);

  MailTransport& transport_;
  Finished finished_;
  // Touched by the user-interface thread only.
  int outstanding_ = 0;
  // Receives the results; lives on the thread that made the outbox. The worker only posts to it
  // and is joined before it goes.
  std::unique_ptr<QObject> receiver_;
  CancelSignal cancel_;

  std::mutex mutex_;
  std::condition_variable wake_;
  // Guarded by mutex_.
  std::deque<MailMessage> waiting_;
  bool paused_ = false;
  bool stopping_ = false;

  std::thread worker_;  // last: starts once everything above is ready
};

}  // namespace tavo::cctv
