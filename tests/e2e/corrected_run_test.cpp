// A run against the car simulator with the lap count corrected by hand once up and once down,
// while the car is out of reach, then the result saved: every lap line of the file carries the
// lap the simulator measured. Loopback UDP on 127.0.0.1 only.
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/numbers.h"
#include "base/sjis.h"
#include "base/text_file.h"
#include "carlink/car_contact.h"
#include "carlink/lap_correction.h"
#include "carsim/car_engine.h"
#include "rig/host_rig.h"
#include "report/result_file.h"

using namespace rennik;
using carsim::Clock;

namespace {

// The lap lines of a result file: row number and milliseconds of the time text (1'01"234).
std::vector<std::pair<int, double>> lapLines(const std::string& fileText) {
    std::vector<std::pair<int, double>> laps;
    bool inLaps = false;
    int separators = 0;
    for (const std::string& line : text_file::splitLines(fileText)) {
        if (line == std::string(40, '-')) {
            ++separators;
            inLaps = separators == 2;
            continue;
        }
        if (!inLaps) {
            continue;
        }
        const auto comma = line.find(',');
        const std::string time = line.substr(comma + 1, line.find(',', comma + 1) - comma - 1);
        const auto quote = time.find('\'');
        const auto dquote = time.find('"');
        const double ms = (numbers::leadingNumber(time.substr(0, quote)) * 60 +
                           numbers::leadingNumber(time.substr(quote + 1, dquote - quote - 1))) *
                              1000 +
                          numbers::leadingNumber(time.substr(dquote + 1));
        laps.emplace_back(std::stoi(line.substr(0, comma)), ms);
    }
    return laps;
}

}  // namespace

class CorrectedRunTest : public QObject {
    Q_OBJECT

private slots:
    void correctionsUpAndDownThenTheSavedLapsMatchTheCar() {
        e2e::HostRig rig;
        CarPanel& car = rig.host.main.car;
        rig.enterAddress("127.0.0.1");
        rig.window.run([&car] { car.Cmb_Driver.setText("山田"); });
        const Clock::time_point started = Clock::now();
        rig.start();

        // After the third lap the crew says the car is on lap 5; after the fifth recorded lap
        // (row 6) they take it back to lap 5. Both while the car is away: 0.6 s after the lap.
        carsim::CarEngine engine(e2e::loopbackCar(1.6, 7));
        int recorded = 0;
        std::vector<std::string> marks;
        engine.onReply = [&](const carsim::ReplyEvent& e) {
            if (e.kind != carsim::ReplyKind::NewRecord) {
                return;
            }
            ++recorded;
            marks.push_back(e.reply.mark);
            const char* answer = recorded == 3 ? "5" : recorded == 5 ? "5" : nullptr;
            if (answer != nullptr) {
                QTimer::singleShot(600, [&rig, answer] {
                    rig.dialogs.typeNext(answer);
                    // Less than the no-communication time since the car's last report: the host
                    // still counts it in reach and asks whether to go on.
                    if (CarInReach(rig.host, 0)) {
                        rig.dialogs.answerNext(Answer::Yes);
                    }
                    rig.dialogs.answerNext(Answer::Yes);
                    rig.window.run([&rig] { Btn_LapChg_Click(rig.host, 0); });
                });
            }
        };
        QSignalSpy finished(&engine, &carsim::CarEngine::finished);
        QVERIFY2(engine.start(), qPrintable(engine.error()));
        QVERIFY(finished.wait(60000));
        rig.stop();

        // The count down asked first; the replies after each correction began with "C".
        QCOMPARE(recorded, 7);
        QCOMPARE(marks, (std::vector<std::string>{"N", "N", "N", "C", "N", "C", "N"}));
        QVERIFY(
            std::any_of(rig.dialogs.boxes.begin(), rig.dialogs.boxes.end(), [](const MessageBoxRequest& box) {
                return box.text == "測定された５周値以降のＬＡＰ内容が削除されます。よろしいですか？";
            }));

        const std::filesystem::path file = rig.dir / "result.txt";
        rig.dialogs.saveAsNext(text_file::pathToUtf8(file));
        rig.window.run([&rig] { Btn_Write_Click(rig.host); });
        const std::string text = sjis::toUtf8(text_file::readBytes(file).value_or(""));
        const auto laps = lapLines(text);

        // Rows 1 to 3, then row 5 (lap 6 overwrote the lap recorded there) and row 6; row 4 was
        // added empty by the count up and gives no line.
        const carsim::CarSummary& s = engine.summary();
        const std::vector<int> rows{1, 2, 3, 5, 6};
        const std::vector<int> windows{1, 2, 3, 6, 7};
        QCOMPARE(laps.size(), rows.size());
        for (std::size_t k = 0; k < rows.size(); ++k) {
            const int w = windows[k];
            const Clock::time_point from = w == 1 ? started : s.windowStarts[w - 1];
            const double own = e2e::msBetween(from, s.windowStarts[w]);
            QCOMPARE(laps[k].first, rows[k]);
            QVERIFY2(std::fabs(laps[k].second - own) <= 20.0,
                     qPrintable(QStringLiteral("row %1: file %2 ms, car %3 ms")
                                    .arg(rows[k])
                                    .arg(laps[k].second)
                                    .arg(own)));
        }
        QVERIFY(text.find("\r\n1,") != std::string::npos && text.find(",山田,") != std::string::npos);
    }
};

QTEST_MAIN(CorrectedRunTest)
#include "corrected_run_test.moc"
