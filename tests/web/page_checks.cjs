// Drives the web build (tools/build-web.sh's dist/web/) in headless Chromium
// or Firefox (STREAKSHOW_BROWSER=firefox):
//   record  renders frames under the recording clock and writes, per kept
//           frame, its record line and its pixels (RGBA, rows bottom first);
//   page    checks the page as a viewer meets it: the question's texts, No
//           starts the show in the canvas, the music plays, Escape ends it;
//           and the same without the data folder: silent over empty pictures.
//
//   compare compares recorded frames with the native build's, within a
//           tolerance.
//
// node page_checks.cjs record WEB_DIR RECORDING OUT_DIR
// node page_checks.cjs page WEB_DIR
// node page_checks.cjs compare WEB_FRAMES NATIVE_FRAMES LIMIT_FRACTION
// Needs puppeteer-core on NODE_PATH and Debian's chromium or firefox-esr.
"use strict";
const fs = require("fs");
const http = require("http");
const path = require("path");
const puppeteer = require("puppeteer-core");

const kQuestionText = "                  fullscreen?     ";
const kQuestionCaption = "                                ' -";
const kTypes = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm",
                 ".mp3": "audio/mpeg", ".jpg": "image/jpeg", ".ttf": "font/ttf" };

let failures = 0;
const ok = what => console.log("ok: " + what);
const bad = what => { console.log("FAILED: " + what); failures++; };
const check = (good, what) => (good ? ok : bad)(what);

// A static server for the folder; `withoutData` answers 404 for dorva/, and
// `musicDelay` holds the music's data back for that many milliseconds after
// its first 4 KiB, as a slow line would.
function serve(root, withoutData, musicDelay = 0) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, "http://x").pathname);
    const file = path.join(root, name === "/" ? "index.html" : name);
    if (!file.startsWith(root) || (withoutData && name.startsWith("/dorva/"))) {
      response.writeHead(404).end();
      return;
    }
    fs.readFile(file, (error, bytes) => {
      if (error) { response.writeHead(404).end(); return; }
      response.writeHead(200, { "Content-Type": kTypes[path.extname(file)] || "application/octet-stream",
                                "Content-Length": bytes.length });
      if (musicDelay && file.endsWith(".mp3")) {
        response.write(bytes.subarray(0, 4096));
        setTimeout(() => response.end(bytes.subarray(4096)), musicDelay);
        return;
      }
      response.end(bytes);
    });
  });
  return new Promise(resolve => server.listen(0, "127.0.0.1", () => resolve(server)));
}

// The browser that STREAKSHOW_BROWSER names: Debian's chromium (WebGL on
// SwiftShader) or firefox-esr (WebGL on the X display's Mesa, llvmpipe under
// Xvfb; puppeteer drives it over WebDriver BiDi). Neither downloads anything.
const kBrowser = process.env.STREAKSHOW_BROWSER || "chromium";
async function launch() {
  if (kBrowser === "firefox") {
    return puppeteer.launch({
      browser: "firefox",
      executablePath: process.env.FIREFOX || "/usr/bin/firefox-esr",
      headless: true,
      args: ["--width=1280", "--height=1024"],
      extraPrefsFirefox: {
        "media.cubeb.force_mock_context": true,  // music without a sound device
        "media.autoplay.default": 0,
        "webgl.force-enabled": true,
        "full-screen-api.allow-trusted-requests-only": false,
      },
    });
  }
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: ["--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
           "--ignore-gpu-blocklist", "--autoplay-policy=no-user-gesture-required",
           "--window-size=1280,1024"],
  });
}

async function open(browser, server, query, log) {
  const page = await browser.newPage();
  page.on("console", message => log.push(message.text()));
  page.on("pageerror", error => log.push("page error: " + error.message));
  await page.goto(`http://127.0.0.1:${server.address().port}/index.html${query}`);
  return page;
}

