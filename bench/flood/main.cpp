// Floods the real window over UDP loopback or a pseudo terminal, as a fast device would, and
// prints what it kept: lines/s sent and stored, gaps, frames per second during the flood, the
// longest stall of the event loop, the lag after the sender stops, and the memory.
//
// Every line's first field is a running sequence number (in XY mode, the y value), so the
// benchmark reads the stored samples back through the first curve, as the plot does, and finds
// every lost line. It drives the window only by object names, like a user, so that the same
// source builds against older versions of the program (bench/flood-compare runs both).
//
//   bench_flood [--seconds S] [--rate LINES_PER_S] [--soak MINUTES] [CASE...]
//   cases: udp10 udp1 pty xy (default: all four), and monitor (text without line ends);
//   what a link leaves behind: stale (a closed link's queued lines), relink (unplug and reopen
//   at once), backlog (16 MiB waiting on the monitor tab);
//   the window's cost at fixed rates from a separate sender process (bench_flood --send):
//   idle r100 r1000 r10000 (lines/s at width 10000) and r1000w1000 (at width 1000), XY points
//   with the store full or at 10,000 (xy100k100 xy100k1000 xy100k10000 xy10k1000), frozen
//   (r1000frozen), recording (r1000record), zoomed to the newest quarter (r1000zoom) and with a
//   trigger armed and waiting (r1000armed);
//   a trigger: square100k (a square wave at 100,000 lines/s) and trig100k (the same with a
//   Normal trigger on it, every crossing counted);
//   looking closer: frozen10 frozenpty (a flood while frozen, then the history checked),
//   zoomout (frames over a full history), xyredraw (a full XY redraw);
//   keeping: record10 recordpty (floods recorded, the file read back), export (the history);
//   the spectrum: spectrum100k (the udp10 flood with the spectrum's window open and live;
//   spectrum100kall with the view zoomed out over the whole history, up to 2^20 lines),
//   spectrum1m (2^20 samples of six channels through the spectrum's worker).

#include "common.h"

using namespace bench;

int main(int argc, char **argv)
{
    if (argc >= 5 && std::strcmp(argv[1], "--send") == 0)
        return sendNoisyLines(quint16(std::atoi(argv[2])), std::atof(argv[3]), std::atof(argv[4]),
                              argc > 5 ? std::strtoull(argv[5], nullptr, 10) : 1,
                              argc > 6 && std::strcmp(argv[6], "xy") == 0);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // As the program itself asks (it draws nothing with OpenGL): the memory is the window's.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    QApplication app(argc, argv);
    configureApplication(app);
    initCorvaleResources();

    const Case all[] = {
        {"udp10", false, false, 10, 100000},
        {"udp1", false, false, 1, 20000},
        {"pty", true, false, 0, 0},
        {"xy", false, true, 10, 50000},
        {"record10", false, false, 10, 100000, true},
        {"recordpty", true, false, 0, 0, true},
        {"square100k", false, false, 10, 100000, false, true},
        {"trig100k", false, false, 10, 100000, false, true, true},
        {"spectrum100k", false, false, 10, 100000, false, false, false, 1},
        {"spectrum100kall", false, false, 10, 100000, false, false, false, 2},
    };
    // Frozen for the whole flood.
    const Case frozen[] = {
        {"frozen10", false, false, 10, 100000},
        {"frozenpty", true, false, 0, 0},
    };
    const RateCase rates[] = {
        {"idle", 0, 10000},
        {"r100", 100, 10000},
        {"r1000", 1000, 10000},
        {"r10000", 10000, 10000},
        {"r1000w1000", 1000, 1000},
        // XY points a second with that many held.
        {"xy100k100", 100, 10000, true, 100000},
        {"xy100k1000", 1000, 10000, true, 100000},
        {"xy100k10000", 10000, 10000, true, 100000},
        {"xy10k1000", 1000, 10000, true, 10000},
        {"r1000frozen", 1000, 10000, false, 0, true},
        {"r1000record", 1000, 10000, false, 0, false, true},
        {"r1000zoom", 1000, 10000, false, 0, false, false, true},
        {"r1000armed", 1000, 10000, false, 0, false, false, false, true},
    };
    Options options;
    QList<Case> chosen;
    bool monitor = false;
    QList<std::function<int()>> others; // in the order given
    const QMap<QString, std::function<int()>> linkCases = {
        {QStringLiteral("stale"), runStaleCase},
        {QStringLiteral("relink"), runRelinkCase},
        {QStringLiteral("backlog"), runBacklogCase},
        {QStringLiteral("zoomout"),
         [&options] {
             return runZoomOutCase(options);
         }},
        {QStringLiteral("xyredraw"),
         [&options] {
             return runXYRedrawCase(options);
         }},
        {QStringLiteral("export"),
         [&options] {
             return runExportCase(options);
         }},
        {QStringLiteral("spectrum1m"), runSpectrumTimeCase},
    };
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--seconds") && i + 1 < args.size())
            options.seconds = args.at(++i).toDouble();
        else if (arg == QLatin1String("--rate") && i + 1 < args.size())
            options.rate = args.at(++i).toDouble();
        else if (arg == QLatin1String("--soak") && i + 1 < args.size())
            options.soakMinutes = args.at(++i).toDouble();
        else if (arg == QLatin1String("monitor"))
            monitor = true;
        else if (linkCases.contains(arg))
            others << linkCases.value(arg);
        else {
            bool found = false;
            for (const RateCase &c : rates) {
                if (arg == QLatin1String(c.name)) {
                    others << [c, &options] {
                        return runRateCase(c, options);
                    };
                    found = true;
                }
            }
            for (const Case &c : all) {
                if (arg == QLatin1String(c.name)) {
                    chosen << c;
                    found = true;
                }
            }
            for (const Case &c : frozen) {
                if (arg == QLatin1String(c.name)) {
                    others << [c, &options] {
                        return runFrozenCase(c, options);
                    };
                    found = true;
                }
            }
            if (!found) {
                std::fprintf(
                    stderr,
                    "usage: bench_flood [--seconds S] [--rate L] [--soak MINUTES] [CASE ...]\n"
                    "(the cases are listed at the top of bench/flood/main.cpp)\n");
                return 2;
            }
        }
    }
    if (chosen.isEmpty() && !monitor && others.isEmpty())
        chosen = {all[0], all[1], all[2], all[3]};
    for (const Case &c : chosen)
        runCase(c, options);
    if (monitor)
        runMonitorCase(options);
    for (const auto &run : others)
        run();
    return 0;
}
