#include "ui/program.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

#include "core/startup.h"
#include "ui/main_window.h"

namespace rennik::ui {
namespace {

// Twips per pixel of the primary screen (15 at the usual 96 dots per inch).
int twipsPerPixel() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
    return dpi > 0 ? static_cast<int>(1440.0 / dpi + 0.5) : 15;
}

QSize screenPixels() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry().size() : QSize(1024, 768);
}

void placeWindow(QWidget* window, const Form& form) {
    const int tpp = twipsPerPixel();
    window->move(form.left / tpp, form.top / tpp);
}

void measure(Form& form, const QWidget* window) {
    const int tpp = twipsPerPixel();
    form.width = window->width() * tpp;
    form.height = window->height() * tpp;
}

}  // namespace

Program::Program(std::filesystem::path appDirectory)
    : host_(Ports{dialogs_, clock_, sockets_, app_}, std::move(appDirectory)) {}

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

    const QSize screen = screenPixels();
    const int tpp = twipsPerPixel();
    Mf_Open_Load(host_, screen.width() * tpp, screen.height() * tpp);
    startupBinder_.sync();
    placeWindow(startup_.get(), s.form);
}

void Program::openMain() {
    main_ = std::make_unique<MainWindow>(host_);
    main_->resize(main_->sizeHint().expandedTo(QSize(1100, 720)));
    dialogs_.setParentWindow(main_.get());
    measure(host_.main.form, main_.get());
    main_->run([this] { Timer1_Timer(host_); });
    startupBinder_.sync();
    startup_->hide();
    placeWindow(main_.get(), host_.main.form);
    main_->show();
}

void Program::start() {
    loadStartup();
    startup_->show();
}

bool Program::screenshot(const QString& pngPath) {
    loadStartup();
    openMain();
    return main_->grab().save(pngPath, "PNG");
}

}  // namespace rennik::ui
