// Pictures TavoCCTV records per second of wall time (simulated camera, the real motion test, JPEG
// files and composites, the controller's whole frame path) with alerts off, with alerts on and a
// server that takes every mail at once, and with alerts on while the mail waits on a server that
// never answers. Goal: the last as fast as the others. The composite of every 16th picture is
// built on the user-interface thread in both alert cases, so alerts on costs that whatever the
// server does; the wait itself should cost nothing.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "benchfiles.h"
#include "cctv_fixture.h"
#include "fake_smtp_server.h"

namespace {

using namespace tavo;
using namespace tavo::cctv;
using namespace std::chrono_literals;

// The network part done at once: what the worker reports for a server that answers instantly.
struct InstantTransport final : MailTransport {
  int Deliver(const MailMessage&, const CancelSignal&) override { return 0; }
};

// A started controller in surveillance, mailing to 127.0.0.1:`port` when `alerts` is set.
class Recorder {
 public:
  Recorder(MailTransport& transport, int port, bool alerts)
      : strings_(CctvStrings(), Language::English),
        graph_(platform_, boxes_, strings_, kCaptureGraphMessageOffset) {
    tavo::testing::EnsureApplication();
    platform_.devices = {cctv::testing::Camera(kPreferredCamera)};
    controller_ = std::make_unique<CctvController>(
        view_,
        CctvServices{graph_, boxes_, strings_, shell_, transport,
                     RegistryRoot{(folder_.path() / "settings.sqlite").string()},
                     folder_.path().string(), SystemLocalClock(), JpegFileWriter(boxes_), port});
    view_.controller = controller_.get();
    controller_->Start(true, kMediaRuntimeComplete);
    controller_->OnMailTextEdited(kEditSmtpServer, "127.0.0.1");
    controller_->OnMailTextEdited(kEditSender, "cam@example.test");
    controller_->OnMailTextEdited(kEditRecipient, "me@example.test");
    if (alerts) {
      controller_->OnButton(kButtonSetup);
      controller_->OnButton(kButtonMailCheck);
    }
    controller_->OnButton(kButtonStartStop);
    frames_[0] = bench::CameraLikePicture();
    frames_[1] = frames_[0];
    for (auto& byte : frames_[1]) byte = static_cast<std::uint8_t>(byte + 80);
    Frame();  // the motion test's first frame is only its reference
  }
  ~Recorder() {
    view_.controller = nullptr;
    controller_->Shutdown();
  }

  // One frame tick and a frame unlike the one before, so that it is recorded.
  void Frame() {
    controller_->OnTimer(kFrameTimer);
    const auto& pixels = frames_[next_ ^= 1];
    platform_.DeliverSample({pixels.data(), kFrameWidth * 3, kFrameHeight, kFrameWidth * 3, false});
    QCoreApplication::sendPostedEvents();
  }

  const CctvController& controller() const { return *controller_; }
  bool quiet() const { return boxes_.boxes.empty(); }

 private:
  tavo::testing::ScratchFolder folder_{bench::ScratchBase() / "mailwait_bench_XXXXXX"};
  media::SimulatedPlatform platform_;
  RecordingMessageBoxes boxes_;
  StringTable strings_;
  CaptureGraph graph_;
  RecordingShell shell_;
  cctv::testing::FakeView view_;
  std::unique_ptr<CctvController> controller_;
  std::vector<std::uint8_t> frames_[2];
  int next_ = 0;
};

// While the silent server holds the first mail the queue fills and every further mail is dropped
// with a line on the standard error stream; those lines are not what is measured.
class StderrSilenced {
 public:
  StderrSilenced() : saved_(::dup(2)) {
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    ::dup2(null, 2);
    ::close(null);
  }
  ~StderrSilenced() {
    ::dup2(saved_, 2);
    ::close(saved_);
  }

