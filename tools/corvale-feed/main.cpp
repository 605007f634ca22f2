// corvale-feed: generates numeric text lines and sends them to Corvale over UDP or through a
// pseudo terminal, so the plotter can be tried without a device.

#include "feeder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <QHostInfo>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>

namespace {

constexpr int kExitBadArguments = 2;
constexpr int kExitSetupFailed = 1;

bool parseHostPort(const QString &text, QString *host, quint16 *port)
{
    qsizetype colon = -1;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1String("]:"));
        if (close < 0)
            return false;
        *host = text.mid(1, close - 1);
        colon = close + 1;
    } else {
        colon = text.lastIndexOf(QLatin1Char(':'));
        if (colon < 0)
            return false;
        *host = text.left(colon);
        // A bare IPv6 address would be ambiguous; it needs brackets.
        if (host->contains(QLatin1Char(':')))
            return false;
    }
    bool ok = false;
    const uint value = text.mid(colon + 1).toUInt(&ok);
    if (!ok || value == 0 || value > 65535 || host->isEmpty())
        return false;
    *port = static_cast<quint16>(value);
    return true;
}

bool resolveHost(const QString &host, QHostAddress *address)
{
    if (address->setAddress(host))
        return true;
    const QHostInfo info = QHostInfo::fromName(host);
    const QList<QHostAddress> found = info.addresses();
    if (found.isEmpty())
        return false;
    *address = found.first();
    for (const QHostAddress &candidate : found) {
        if (candidate.protocol() == QAbstractSocket::IPv4Protocol) {
            *address = candidate;
            break;
        }
    }
    return true;
}

