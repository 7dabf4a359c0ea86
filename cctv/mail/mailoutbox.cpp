#include "mail/mailoutbox.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

namespace tavo::cctv {

namespace {

QEvent::Type ResultEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

class ResultEvent final : public QEvent {
 public:
  explicit ResultEvent(int result) : QEvent(ResultEventType()), result(result) {}
  const int result;
};

class ResultReceiver final : public QObject {
 public:
  explicit ResultReceiver(std::function<void(int)> onResult) : onResult_(std::move(onResult)) {}

  bool event(QEvent* e) override {
    if (e->type() != ResultEventType()) return QObject::event(e);
    onResult_(static_cast<ResultEvent*>(e)->result);
    return true;
  }

 private:
  std::function<void(int)> onResult_;
};

}  // namespace

MailOutbox::MailOutbox(MailTransport& transport, Finished finished)
    : transport_(transport),
      finished_(std::move(finished)),
      receiver_(std::make_unique<ResultReceiver>([this](int result) { OnResult(result); })),
      worker_([this] { Run(); }) {}

MailOutbox::~MailOutbox() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    waiting_.clear();
  }
  wake_.notify_all();
  cancel_.Raise();
  worker_.join();
  // Results posted but not yet handled go with the receiver.
  receiver_.reset();
}

std::optional<MailMessage> MailOutbox::Post(MailMessage message) {
  std::optional<MailMessage> dropped;
  {
    const std::lock_guard lock(mutex_);
    if (waiting_.size() >= kWaitingLimit) {
      dropped = std::move(waiting_.front());
      waiting_.pop_front();
    }
    waiting_.push_back(std::move(message));
  }
  wake_.notify_one();
  if (!dropped) ++outstanding_;
  return dropped;
}

std::vector<MailMessage> MailOutbox::TakeWaiting() {
  std::vector<MailMessage> taken;
  {
    const std::lock_guard lock(mutex_);
    for (MailMessage& message : waiting_) taken.push_back(std::move(message));
    waiting_.clear();
  }
  outstanding_ -= static_cast<int>(taken.size());
  return taken;
}

void MailOutbox::Resume() {
  {
    const std::lock_guard lock(mutex_);
    paused_ = false;
  }
  wake_.notify_one();
}

void MailOutbox::Run() {
  for (;;) {
    MailMessage message;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || (!paused_ && !waiting_.empty()); });
      if (stopping_) return;
      message = std::move(waiting_.front());
      waiting_.pop_front();
    }
    const int result = transport_.Deliver(message, cancel_);
    if (cancel_.raised()) return;  // the outbox is going: nobody is left to tell
    if (result != 0) {
      const std::lock_guard lock(mutex_);
      paused_ = true;
    }
    QCoreApplication::postEvent(receiver_.get(), new ResultEvent(result));
  }
}

void MailOutbox::OnResult(int result) {
  // Counted first: `finished` may open a box whose event loop delivers the next result.
  --outstanding_;
  if (finished_) finished_(result);
  if (result != 0) Resume();
}

}  // namespace tavo::cctv
