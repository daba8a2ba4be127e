#pragma once

#include <string_view>

// The live page as the phones receive it: one document with its style and script inside, so it
// needs nothing from the internet. It follows the run through the stream beside it ("events",
// server-sent events) and writes each snapshot's texts into its place; text is always set as
// text, never as markup, so nothing the car or the crew typed can run on a phone.
namespace rennik::live {

inline constexpr std::string_view kPageHtml = R"PAGE(<!DOCTYPE html>
<html lang="ja">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Rennik1 ライブ</title>
<style>
  body { margin: 0; font-family: "IPAGothic", "Hiragino Sans", "Noto Sans JP", "Yu Gothic", sans-serif;
         background: #111; color: #eee; font-size: 18px; }
  header { background: #222; padding: 8px 12px; display: flex; justify-content: space-between; align-items: baseline; }
  header h1 { font-size: 18px; margin: 0; }
  #state { font-size: 15px; color: #8f8; }
  #state.off { color: #f88; }
  main { padding: 8px 12px; }
  .big { display: flex; justify-content: space-between; align-items: baseline; }
  #lap { font-size: 30px; font-weight: bold; }
  #last { font-size: 40px; font-weight: bold; color: #6f6; font-variant-numeric: tabular-nums; }
  dl { display: grid; grid-template-columns: auto 1fr; gap: 4px 12px; margin: 8px 0; }
  dt { color: #aaa; }
  dd { margin: 0; font-weight: bold; }
  #refuel { color: #ff6; }
  table { width: 100%; border-collapse: collapse; font-variant-numeric: tabular-nums; }
  th, td { padding: 4px 6px; border-bottom: 1px solid #333; text-align: left; }
  th { color: #aaa; font-weight: normal; }
  td.n { text-align: right; }
  #ended { display: none; position: fixed; inset: 0; background: rgba(0,0,0,.85); font-size: 26px;
           align-items: center; justify-content: center; text-align: center; padding: 24px; }
</style>
</head>
<body>
<header><h1 id="title">Rennik1</h1><span id="state">接続中…</span></header>
<main>
  <div class="big"><span id="lap">-</span><span id="last">-</span></div>
  <dl>
    <dt>ベスト</dt><dd id="best">-</dd>
    <dt>平均</dt><dd id="average">-</dd>
    <dt>予想周数</dt><dd id="predicted">-</dd>
    <dt>残り時間</dt><dd id="remaining">-</dd>
    <dt>ドライバ</dt><dd id="driver">-</dd>
    <dt>連続運転</dt><dd id="drive">-</dd>
    <dt>燃料</dt><dd id="fuel">-</dd>
    <dt></dt><dd id="fuelEnd"></dd>
    <dt></dt><dd id="refuel"></dd>
    <dt>送信</dt><dd id="sent">-</dd>
    <dt>車から</dt><dd id="carMessage">-</dd>
    <dt>通信</dt><dd id="contact">-</dd>
  </dl>
  <table><thead><tr><th>周回</th><th>タイム</th><th>ドライバ</th></tr></thead><tbody id="laps"></tbody></table>
</main>
<div id="ended">ライブ表示は終了しました。</div>
<script>
"use strict";
const put = (id, text) => { document.getElementById(id).textContent = text || "-"; };
const state = document.getElementById("state");
function show(s) {
  put("title", [s.event, s.car].filter(Boolean).join(" "));
  put("lap", s.lap);
  put("last", s.laps.length ? s.laps[0][1] : "");
  put("best", s.best); put("average", s.average); put("predicted", s.predicted);
  put("remaining", s.remaining); put("driver", s.driver);
  put("drive", [s.driveTime, s.driveLimit].filter(Boolean).join("  "));
  put("fuel", [s.fuelLeft, s.fuelLaps].filter(Boolean).join("  "));
  document.getElementById("fuelEnd").textContent = s.fuelEnd;
  document.getElementById("refuel").textContent = s.refuel;
  put("sent", s.sent); put("carMessage", s.carMessage); put("contact", s.contact);
  const body = document.getElementById("laps");
  body.replaceChildren(...s.laps.map(([lap, time, driver]) => {
    const tr = document.createElement("tr");
    for (const [text, cls] of [[lap, "n"], [time, "n"], [driver, ""]]) {
      const td = document.createElement("td");
      td.textContent = text; if (cls) td.className = cls; tr.appendChild(td);
    }
    return tr;
  }));
  state.textContent = s.running ? "計測中" : "停止中"; state.className = "";
}
const events = new EventSource("events");
events.onmessage = (e) => show(JSON.parse(e.data));
events.addEventListener("end", () => {
  events.close();
  document.getElementById("ended").style.display = "flex";
  state.textContent = "終了"; state.className = "off";
});
events.onerror = () => {
  if (events.readyState !== EventSource.CLOSED) { state.textContent = "再接続中…"; state.className = "off"; }
};
</script>
</body>
</html>
)PAGE";

}  // namespace rennik::live
