#include <QAbstractButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include "carlink/address_setup.h"
#include "core/startup.h"
#include "loaded_screen.h"
#include "rig/fake_ports.h"
#include "rig/temp_folder.h"
#include "timing/run_control.h"
#include "ui/layout_dump.h"
#include "ui/main_window.h"
#include "ui/qt_ports.h"
#include "ui/qt_translations.h"
#include "ui/session_guard.h"

using namespace rennik;

// What surrounds the screen: Qt's own texts in Japanese, the system's session end during a run,
// and the layout file by which trials reach the controls.
class ProgramShellTest : public QObject {
    Q_OBJECT

    struct Screen : test::LoadedScreen {
        Screen() {
            load();
            window.resize(1100, 720);
        }
    };

    // Runs `act` on the next box that opens, while it is open.
    static void onNextBox(const std::function<void(QDialog&, QDialogButtonBox&)>& act) {
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
            auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                return;
            }
            poll->stop();
            poll->deleteLater();
            act(*box, *box->findChild<QDialogButtonBox*>());
        });
        poll->start(10);
    }

    static QStringList texts(const QDialogButtonBox& buttons) {
        QStringList out;
        for (const QAbstractButton* b : buttons.buttons()) {
            out << b->text();
        }
        out.sort();
        return out;
    }

    // The line of one named widget in the layout file, split into its fields.
    static QStringList widgetLine(const QString& file, const QString& name) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) {
            return {};
        }
        for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
            const QStringList fields = line.split(QLatin1Char('\t'));
            if ((fields.value(0) == QLatin1String("widget") && fields.value(1) == name) ||
                (fields.value(0) == name && name != QLatin1String("widget"))) {
                return fields;
            }
        }
        return {};
    }

    static QString rectText(const QRect& r) {
        return QStringLiteral("%1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    }

private slots:
    void qtsOwnButtonsAreJapanese() {
        QVERIFY2(!ui::loadQtTranslations().isEmpty(), "no qtbase_ja.qm (Debian's qt6-translations-l10n)");
        ui::QtDialogs dialogs;

        QStringList yesNo;
        onNextBox([&yesNo](QDialog&, QDialogButtonBox& buttons) {
            yesNo = texts(buttons);
            buttons.button(QDialogButtonBox::No)->click();
        });
        const Answer answer = dialogs.messageBox({"終了します。よろしいですか？", "終了確認",
                                                  MsgIcon::Information, MsgButtons::YesNo, Answer::No});
        QCOMPARE(answer, Answer::No);
        QCOMPARE(yesNo, (QStringList{QStringLiteral("いいえ(&N)"), QStringLiteral("はい(&Y)")}));

        // The address box, left by its Cancel: nothing typed comes back.
        QStringList okCancel;
        onNextBox([&okCancel](QDialog& box, QDialogButtonBox& buttons) {
            okCancel = texts(buttons);
            box.reject();
        });
        QCOMPARE(dialogs.inputBox("IPアドレスを入力してください。", "ＩＰ設定", "192.168.1.20"),
                 std::string());
        QVERIFY2(okCancel.contains(QStringLiteral("キャンセル")),
                 qPrintable(okCancel.join(QLatin1Char(','))));
    }

    void theSessionMayEndOnlyBetweenRuns() {
        Screen s;
        const ui::SessionGuard guard(s.host);
        QVERIFY(!guard.refusesEnd());
        s.fakes.dialogs.typeNext("127.0.0.1");
        s.window.run([&] {
            Btn_ClientNoSet_Click(s.host, 0);
            Btn_Start_Click(s.host);
        });
        QCOMPARE(QString::fromStdString(s.host.main.Btn_Start.caption()), QStringLiteral("Stop"));
        QVERIFY(guard.refusesEnd());
        // Stop asked and refused: the run goes on, and so does the refusal.
        s.fakes.dialogs.answerNext(Answer::No);
        s.window.run([&] { Btn_Start_Click(s.host); });
        QVERIFY(guard.refusesEnd());
        s.fakes.dialogs.answerNext(Answer::Yes);
        s.window.run([&] { Btn_Start_Click(s.host); });
        QVERIFY(!guard.refusesEnd());
    }

    void theLayoutFileFollowsTheMainWindow() {
        Screen s;
        const QString file = QString::fromStdString(text_file::pathToUtf8(s.dir.path() / "レイアウト.txt"));
        const ui::LayoutDump dump(file);
        s.window.move(20, 30);
        s.window.show();
        QTRY_VERIFY(QFile::exists(file));

        const QStringList screen = widgetLine(file, QStringLiteral("screen"));
        QCOMPARE(screen.mid(1).join(QLatin1Char(' ')), rectText(s.window.screen()->availableGeometry()));
        QCOMPARE(widgetLine(file, QStringLiteral("window")).mid(1).join(QLatin1Char(' ')),
                 rectText(s.window.frameGeometry()));

        // A button that shows: its place on the screen, whole.
        auto* start = s.window.findChild<QPushButton*>(QStringLiteral("Btn_Start"));
        const QRect startRect(start->mapToGlobal(QPoint(0, 0)), start->size());
        const QStringList startLine = widgetLine(file, QStringLiteral("Btn_Start"));
        QCOMPARE(startLine.mid(2, 2), (QStringList{QStringLiteral("QPushButton"), QStringLiteral("1")}));
        QCOMPARE(startLine.mid(4, 4).join(QLatin1Char(' ')), rectText(startRect));
        QCOMPARE(startLine.mid(8, 4).join(QLatin1Char(' ')), rectText(startRect));
        // One in a closed editor: not shown, nothing of it to see.
        const QStringList carOk = widgetLine(file, QStringLiteral("Btn_CarOK"));
        QCOMPARE(carOk.value(3), QStringLiteral("0"));
        QCOMPARE(carOk.mid(8, 4).join(QLatin1Char(' ')), QStringLiteral("0 0 0 0"));
        // The car panel's summary shows once the car PC's address is set: the file says so.
        QCOMPARE(widgetLine(file, QStringLiteral("Btn_LapChg(0)")).value(3), QStringLiteral("0"));
        s.fakes.dialogs.typeNext("127.0.0.1");
        s.window.run([&] { Btn_ClientNoSet_Click(s.host, 0); });
        QTRY_COMPARE(widgetLine(file, QStringLiteral("Btn_LapChg(0)")).value(3), QStringLiteral("1"));

        // Moved and resized: written again.
        s.window.setGeometry(40, 50, 1200, 740);
        QTRY_COMPARE(widgetLine(file, QStringLiteral("window")).mid(1).join(QLatin1Char(' ')),
                     rectText(s.window.frameGeometry()));
        const QRect moved(start->mapToGlobal(QPoint(0, 0)), start->size());
        QTRY_COMPARE(widgetLine(file, QStringLiteral("Btn_Start")).mid(4, 4).join(QLatin1Char(' ')),
                     rectText(moved));
    }
};

QTEST_MAIN(ProgramShellTest)
#include "program_shell_test.moc"
