// rennik1-carsim: the car PC of one slot, simulated on the command line, for practice, demos
// and tests of the pit host. See --help.
#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "carsim/address_query.h"
#include "carsim/car_engine.h"
#include "carsim/options.h"
#include "carsim/printing.h"

namespace {

// How often a host that has not answered yet is mentioned.
constexpr std::chrono::seconds kNoReplyNotice{3};

void print(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Asks once and prints the answer; status 1 when none comes in time.
int query(const rennik::carsim::Options& options) {
    rennik::carsim::AddressQuery q(options.plan.host);
    int status = 1;
    QObject::connect(&q, &rennik::carsim::AddressQuery::answered, &q, [&status](const QString& text) {
        print(text.toStdString());
        status = 0;
        QCoreApplication::quit();
    });
    if (!q.ask(*options.query)) {
        std::fprintf(stderr, "rennik1-carsim: %s\n", qPrintable(q.error()));
        return 1;
    }
    QTimer::singleShot(static_cast<int>(options.timeout * 1000), &q, [] {
        std::fprintf(stderr, "rennik1-carsim: no answer from the host\n");
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    return status;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rennik1-carsim"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.20"));
    const rennik::carsim::Options options = rennik::carsim::parseOptions(QCoreApplication::arguments());
    if (options.query) {
        return query(options);
    }

    rennik::carsim::CarEngine car(options.plan);
    car.onReply = [](const rennik::carsim::ReplyEvent& e) { print(rennik::carsim::replyLine(e)); };
    car.onLap = [](const rennik::carsim::LapComparison& lap) { print(rennik::carsim::lapLine(lap)); };
    // A host that never answers (not started, wrong address, a firewall) is said, not only
    // left to show as a summary without replies.
    QTimer unanswered;
    unanswered.setInterval(kNoReplyNotice);
    QObject::connect(&unanswered, &QTimer::timeout, &car, [&car, &unanswered] {
        const rennik::carsim::CarSummary& s = car.summary();
        if (s.replies + s.droppedReplies > 0) {
            unanswered.stop();
        } else {
            print("no reply from the host yet");
        }
    });
    QObject::connect(&car, &rennik::carsim::CarEngine::finished, &app, [&car, &unanswered] {
        unanswered.stop();
        print(rennik::carsim::summaryText(car.summary()));
        QCoreApplication::quit();
    });
    if (!car.start()) {
        std::fprintf(stderr, "rennik1-carsim: %s\n", qPrintable(car.error()));
        return EXIT_FAILURE;
    }
    unanswered.start();
    return QCoreApplication::exec();
}
