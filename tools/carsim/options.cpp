#include "carsim/options.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace rennik::carsim {
namespace {

[[noreturn]] void refuse(const QString& why) {
    std::fprintf(stderr, "rennik1-carsim: %s\n(see --help)\n", qPrintable(why));
    std::exit(2);
}

double seconds(const QCommandLineParser& p, const QString& name, double low, double high) {
    bool ok = false;
    const double v = p.value(name).toDouble(&ok);
    if (!ok || !(v >= low && v <= high)) {
        refuse(QStringLiteral("--%1 must be a number of seconds from %2 to %3").arg(name).arg(low).arg(high));
    }
    return v;
}

double chance(const QCommandLineParser& p, const QString& name) {
    bool ok = false;
    const double v = p.value(name).toDouble(&ok);
    if (!ok || !(v >= 0 && v <= 1)) {
        refuse(QStringLiteral("--%1 must be a chance from 0 to 1").arg(name));
    }
    return v;
}

int whole(const QCommandLineParser& p, const QString& name, int low, int high) {
    bool ok = false;
    const int v = p.value(name).toInt(&ok);
    if (!ok || v < low || v > high) {
        refuse(QStringLiteral("--%1 must be a whole number from %2 to %3").arg(name).arg(low).arg(high));
    }
    return v;
}

}  // namespace

Options parseOptions(const QStringList& arguments) {
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Simulates the PC carried in one car for the Rennik1 pit host.\n"
        "Each lap the car is in contact for --contact seconds and sends a lap report every\n"
        "--interval seconds: the lap number of the last reply it got (000 before the first) and\n"
        "--message, in Shift-JIS. Then it is silent for the rest of the lap. It prints every reply\n"
        "decoded, each lap as it measured it beside the host's time, and after --laps laps (and\n"
        "one more contact to close the last) a summary. --loss plays a lossy radio link.\n"
        "Ports: slot n binds 7000+10*(n+1)+2 (7012 for slot 0) and sends to 7000+10*(n+1)+1 of\n"
        "--host. With --query it only asks, on ports 7001/7002, which car an address is for."));
    p.addHelpOption();
    p.addVersionOption();
    const auto option = [&p](const char* name, const char* help, const char* valueName,
                             const char* byDefault) {
        QCommandLineOption o(QString::fromUtf8(name), QString::fromUtf8(help), QString::fromUtf8(valueName));
        if (byDefault != nullptr) {
            o.setDefaultValue(QString::fromUtf8(byDefault));
        }
        p.addOption(o);
    };
    option("slot", "Car slot 0-4 (default 0).", "N", "0");
    option("host", "The pit host's IPv4 address (default 127.0.0.1).", "ADDRESS", "127.0.0.1");
    option("interval", "Seconds between reports in contact (default 0.2).", "S", "0.2");
    option("contact", "Seconds in contact each lap (default 1).", "S", "1");
    option("lap", "Seconds per lap (default 5).", "S", "5");
    option("jitter", "Random variation of each lap, +/- seconds (default 0).", "S", "0");
    option("laps", "Laps to drive (default 10).", "N", "10");
    option("message", "Text sent after the lap number (default none).", "TEXT", nullptr);
    option("loss", "Chance 0-1 that a report, or a reply, is lost on the way (default 0).", "P", "0");
    option("seed", "Seed of the jitter and the losses (default: from the clock).", "N", nullptr);
    option("query", "Ask which car ADDRESS is entered for, print the answer, exit.", "ADDRESS", nullptr);
    option("timeout", "Seconds to wait for the answer to --query (default 2).", "S", "2");
    p.process(arguments);
    if (!p.positionalArguments().isEmpty()) {
        refuse(QStringLiteral("unexpected argument %1").arg(p.positionalArguments().first()));
    }

    Options o;
    CarPlan& plan = o.plan;
    plan.slot = whole(p, QStringLiteral("slot"), 0, 4);
    plan.host = p.value(QStringLiteral("host"));
    if (QHostAddress(plan.host).protocol() != QAbstractSocket::IPv4Protocol) {
        refuse(QStringLiteral("--host must be a dotted IPv4 address"));
    }
    plan.interval = seconds(p, QStringLiteral("interval"), 0.001, 3600);
    plan.contact = seconds(p, QStringLiteral("contact"), 0.001, 3600);
    plan.lap = seconds(p, QStringLiteral("lap"), plan.contact, 86400);
    // A lap never shrinks into its own contact time.
    plan.jitter = seconds(p, QStringLiteral("jitter"), 0, plan.lap - plan.contact);
    plan.laps = whole(p, QStringLiteral("laps"), 1, 100000);
    plan.message = p.value(QStringLiteral("message")).toStdString();
    plan.loss = chance(p, QStringLiteral("loss"));
    plan.seed = p.isSet(QStringLiteral("seed"))
                    ? static_cast<unsigned>(whole(p, QStringLiteral("seed"), 0, 2147483647))
                    : static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    if (p.isSet(QStringLiteral("query"))) {
        o.query = p.value(QStringLiteral("query")).toStdString();
    }
    o.timeout = seconds(p, QStringLiteral("timeout"), 0.01, 3600);
    return o;
}

}  // namespace rennik::carsim