async function waitFor(page, condition, seconds) {
  for (let i = 0; i < seconds * 10; i++) {
    if (await page.evaluate(condition)) return true;
    await new Promise(resolve => setTimeout(resolve, 100));
  }
  return false;
}
async function canvasChanges(page) {
  // The canvas as the page composites it, a third of a second apart.
  const first = await page.screenshot({ encoding: "base64", clip: { x: 0, y: 0, width: 1024, height: 768 } });
  await new Promise(resolve => setTimeout(resolve, 350));
  const second = await page.screenshot({ encoding: "base64", clip: { x: 0, y: 0, width: 1024, height: 768 } });
  return first !== second;
}

async function record(webDir, recording, outDir) {
  const server = await serve(webDir, false);
  const browser = await launch();
  const log = [];
  const page = await browser.newPage();
  page.on("console", message => log.push(message.text()));
  const started = Date.now();
  await page.goto(`http://127.0.0.1:${server.address().port}/index.html?record=${encodeURIComponent(recording)}`);
  const ended = await waitFor(page, () => Module.page.state === "ended", 600);
  const seconds = (Date.now() - started) / 1000;
  const count = await page.evaluate(() => Module.page.kept.length);
  fs.mkdirSync(outDir, { recursive: true });
  const notes = [];
  for (let i = 0; i < count; i++) {
    const frame = await page.evaluate(i => {
      const { index, note, pixels } = Module.page.kept[i];
      let text = "";
      for (let at = 0; at < pixels.length; at += 0x8000) {
        text += String.fromCharCode.apply(null, pixels.subarray(at, at + 0x8000));
      }
      return { index, note, base64: btoa(text) };
    }, i);
    notes.push(`frame ${frame.index} ${frame.note}`);
    fs.writeFileSync(path.join(outDir, `frame_${String(frame.index).padStart(6, "0")}.rgba`),
                     Buffer.from(frame.base64, "base64"));
  }
  fs.writeFileSync(path.join(outDir, "record.txt"), notes.join("\n") + "\n");
  const inOrder = await page.evaluate(() => Module.page.frameTimes);
  fs.writeFileSync(path.join(outDir, "frame-times.txt"), inOrder.map(t => t.toFixed(3)).join("\n") + "\n");
  const times = [...inOrder].sort((a, b) => a - b);
  await browser.close();
  server.close();
  if (!ended) console.log(log.join("\n"));
  console.log(`record: ${count} frames kept, ${times.length + 1} drawn in ${seconds.toFixed(1)} s; ` +
              `median frame ${times.length ? times[times.length >> 1].toFixed(1) : "?"} ms, ` +
              `${(1000 * seconds / (times.length + 1)).toFixed(1)} ms of wall time a frame`);
  return ended && count > 0 ? 0 : 1;
}