 private:
  int saved_;
};

constexpr auto kRate9Period = 100ms;

// Records a frame per iteration, at full speed or one every `period`.
void Run(benchmark::State& state, Recorder& recorder,
         std::chrono::milliseconds period = std::chrono::milliseconds(0)) {
  const RecordingStore& store = recorder.controller().store();
  std::int64_t recorded = 0;
  auto tick = std::chrono::steady_clock::now();
  for (auto _ : state) {
    if (period.count() > 0) std::this_thread::sleep_until(tick += period);
    // Counted frame by frame: a run that reaches 10,000 pictures starts the count over.
    const int before = store.imageCounter();
    recorder.Frame();
    recorded += store.imageCounter() != before;
  }
  if (recorded != state.iterations() || !recorder.quiet())
    state.SkipWithError("a frame was not recorded, or a box opened");
  state.SetItemsProcessed(recorded);
}

void BM_RecordAlertsOff(benchmark::State& state) {
  InstantTransport transport;
  Recorder recorder(transport, kSmtpPort, false);
  Run(state, recorder);
}
BENCHMARK(BM_RecordAlertsOff)->UseRealTime()->MinTime(3.0);

void BM_RecordAlertsOnServerAnswers(benchmark::State& state) {
  InstantTransport transport;
  Recorder recorder(transport, kSmtpPort, true);
  Run(state, recorder);
  if (recorder.controller().mailer().dropped() != 0) state.SkipWithError("a mail was dropped");
}
BENCHMARK(BM_RecordAlertsOnServerAnswers)->UseRealTime()->MinTime(3.0);

void BM_RecordAlertsOnServerSilent(benchmark::State& state) {
  tavo::testing::FakeSmtpServer::Script silent;
  silent.greeting.clear();
  tavo::testing::FakeSmtpServer server(silent);
  // Far longer than the run: the first mail waits for a greeting the whole time.
  SmtpMailTransport transport({60s, 60s, 60s, 60s, 120s});
  const StderrSilenced quiet;
  Recorder recorder(transport, server.port(), true);
  Run(state, recorder);
  if (recorder.controller().mailer().delivered() != 0) state.SkipWithError("a mail got through");
}
BENCHMARK(BM_RecordAlertsOnServerSilent)->UseRealTime()->MinTime(3.0);

// At capture rate 9 (a frame every 100 ms), as the program runs: what a user gets.
void BM_PacedAlertsOff(benchmark::State& state) {
  InstantTransport transport;
  Recorder recorder(transport, kSmtpPort, false);
  Run(state, recorder, kRate9Period);
}
BENCHMARK(BM_PacedAlertsOff)->UseRealTime()->Iterations(50);

void BM_PacedAlertsOnServerSilent(benchmark::State& state) {
  tavo::testing::FakeSmtpServer::Script silent;
  silent.greeting.clear();
  tavo::testing::FakeSmtpServer server(silent);
  SmtpMailTransport transport({60s, 60s, 60s, 60s, 120s});
  const StderrSilenced quiet;
  Recorder recorder(transport, server.port(), true);
  Run(state, recorder, kRate9Period);
  if (recorder.controller().mailer().delivered() != 0) state.SkipWithError("a mail got through");
}
BENCHMARK(BM_PacedAlertsOnServerSilent)->UseRealTime()->Iterations(50);

// Prints the rates side by side after the run.
class RateReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      if (auto it = run.counters.find("items_per_second"); it != run.counters.end())
        rates_[run.run_name.function_name] = it->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const double off = rates_["BM_RecordAlertsOff"];
    const double answers = rates_["BM_RecordAlertsOnServerAnswers"];
    const double silent = rates_["BM_RecordAlertsOnServerSilent"];
    std::printf(
        "full speed, pictures per second: alerts off %.0f, alerts on with a server that "
        "answers %.0f, alerts on while the mail waits on a silent server %.0f\n",
        off, answers, silent);
    if (answers > 0 && off > 0)
      std::printf("  silent / answering server %.2f (goal 1.00), silent / alerts off %.2f\n",
                  silent / answers, silent / off);
    const double pacedOff = rates_["BM_PacedAlertsOff"];
    const double pacedSilent = rates_["BM_PacedAlertsOnServerSilent"];
    if (pacedOff > 0)
      std::printf(
          "capture rate 9, pictures per second: alerts off %.2f, alerts on while the mail "
          "waits on a silent server %.2f: %.2f (goal 1.00)\n",
          pacedOff, pacedSilent, pacedSilent / pacedOff);
  }

 private:
  std::map<std::string, double> rates_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}
