// Opens the live page of a running Rennik1 in Debian's Chromium, headless, in a phone's window,
// and says on standard output when each lap shows at the top of the page's lap list
// ("seen <ms since the epoch> <lap> <time text>") and when the page says the view has ended
// ("ended <ms>"); with a picture and a lap count it saves a picture of the page once that many
// lap times have shown.
//   node live_page.mjs URL SECONDS [PICTURE.png LAPS]
import { chromium } from "playwright-core";

const [url, seconds, picture, pictureLaps] = process.argv.slice(2);
const browser = await chromium.launch({
  executablePath: "/usr/bin/chromium",
  // This machine's network is closed: Chromium's own background traffic stays off.
  args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
         "--disable-component-update", "--disable-sync"],
});
try {
  const page = await browser.newPage({ viewport: { width: 390, height: 844 }, deviceScaleFactor: 2,
                                       isMobile: true, hasTouch: true, locale: "ja-JP" });
  let shown = 0;
  let pictured = Promise.resolve();
  await page.exposeFunction("seen", (lap, time) => {
    console.log(`seen ${Date.now()} ${lap} ${time}`);
    if (picture && ++shown === Number(pictureLaps)) {
      pictured = page.screenshot({ path: picture, fullPage: true });
    }
  });
  await page.goto(url);
  await page.evaluate(() => {
    const laps = document.getElementById("laps");
    let last = "";
    new MutationObserver(() => {
      const top = laps.querySelector("tr");
      if (top && top.cells[0].textContent !== last) {
        last = top.cells[0].textContent;
        window.seen(last, top.cells[1].textContent);
      }
    }).observe(laps, { childList: true, subtree: true });
  });
  console.log("opened");
  await page.waitForSelector("#ended", { state: "visible", timeout: Number(seconds) * 1000 });
  console.log(`ended ${Date.now()}`);
  await pictured;
} finally {
  await browser.close();
}