async function pageChecks(webDir) {
  const withData = await serve(webDir, false);
  const withoutData = await serve(webDir, true);
  const browser = await launch();

  // With the data: the question, No, the show with its music, Escape.
  let log = [];
  let page = await open(browser, withData, "", log);
  const asked = await waitFor(page, () => !document.getElementById("question").hidden, 60);
  const texts = asked && await page.evaluate(() => [
    document.getElementById("question-caption").textContent,
    document.getElementById("question-text").textContent]);
  check(asked && texts[0] === kQuestionCaption && texts[1] === kQuestionText,
        "the page asks with the exact caption and text");
  await page.click("#no");
  const running = await waitFor(page, () => Module.page.state === "running", 60);
  const size = await page.$eval("#canvas", canvas => [canvas.width, canvas.height, document.title]);
  check(running && size[0] === 1024 && size[1] === 768 && size[2] === "ZERK",
        `No starts the show in a 1024 by 768 canvas titled ZERK (${size.join(", ")})`);
  await new Promise(resolve => setTimeout(resolve, 1500));
  check(await canvasChanges(page), "the canvas changes while the show runs");
  const music = await page.evaluate(async () => {
    const audio = Module.page.audio;
    if (!audio) return null;
    const before = audio.currentTime;
    await new Promise(resolve => setTimeout(resolve, 1000));
    return { duration: audio.duration, before, after: audio.currentTime, paused: audio.paused, error: audio.error && audio.error.code };
  });
  check(music && music.duration > 60 && music.after > music.before && !music.paused,
        `the music decodes and plays (${JSON.stringify(music)})`);
  await page.keyboard.press("Escape");
  const ended = await waitFor(page, () => Module.page.state === "ended", 10);
  check(ended && await page.evaluate(() => Module.page.status) === 0, "Escape ends the show with status 0");
  check(ended && !(await canvasChanges(page)), "after Escape the canvas stops changing");
  check(!log.some(line => /error|abort|stopped/i.test(line)), "no errors on the console");
  if (failures) console.log(log.join("\n"));
  await page.close();

  // Yes: full screen as the browser allows it, or the failure box.
  log = [];
  page = await open(browser, withData, "", log);
  await waitFor(page, () => !document.getElementById("question").hidden, 60);
  await page.click("#yes");
  const yes = await waitFor(page, () => Module.page.state === "running" || !document.getElementById("notice").hidden, 60);
  const notice = await page.evaluate(() => document.getElementById("notice").hidden ? null :
    document.getElementById("notice-caption").textContent + " | " + document.getElementById("notice-text").textContent);
  if (notice) await page.click("#ok");
  const fullscreen = await page.evaluate(() => !!document.fullscreenElement);
  const yesRuns = await waitFor(page, () => Module.page.state === "running", 30);
  console.log(`yes: ${notice ? "the failure box: " + notice : fullscreen ? "the canvas went full screen" : "no full screen and no box"}`);
  check(yes && yesRuns && (notice === null) === fullscreen, "Yes goes full screen or says it failed, and the show runs");
  await page.close();

  // A GPU reset: the page says so and the show ends well.
  log = [];
  page = await open(browser, withData, "", log);
  await waitFor(page, () => !document.getElementById("question").hidden, 60);
  await page.click("#no");
  await waitFor(page, () => Module.page.musicStarted !== undefined, 60);
  const losable = await page.evaluate(() => {
    const extension = Module.canvas.getContext("webgl2").getExtension("WEBGL_lose_context");
    if (extension) extension.loseContext();
    return !!extension;
  });
  const lost = await waitFor(page, () => Module.page.state === "ended", 10);
  const said = await page.$eval("#status", element => element.textContent);
  check(losable && lost && await page.evaluate(() => Module.page.status) === 0 && /graphics were lost/.test(said),
        `a lost WebGL context is told ("${said}") and the show ends with status 0`);
  await page.close();

  // A slow line: the music's data comes three seconds late. The page says
  // that it waits, and the show's clock starts as the music's position first
  // moves, and the two keep together: within 0.1 s, where the picture ran
  // ahead by the whole wait before. (Headless browsers play to no device:
  // Chromium's position moves at once and then stutters, 30 to 70 ms behind;
  // Firefox's mock device moves it in steps of some 50 ms.)
  const slow = await serve(webDir, false, 3000);
  log = [];
  page = await open(browser, slow, "", log);
  await waitFor(page, () => !document.getElementById("question").hidden, 60);
  await page.click("#no");
  let loading = "";
  for (let i = 0; i < 1200 && !loading; i++) {
    loading = await page.evaluate(() => Module.page.musicStarted ? "(nothing)" :
                                        document.getElementById("status").textContent);
    await new Promise(resolve => setTimeout(resolve, 25));
  }
  await waitFor(page, () => Module.page.musicStarted !== undefined, 60);
  let apart = -Infinity;
  for (let i = 0; i < 40; i++) {
    apart = Math.max(apart, await page.evaluate(() =>
      Module.page.audio.currentTime - (performance.now() - Module.page.musicStarted) / 1000));
    await new Promise(resolve => setTimeout(resolve, 25));
  }
  const first = await page.evaluate(() => Module.page.musicStartPosition);
  check(first < 0.1 && Math.abs(apart) < 0.1 && /loading the music/.test(loading),
        `on a slow line the page says "${loading}", the show's clock starts ${(first * 1000).toFixed(1)} ms ` +
        `into the music, and a second later they are ${(apart * 1000).toFixed(1)} ms apart`);
  await page.close();
  slow.close();

  // Without the data: silent over empty pictures, and still ends well.
  log = [];
  page = await open(browser, withoutData, "", log);
  await waitFor(page, () => !document.getElementById("question").hidden, 60);
  await page.click("#no");
  // Over empty pictures every frame is black: the frames are counted instead.
  const bare = await waitFor(page, () => Module.page.state === "running", 60);
  const framesBefore = await page.evaluate(() => Module.page.frameTimes.length);
  await new Promise(resolve => setTimeout(resolve, 1500));
  const framesAfter = await page.evaluate(() => Module.page.frameTimes.length);
  check(bare && framesAfter > framesBefore + 5, `without the data the show runs (${framesAfter - framesBefore} frames in 1.5 s)`);
  const silent = await page.evaluate(() => { const a = Module.page.audio; return !a || a.paused || a.error !== null; });
  check(silent, "without the data the show is silent");
  check(log.some(line => line.includes("cannot be played")), "without the data the page says the music cannot be played");
  await page.keyboard.press("Escape");
  check(await waitFor(page, () => Module.page.state === "ended", 10) &&
        await page.evaluate(() => Module.page.status) === 0, "without the data Escape ends the show with status 0");
  if (failures) console.log(log.join("\n"));

  await browser.close();
  withData.close();
  withoutData.close();
  return failures ? 1 : 0;
}

