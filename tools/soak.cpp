// Soak benchmark, not a test: runs the real main window against the test device with a poll
// interval of 1 s and reports memory, CPU time and requests. quorvel_soak [cycles]
#include "mainwindow.h"
#include "testdevice.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int cycles = argc > 1 ? QByteArray(argv[1]).toInt() : 300;
    if (cycles < 30) {
        std::fprintf(stderr, "usage: quorvel_soak [cycles, at least 30]\n");
        return 2;
    }

    writeConfig("[Allgemein]\nIntervall=1\n[SenderEin]\nUrl=http://steckdose.test/ein\nMethod=GET\n");
    TestDevice device;
    DeviceAnswer answer(200, "OK", R"({"POWER":"ON"})");
    answer.delayMs = 20; // long enough that a second query sent meanwhile would be seen outstanding
    device.answerAlways(answer);

    MainWindow window;
    window.show();
    int polls = 0;
    QObject::connect(window.findChild<QTimer *>("pollTimer"), &QTimer::timeout, [&polls] { ++polls; });

    int maxOutstanding = 0;
    qint64 rssAt30 = 0;
    double cpuAt30 = 0;
    bool ok = true;
    std::printf("%8s %10s %10s %10s\n", "cycle", "RSS KiB", "CPU ms", "requests");
    QObject::connect(&device, &TestDevice::requestReceived, [&] {
        const int requests = device.requests.size();
        maxOutstanding = qMax(maxOutstanding, requests - device.answered);
        if (requests % 30 != 0)
            return;
        const qint64 rss = residentKiB();
        const double cpu = cpuSeconds();
        std::printf("%8d %10lld %10.0f %10d\n", polls + 1, rss, cpu * 1000, requests);
        std::fflush(stdout);
        if (requests == 30) {
            rssAt30 = rss;
            cpuAt30 = cpu;
        }
        if (requests < cycles)
            return;
        const qint64 growth = rss - rssAt30;
        const double cpuPerCycle = (cpu - cpuAt30) * 1000 / (requests - 30);
        // The first request is the start-up query; every later one follows one poll timeout.
        const bool onePerCycle = polls == requests - 1 && maxOutstanding == 1;
        ok = growth <= 1024 && cpuPerCycle < 5 && onePerCycle;
        std::printf("summary: %d cycles, RSS growth after cycle 30: %lld KiB (target <= 1024), CPU %.2f ms/cycle "
                    "(target < 5), %d requests for %d poll timeouts + start, at most %d outstanding: %s\n",
                    requests, growth, cpuPerCycle, requests, polls, maxOutstanding, ok ? "met" : "MISSED");
        app.quit();
    });

    const int result = app.exec();
    removeConfig();
    return result == 0 && ok ? 0 : 1;
}
