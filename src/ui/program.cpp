#include "ui/program.h"

#include <algorithm>

#include <QBuffer>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

#include "base/text_file.h"
#include "core/startup.h"
#include "timing/lap_display.h"
#include "ui/main_window.h"

namespace rennik::ui {
namespace {

const QScreen* primaryScreen() { return QGuiApplication::primaryScreen(); }

// Twips per pixel of the primary screen (15 at the usual 96 dots per inch).
int twipsPerPixel() {
    const QScreen* screen = primaryScreen();
    const double dpi = screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
    return dpi > 0 ? static_cast<int>(1440.0 / dpi + 0.5) : 15;
}

// The area of the primary screen left for windows: a taskbar is no place for a window.
QRect screenPixels() {
    const QScreen* screen = primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

// Moves a window to the model's position, with its frame (title bar and borders) kept wholly
// within the area left for windows.
void placeWindow(QWidget* window, const Form& form) {
    const int tpp = twipsPerPixel();
    const QRect area = screenPixels();
    const QMargins frame = frameAllowance(window);
    const int outerWidth = window->width() + frame.left() + frame.right();
    const int outerHeight = window->height() + frame.top() + frame.bottom();
    const int left =
        std::max(area.left(), std::min(area.left() + form.left / tpp, area.right() + 1 - outerWidth));
    const int top =
        std::max(area.top(), std::min(area.top() + form.top / tpp, area.bottom() + 1 - outerHeight));
    window->move(left, top);
}

void measure(Form& form, const QWidget* window) {
    const int tpp = twipsPerPixel();
    form.width = window->width() * tpp;
    form.height = window->height() * tpp;
}

}  // namespace

Program::Program(std::filesystem::path appDirectory, Dialogs* dialogs, SocketFactory* sockets)
    : host_(Ports{dialogs != nullptr ? *dialogs : dialogs_, clock_, ticks_,
                  sockets != nullptr ? *sockets : sockets_, focus_, app_},
            std::move(appDirectory)) {
    sockets_.setAfterDatagram([this] {
        if (main_ != nullptr) {
            main_->sync();
        }
    });
}

Program::~Program() = default;

void Program::loadStartup() {
    StartupScreen& s = host_.open;
    startup_ = std::make_unique<QWidget>(nullptr, Qt::SplashScreen);
    startup_->setObjectName(QStringLiteral("Mf_Open"));
    startup_->setWindowTitle(QString::fromStdString(s.form.caption));
    auto* v = new QVBoxLayout(startup_.get());
    v->setContentsMargins(40, 30, 40, 30);
    v->setSpacing(12);
    for (Label* l : {&s.Label1, &s.Label2, &s.Label3, &s.Label4}) {
        auto* w = new QLabel;
        w->setAlignment(Qt::AlignCenter);
        startupBinder_.label(*l, w);
        v->addWidget(w);
    }
    QFont title = startup_->font();
    title.setPointSizeF(title.pointSizeF() * 2.0);
    title.setBold(true);
    startup_->findChild<QLabel*>(QStringLiteral("Label2"))->setFont(title);
    startupBinder_.timer(s.Timer1, startup_.get(), [this] { openMain(); });
    startupBinder_.sync();
    startup_->adjustSize();
    measure(s.form, startup_.get());

    const QRect screen = screenPixels();
    const int tpp = twipsPerPixel();
    Mf_Open_Load(host_, screen.width() * tpp, screen.height() * tpp);
    startupBinder_.sync();
    placeWindow(startup_.get(), s.form);
}

void Program::openMain() {
    // The timer fires once; a box opened by the load runs the event loop, and no second tick
    // may open a second main screen under it.
    if (main_ != nullptr) {
        return;
    }
    main_ = std::make_unique<MainWindow>(host_);
    // The platform's window exists from here on, so that its frame can be measured.
    main_->winId();
    main_->fitToScreen();
    dialogs_.setParentWindow(main_.get());
    focus_.setWindow(main_.get());
    measure(host_.main.form, main_.get());
    startup_->hide();
    main_->run([this] { Timer1_Timer(host_); });
    startupBinder_.sync();
    main_->applyPanelSizes(twipsPerPixel());
    placeWindow(main_.get(), host_.main.form);
    main_->show();
}

void Program::start() {
    loadStartup();
    startup_->show();
}

bool Program::screenshot(const QString& pngPath) {
    dialogs_.setUnattended(true);
    // A picture of the idle screen: a run left unfinished in the folder stays as it is.
    host_.keepsRuns = false;
    loadStartup();
    openMain();
    // The clock as the crew sees it once the main screen has run its first second.
    main_->run([this] { Time_System_Timer(host_); });
    // The layouts settle on events of their own; without them the picture would show the panels
    // before they were fitted to the window, with a scroll bar the crew never sees.
    QCoreApplication::sendPostedEvents();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    return main_->grab().save(&buffer, "PNG") &&
           text_file::writeBytesAtomic(text_file::pathFromUtf8(pngPath.toStdString()),
                                       std::string_view(png.constData(), png.size()));
}

}  // namespace rennik::ui
