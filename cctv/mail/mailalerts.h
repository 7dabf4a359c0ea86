// The mail alerts in the recording step: every completed batch of 16 images, while alerts are on,
// becomes a composite that is mailed.
#pragma once

#include <functional>
#include <string>

#include "mail/alertmail.h"
#include "mail/composite.h"
#include "recordingstore.h"

namespace tavo::cctv {

class MailAlerts {
 public:
  // `store` numbers the composites; `builder` should find images through the store.
  MailAlerts(RecordingStore& store, CompositeBuilder& builder, AlertMailer& mailer);

  // Builds the composite of `batch` (here, on the calling thread) and hands its mail to the
  // mailer's worker under the batch's subject. True when the mail is on its way; false when the
  // composite failed (message 3014, nothing mailed) or the mail was refused at once.
  bool OnBatchComplete(const AlertBatch& batch);

  // Makes OnBatchComplete the store's alert hook, asked `mailAlertsOn` at every batch.
  void Connect(std::function<bool()> mailAlertsOn);

  // The newest composite written, or empty.
  const std::string& compositePath() const { return compositePath_; }

 private:
  RecordingStore& store_;
  CompositeBuilder& builder_;
  AlertMailer& mailer_;
  std::string compositePath_;
};

}  // namespace tavo::cctv
