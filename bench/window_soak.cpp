// pelyx-window-soak --device /dev/pts/N [--seconds S] [--no-log] [--log-cap LINES]: the window
// under a receiver that fills its link. Connects to the device through the window's own controls,
// turns the data log on, shows the DATA LOG page and runs for S seconds (default 600). Prints,
// every 30 s and at the end: the process's CPU time as a share of one core, its resident memory,
// the lines in the log, and the delay from a GNSS sentence's time (the simulator stamps its
// sentences with the machine's UTC time when it writes them) to the moment its line reached the log
// view.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/simulator.h"
#include "app/startup.h"

namespace {

using namespace pelyx;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Milliseconds since midnight UTC of "$GPGGA,hhmmss.ss,..." (GGA, RMC, ZDA, GLL put the
// time in different fields); -1 when the line carries none.
double SentenceTimeMs(const QString& line) {
  const QStringList fields = line.split(',');
  int field = -1;
  if (line.startsWith("$GPGGA") || line.startsWith("$GPRMC") || line.startsWith("$GPZDA")) {
    field = 1;
  } else if (line.startsWith("$GPGLL")) {
    field = 5;
  }
  if (field < 0 || fields.size() <= field || fields[field].size() < 6) return -1;
  const QString t = fields[field];
  const double seconds = t.mid(4).toDouble();
  return (t.left(2).toInt() * 3600.0 + t.mid(2, 2).toInt() * 60.0 + seconds) * 1000.0;
}

double NowMsOfDay() {
  using namespace std::chrono;
  const auto now = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
  return static_cast<double>(now % (86400LL * 1000000)) / 1000.0;
}

struct Delays {
  std::vector<double> ms;
  void Add(double d) { ms.push_back(d); }
  void Print(const char* label) {
    if (ms.empty()) {
      std::printf("%s: no timed lines\n", label);
      return;
    }
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0;
    for (double d : sorted) sum += d;
    std::printf("%s: %zu timed lines, mean %.1f ms, median %.1f ms, p99 %.1f ms, max %.1f ms\n",
                label, sorted.size(), sum / static_cast<double>(sorted.size()),
                sorted[sorted.size() / 2], sorted[sorted.size() * 99 / 100], sorted.back());
  }
};

}  // namespace

int main(int argc, char** argv) {
  std::string device;
  int seconds = 600;
  bool logging = true;
  int logCap = 0;  // 0: the window's own cap
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-log") == 0) logging = false;
  }
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--device") == 0) device = argv[i + 1];
    if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--log-cap") == 0) logCap = std::atoi(argv[i + 1]);
  }
  if (device.rfind("/dev/", 0) != 0) {
    std::fputs("usage: pelyx-window-soak --device /dev/pts/N [--seconds S]\n", stderr);
    return 2;
  }
  app::TApplication application(argc, argv);
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  QTemporaryDir documents;

  link::SysfsPortEnumerator platform;
  app::AddedPortsEnumerator ports(platform);
  ports.Add(device.substr(5));
  app::FormEnvironment environment = app::FormEnvironment::FromPlatform();
  environment.documentsFolder = documents.path();
  environment.ports = &ports;
  app::ApplicationWindows windows(environment);
  app::TForm1& form = windows.Form();
  form.show();

  form.cbxComPort->setCurrentIndex(
      form.cbxComPort->findText(QString::fromStdString(device.substr(5))));
  form.OpenPort->click();
  QElapsedTimer wait;
  wait.start();
  while (form.LabelConnectionStatus->text() != "Connected..." && wait.elapsed() < 30000) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  if (form.LabelConnectionStatus->text() != "Connected...") {
    std::fprintf(stderr, "pelyx-window-soak: the receiver on %s was not identified\n",
                 device.c_str());
    return 1;
  }
  form.PageControlMain->setCurrentWidget(form.TabSheetDiagnosis);
  form.PageControlDiagnosis->setCurrentWidget(form.TabSheetDataLog);
  form.cbxEnableLog->setChecked(logging);
  // A smaller cap shows within a shorter run that memory stays flat once it is reached.
  if (logCap > 0) form.MemoDataLog->SetMaxLines(logCap);

  // Every block appended to the log: a GNSS line's delay since its time.
  Delays all, window;
  QTextDocument* log = form.MemoDataLog->document();
  QObject::connect(log, &QTextDocument::contentsChange, [&](int position, int, int added) {
    if (added <= 0) return;
    const double now = NowMsOfDay();
    for (QTextBlock block = log->findBlock(position); block.isValid(); block = block.next()) {
      const double t = SentenceTimeMs(block.text());
      if (t >= 0) {
        double delay = now - t;
        if (delay < -43200000) delay += 86400000;  // across midnight
        all.Add(delay);
        window.Add(delay);
      }
    }
  });

  const double cpuStart = CpuSeconds();
  const long rssStart = ResidentKiB();
  QElapsedTimer clock;
  clock.start();
  double lastCpu = cpuStart;
  qint64 lastMark = 0;
  std::printf("start: resident %ld KiB\n", rssStart);
  QTimer report;
  QObject::connect(&report, &QTimer::timeout, [&] {
    const double cpu = CpuSeconds();
    const qint64 at = clock.elapsed();
    std::printf("t=%4llds cpu %.1f%% of a core (last 30 s), resident %ld KiB, log %d lines, ",
                static_cast<long long>(at / 1000),
                100.0 * (cpu - lastCpu) / ((at - lastMark) / 1000.0), ResidentKiB(),
                form.MemoDataLog->blockCount());
    window.Print("delay");
    window.ms.clear();
    std::fflush(stdout);
    lastCpu = cpu;
    lastMark = at;
    if (at >= seconds * 1000LL) QCoreApplication::exit(0);  // no exit question
  });
  report.start(30000);
  QApplication::exec();

  const double elapsed = clock.elapsed() / 1000.0;
  std::printf(
      "end: %.0f s, cpu %.2f s = %.1f%% of a core, resident %ld KiB (start %ld KiB), "
      "log %d lines, %s\n",
      elapsed, CpuSeconds() - cpuStart, 100.0 * (CpuSeconds() - cpuStart) / elapsed, ResidentKiB(),
      rssStart, form.MemoDataLog->blockCount(),
      form.SerialComm->IsOpen() ? "still connected" : "DISCONNECTED");
  all.Print("delay over the run");
  std::fflush(stdout);
  form.OpenPort->click();
  return 0;
}