// Each web frame against the native capture's frame of the same number
// (a binary PPM): counts of pixels that differ at all and by more than
// `kFar` levels in some channel, and the largest difference.
const kFar = 32;
function compare(webFrames, nativeFrames, limitFraction) {
  let frames = 0, differing = 0, far = 0, largest = 0, worst = 0;
  for (const name of fs.readdirSync(webFrames).filter(name => name.endsWith(".rgba")).sort()) {
    const web = fs.readFileSync(path.join(webFrames, name));
    const ppm = fs.readFileSync(path.join(nativeFrames, name.replace(".rgba", ".ppm")));
    const header = ppm.toString("latin1", 0, 32).match(/^P6\s+(\d+)\s+(\d+)\s+255\s/);
    if (!header || +header[1] !== 1024 || +header[2] !== 768) { bad(`${name}: no 1024 by 768 native frame`); continue; }
    const native = ppm.subarray(header[0].length);
    let frameFar = 0;
    for (let y = 0; y < 768; y++) {
      const webRow = (767 - y) * 1024 * 4;  // GL's rows come bottom first
      for (let x = 0; x < 1024; x++) {
        let difference = 0;
        for (let c = 0; c < 3; c++) {
          difference = Math.max(difference, Math.abs(web[webRow + x * 4 + c] - native[(y * 1024 + x) * 3 + c]));
        }
        if (difference) differing++;
        if (difference > kFar) frameFar++;
        largest = Math.max(largest, difference);
      }
    }
    far += frameFar;
    worst = Math.max(worst, frameFar);
    frames++;
  }
  const pixels = frames * 1024 * 768;
  console.log(`compare: ${frames} frames; ${differing} of ${pixels} pixels differ ` +
              `(${(100 * differing / pixels).toFixed(2)} %), ${far} by more than ${kFar} levels ` +
              `(${(100 * far / pixels).toFixed(3)} %; at most ${worst} in one frame), largest ${largest}`);
  check(frames > 0 && worst <= limitFraction * 1024 * 768,
        `every frame within the tolerance: at most ${(100 * limitFraction).toFixed(2)} % of its pixels more than ${kFar} levels off`);
  return failures ? 1 : 0;
}

const [command, webDir, ...rest] = process.argv.slice(2);
const run = command === "record" ? record(path.resolve(webDir), rest[0], rest[1])
          : command === "compare" ? Promise.resolve(compare(webDir, rest[0], Number(rest[1])))
          : pageChecks(path.resolve(webDir));
run.then(code => process.exit(code), error => { console.log("FAILED: " + error.stack); process.exit(1); });
