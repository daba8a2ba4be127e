#include "rig/host_rig.h"

#include "base/sjis.h"
#include "base/text_file.h"
#include "carlink/address_setup.h"
#include "core/startup.h"
#include "timing/run_control.h"

namespace rennik::e2e {
namespace {

// Rennik.ini as a first start writes it, with the no-communication time replaced.
std::string iniText(int noInputSeconds) {
    return "[計測環境設定]\r\n"
           "計測精度=1/1000\r\n"
           "ラップ加算無通信秒数=" +
           std::to_string(noInputSeconds) +
           "\r\n"
           "[自動メッセージ設定]\r\n"
           "残り３周の自動メッセージ=あと３周でピットインです。\r\n"
           "残り２周の自動メッセージ=あと２周でピットインです。\r\n"
           "残り１周の自動メッセージ=次の周でピットインしてください。\r\n"
           "残りが無くなった時の自動メッセージ=はよピットインせんかい！\r\n"
           "チェック時のデフォルト周数=10\r\n";
}

// The folder holds its Rennik.ini before the host that reads it is built.
const std::filesystem::path& prepared(const std::filesystem::path& folder, int noInputSeconds) {
    text_file::writeBytesAtomic(folder / "Rennik.ini", sjis::fromUtf8(iniText(noInputSeconds)));
    return folder;
}

}  // namespace

HostRig::HostRig(int noInputSeconds) : HostRig(std::filesystem::path(), noInputSeconds) {}

HostRig::HostRig(const std::filesystem::path& given, int noInputSeconds)
    : folder(given.empty() ? dir.path() : given),
      host(Ports{dialogs, clock, ticks, sockets, focus, app}, prepared(folder, noInputSeconds)),
      window(host) {
    focus.setWindow(&window);
    sockets.setAfterDatagram([this] { window.sync(); });
    Mf_Open_Load(host, 28800, 16200);
    window.run([this] { Timer1_Timer(host); });
}

void HostRig::enterAddress(const std::string& address) {
    dialogs.typeNext(address);
    window.run([this] { Btn_ClientNoSet_Click(host, 0); });
}

void HostRig::start() {
    window.run([this] { Btn_Start_Click(host); });
}

void HostRig::stop() {
    dialogs.answerNext(Answer::Yes);
    window.run([this] { Btn_Start_Click(host); });
}

int HostRig::lapTicks(int row) const { return std::stoi(host.main.car.Spd_LapTime.cell(row, 4)); }

carsim::CarPlan loopbackCar(double lapSeconds, int laps) {
    carsim::CarPlan plan;
    plan.bindAddress = QHostAddress(QHostAddress::LocalHost);
    plan.interval = 0.05;
    plan.contact = 0.3;
    plan.lap = lapSeconds;
    plan.laps = laps;
    return plan;
}

double msBetween(carsim::Clock::time_point from, carsim::Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace rennik::e2e