const char *kDescription =
    "Feeds Corvale with generated lines of numbers, so it can be tried without a device.\n"
    "\n"
    "Each line is UTF-8 text: numbers separated by single spaces, a point as the decimal\n"
    "separator, ended by CR LF, for example \"1.5 -2 300\\r\\n\". Time-series lines carry one\n"
    "number per channel (1 to 6 channels); with --xy every line is an \"x y\" pair.\n"
    "\n"
    "Waves advance per line, not per second, so the curves look the same at any rate:\n"
    "  sine   channels differ in amplitude (300 to 900), period (90 to 450 lines) and phase;\n"
    "         values within -1000..1000\n"
    "  ramp   sawtooth rising from 0 to 1000 (less for later channels), then falling back to 0\n"
    "  noise  random values, each channel in its own band of +-150 within -1000..1000\n"
    "  button a push button: 1000 while pressed, 0 while released, half a period each\n"
    "         (500 to 1500 lines), with a few lines of contact bounce at every edge\n"
    "  --xy   3:2 Lissajous figure of amplitude 800, one loop every 600 lines\n"
    "\n"
    "--tone HZ:AMPLITUDE makes channel 1 of the sine wave a sine of HZ cycles per second at\n"
    "the --rate (HZ / rate cycles per line) and that amplitude, for a spectrum to be checked\n"
    "against; given more than once, channel 1 is the sum of the sines.\n"
    "\n"
    "Outputs:\n"
    "  UDP (default): datagrams to --udp HOST:PORT, --lines-per-datagram lines in each.\n"
    "  --pty (POSIX only): creates a pseudo terminal in raw mode and prints its device name\n"
    "    on stdout as \"Type /dev/pts/N into Corvale's port box\"; open that device in Corvale\n"
    "    like a serial port. The terminal stays usable while Corvale closes and reopens it.\n"
    "    When nobody reads and its buffer is full, lines are dropped (and counted) instead of\n"
    "    stalling the feeder; with --rate 0 the feeder waits for the reader instead.\n"
    "    Data Corvale sends to the terminal is read and discarded.\n"
    "\n"
    "--bad-ratio replaces that fraction of lines by malformed ones, each picked at random\n"
    "among: a field of letters (\"abc\"), a comma decimal (\"1,50\"), a double space (empty\n"
    "field), a missing field, an \"inf\", \"-inf\" or \"nan\" field, and a line ended by LF alone\n"
    "(which also runs into the next line). --seed makes the noise and the malformed lines\n"
    "repeatable; without it a random seed is used and shown at start.\n"
    "\n"
    "--replay FILE sends the lines of FILE instead, each as it stands in the file (line end\n"
    "included): a capture of the raw bytes Corvale received (\"Capture raw bytes...\" in the\n"
    "plot's menu), or any text of lines. --rate paces them as it paces generated lines.\n"
    "\n"
    "Ctrl+C (SIGINT) or SIGTERM stop the feeder cleanly. On exit one line goes to stderr:\n"
    "lines sent, malformed lines sent, lines dropped and elapsed seconds. Dropped lines are\n"
    "those the feeder could not hand over; a slow UDP receiver can lose more on its side.\n"
    "Exit status: 0 on success, 1 if the output cannot be opened, 2 on bad arguments.";

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvale-feed"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CORVALE_FEED_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();

    const QCommandLineOption channelsOption(
        QStringLiteral("channels"), QStringLiteral("Number of channels, 1 to 6 (default 3)."),
        QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption waveOption(QStringLiteral("wave"),
                                        QStringLiteral("Wave shape: sine, ramp, noise or "
                                                       "button (default sine)."),
                                        QStringLiteral("shape"), QStringLiteral("sine"));
    const QCommandLineOption xyOption(
        QStringLiteral("xy"),
        QStringLiteral("Send \"x y\" pairs tracing a Lissajous figure instead of channels."));
    const QCommandLineOption rateOption(
        QStringLiteral("rate"),
        QStringLiteral("Lines per second, fractions allowed (default 100); 0 sends as fast as "
                       "possible."),
        QStringLiteral("L"), QStringLiteral("100"));
    const QCommandLineOption countOption(
        QStringLiteral("count"),
        QStringLiteral("Stop after C lines (default 0: run until Ctrl+C). Dropped lines count."),
        QStringLiteral("C"), QStringLiteral("0"));
    const QCommandLineOption udpOption(
        QStringLiteral("udp"),
        QStringLiteral("Send UDP datagrams to HOST:PORT (default 127.0.0.1:55000); IPv6 as "
                       "[ADDR]:PORT."),
        QStringLiteral("HOST:PORT"), QStringLiteral("127.0.0.1:55000"));
    const QCommandLineOption perDatagramOption(
        QStringLiteral("lines-per-datagram"),
        QStringLiteral("Pack K lines into each UDP datagram, 1 to 1000 (default 1)."),
        QStringLiteral("K"), QStringLiteral("1"));
    const QCommandLineOption ptyOption(
        QStringLiteral("pty"),
        QStringLiteral("Write to a new pseudo terminal instead of UDP (POSIX only)."));
    const QCommandLineOption badRatioOption(
        QStringLiteral("bad-ratio"),
        QStringLiteral("Fraction of lines, 0 to 1, replaced by malformed ones (default 0)."),
        QStringLiteral("R"), QStringLiteral("0"));
    const QCommandLineOption seedOption(
        QStringLiteral("seed"),
        QStringLiteral("Seed, 0 to 4294967295, for repeatable noise and malformed lines."),
        QStringLiteral("S"));
    const QCommandLineOption replayOption(
        QStringLiteral("replay"),
        QStringLiteral("Send the lines of FILE (a capture of Corvale's raw bytes, or any text) "
                       "instead of generated ones."),
        QStringLiteral("FILE"));
    const QCommandLineOption toneOption(
        QStringLiteral("tone"),
        QStringLiteral("Channel 1 a sine of HZ cycles per second at the --rate and that amplitude; "
                       "more than once: their sum."),
        QStringLiteral("HZ:AMPLITUDE"));
    parser.addOptions({channelsOption, waveOption, xyOption, rateOption, countOption, udpOption,
                       perDatagramOption, ptyOption, badRatioOption, seedOption, replayOption,
                       toneOption});

    const QStringList arguments = QCoreApplication::arguments();
    auto fail = [](const QString &message) {
        printErr(message + QStringLiteral(" (see --help)"));
        return kExitBadArguments;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    // Parsing already succeeded, so this only acts on --help, --help-all and --version.
    parser.process(arguments);
    if (!parser.positionalArguments().isEmpty())
        return fail(
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));

    Settings settings;
    bool ok = false;

    std::unique_ptr<ReplaySource> replay;
    if (parser.isSet(replayOption)) {
        if (parser.isSet(xyOption) || parser.isSet(channelsOption) || parser.isSet(waveOption) ||
            parser.isSet(badRatioOption) || parser.isSet(seedOption))
            return fail(QStringLiteral("--replay sends the file's lines and takes no --xy, "
                                       "--channels, --wave, --bad-ratio or --seed"));
        replay = std::make_unique<ReplaySource>();
        QString error;
        if (!replay->open(parser.value(replayOption), &error)) {
            printErr(error);
            return kExitSetupFailed;
        }
    }

    const bool xy = parser.isSet(xyOption);
    if (xy && (parser.isSet(channelsOption) || parser.isSet(waveOption)))
        return fail(QStringLiteral("--xy sends x y pairs and takes neither --channels nor --wave"));

    settings.channels = parser.value(channelsOption).toInt(&ok);
    if (!ok || settings.channels < 1 || settings.channels > 6)
        return fail(QStringLiteral("--channels must be a whole number from 1 to 6"));

    const QString wave = parser.value(waveOption);
    if (xy)
        settings.wave = Wave::Lissajous;
    else if (wave == QLatin1String("sine"))
        settings.wave = Wave::Sine;
    else if (wave == QLatin1String("ramp"))
        settings.wave = Wave::Ramp;
    else if (wave == QLatin1String("noise"))
        settings.wave = Wave::Noise;
    else if (wave == QLatin1String("button"))
        settings.wave = Wave::Button;
    else
        return fail(QStringLiteral("--wave must be sine, ramp, noise or button"));

    settings.rate = parser.value(rateOption).toDouble(&ok);
    if (!ok || !std::isfinite(settings.rate) || settings.rate < 0)
        return fail(QStringLiteral("--rate must be a number of lines per second, 0 or more"));

    for (const QString &tone : parser.values(toneOption)) {
        const QStringList parts = tone.split(QLatin1Char(':'));
        bool frequencyOk = false;
        bool amplitudeOk = false;
        const double hz = parts.value(0).toDouble(&frequencyOk);
        const double amplitude = parts.value(1).toDouble(&amplitudeOk);
        if (parts.size() != 2 || !frequencyOk || !amplitudeOk || !std::isfinite(hz) || hz < 0 ||
            !std::isfinite(amplitude))
            return fail(QStringLiteral("--tone must be HZ:AMPLITUDE, for example 50:3"));
        if (settings.wave != Wave::Sine || replay)
            return fail(QStringLiteral("--tone makes channel 1 of the sine wave, without --xy, "
                                       "--replay or another --wave"));
        if (settings.rate <= 0)
            return fail(QStringLiteral("--tone needs a --rate above 0, the lines' clock"));
        settings.tones.push_back({hz / settings.rate, amplitude});
    }

    settings.count = parser.value(countOption).toULongLong(&ok);
    if (!ok)
        return fail(QStringLiteral("--count must be a whole number, 0 or more"));

    settings.badRatio = parser.value(badRatioOption).toDouble(&ok);
    if (!ok || !(settings.badRatio >= 0 && settings.badRatio <= 1))
        return fail(QStringLiteral("--bad-ratio must be a number from 0 to 1"));

    if (parser.isSet(seedOption)) {
        settings.seed = parser.value(seedOption).toUInt(&ok);
        if (!ok)
            return fail(QStringLiteral("--seed must be a whole number from 0 to 4294967295"));
    } else {
        std::random_device device;
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        settings.seed = static_cast<std::uint32_t>(device() ^ static_cast<std::uint64_t>(now));
    }

    settings.usePty = parser.isSet(ptyOption);
    if (settings.usePty) {
        if (parser.isSet(udpOption) || parser.isSet(perDatagramOption))
            return fail(QStringLiteral("--pty cannot be combined with --udp or "
                                       "--lines-per-datagram"));
        if (!ptySupported())
            return fail(QStringLiteral("--pty needs a POSIX system with pseudo terminals"));
    } else {
        QString host;
        if (!parseHostPort(parser.value(udpOption), &host, &settings.port))
            return fail(QStringLiteral("--udp must be HOST:PORT with a port from 1 to 65535, "
                                       "for example 127.0.0.1:55000"));
        if (!resolveHost(host, &settings.address))
            return fail(QStringLiteral("cannot resolve host \"%1\"").arg(host));
        settings.linesPerDatagram = parser.value(perDatagramOption).toInt(&ok);
        if (!ok || settings.linesPerDatagram < 1 || settings.linesPerDatagram > 1000)
            return fail(QStringLiteral("--lines-per-datagram must be a whole number from 1 to "
                                       "1000"));
    }

    std::unique_ptr<Output> output;
    QString target;
    QString error;
    if (settings.usePty) {
        QString device;
        output = createPtyOutput(&device, &error);
        if (!output) {
            printErr(error);
            return kExitSetupFailed;
        }
        target = QStringLiteral("pseudo terminal %1").arg(device);
        std::printf("Type %s into Corvale's port box\n", device.toLocal8Bit().constData());
        std::fflush(stdout);
    } else {
        auto udp =
            std::make_unique<UdpOutput>(settings.address, settings.port, settings.linesPerDatagram);
        if (!udp->open(&error)) {
            printErr(error);
            return kExitSetupFailed;
        }
        output = std::move(udp);
        const QString host = settings.address.protocol() == QAbstractSocket::IPv6Protocol
                                 ? QStringLiteral("[%1]").arg(settings.address.toString())
                                 : settings.address.toString();
        target = QStringLiteral("UDP %1:%2").arg(host).arg(settings.port);
        if (settings.linesPerDatagram > 1)
            target += QStringLiteral(", %1 lines per datagram").arg(settings.linesPerDatagram);
    }

    const QString what = replay ? QStringLiteral("the lines of %1").arg(parser.value(replayOption))
                         : settings.wave == Wave::Lissajous
                             ? QStringLiteral("x y Lissajous pairs")
                             : QStringLiteral("%1 %2 of %3")
                                   .arg(settings.channels)
                                   .arg(settings.channels == 1 ? QStringLiteral("channel")
                                                               : QStringLiteral("channels"))
                                   .arg(wave);
    const QStringList tones = parser.values(toneOption);
    const QString toneText = tones.isEmpty()
                                 ? QString()
                                 : QStringLiteral(" (channel 1: the sines %1, Hz:amplitude)")
                                       .arg(tones.join(QLatin1String(" + ")));
    const QString pace = settings.rate > 0
                             ? QStringLiteral("%1 lines/s").arg(settings.rate, 0, 'g', 12)
                             : QStringLiteral("as fast as possible");
    const QString amount = settings.count > 0 ? QStringLiteral("%1 lines").arg(settings.count)
                                              : QStringLiteral("until Ctrl+C");
    QString bad;
    if (settings.badRatio > 0)
        bad = QStringLiteral(", %1% malformed").arg(settings.badRatio * 100, 0, 'g', 6);
    printErr(QStringLiteral("%1, %2, %3%4, to %5, seed %6")
                 .arg(what + toneText, pace, amount, bad, target)
                 .arg(settings.seed));

    installStopHandlers();
    Feeder feeder(settings, std::move(output), std::move(replay));
    feeder.start();
    return app.exec();
}
