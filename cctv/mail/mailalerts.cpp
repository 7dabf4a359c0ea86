#include "mail/mailalerts.h"

namespace tavo::cctv {

MailAlerts::MailAlerts(RecordingStore& store, CompositeBuilder& builder, AlertMailer& mailer)
    : store_(store), builder_(builder), mailer_(mailer) {}

bool MailAlerts::OnBatchComplete(const AlertBatch& batch) {
  int counter = store_.compositeCounter();
  if (!builder_.BuildComposite(batch.runFolder, batch.mailFolder, batch.lastImage, counter,
                               compositePath_))
    return false;
  store_.CompositeWritten();
  return mailer_.SendAlertMail(batch.subject, compositePath_);
}

void MailAlerts::Connect(std::function<bool()> mailAlertsOn) {
  store_.SetAlertHook(std::move(mailAlertsOn),
                      [this](const AlertBatch& batch) { OnBatchComplete(batch); });
}

}  // namespace tavo::cctv
