// Drives the web build (tools/build-web.sh's dist/web/) in headless Chromium
// or Firefox (STREAKSHOW_BROWSER=firefox), at a laptop's 1366 by 650:
//   record  renders frames under the recording clock and writes, per kept
//           frame, its record line and its pixels (RGBA, rows bottom first),
//           and each frame's time (the benchmark reads them);
//   compare compares recorded frames with the native build's, within a
//           tolerance;
//   page    checks the page as a viewer meets it, one CHECK at a time:
//     start       the question, Escape (No), the show in a canvas that fits
//                 the window, the music, Escape, the end and its replay;
//     fullscreen  Return (Yes) goes full screen, and a refusal gives the
//                 failure box and a show in the window;
//     bare        served without its data: said on the page, silent, empty;
//     lost        a lost WebGL context is told and ends the show;
//     slow        a throttled line (Chromium): the loading shown, the show's
//                 clock on the music's;
//     stalled     transfers that stop part way: the music given up, the show
//                 silent; Escape while loading and while waiting for music.
//
// node page_checks.cjs record WEB_DIR RECORDING OUT_DIR
// node page_checks.cjs compare WEB_FRAMES NATIVE_FRAMES LIMIT_FRACTION
// node page_checks.cjs page WEB_DIR CHECK
// Needs puppeteer-core on NODE_PATH and Debian's chromium or firefox-esr.
"use strict";
const fs = require("fs");
const http = require("http");
const path = require("path");
const puppeteer = require("puppeteer-core");

const kQuestionText = "                  fullscreen?     ";
const kQuestionCaption = "                                ' -";
const kWarning = "Warning: this show has rapidly flashing colours and may not suit people with photosensitive epilepsy.";
const kViewport = { width: 1366, height: 650 };
const kTypes = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm",
                 ".mp3": "audio/mpeg", ".jpg": "image/jpeg", ".ttf": "font/ttf", ".svg": "image/svg+xml",
                 ".png": "image/png" };

let failures = 0;
const ok = what => console.log("ok: " + what);
const bad = what => { console.log("FAILED: " + what); failures++; };
const check = (good, what) => (good ? ok : bad)(what);
const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

// A static server for the folder that notes each answer ("200 /index.html").
// `withoutData` answers 404 for dorva/; `musicDelay` holds the music's data
// back for that many milliseconds after its first 4 KiB, as a slow line would.
// Files whose names match `server.stall` send their first 4 KiB and then
// nothing.
async function serve(root, { withoutData = false, musicDelay = 0 } = {}) {
  const answers = [];
  let server = null;
  server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, "http://x").pathname);
    const file = path.join(root, name === "/" ? "index.html" : name);
    const answer = (code, bytes) => {
      answers.push(`${code} ${name}`);
      if (!bytes) { response.writeHead(code).end(); return; }
      response.writeHead(code, { "Content-Type": kTypes[path.extname(file)] || "application/octet-stream",
                                 "Content-Length": bytes.length });
      if (server.stall && server.stall.test(name)) {
        response.write(bytes.subarray(0, 4096));
      } else if (musicDelay && file.endsWith(".mp3")) {
        response.write(bytes.subarray(0, 4096));
        setTimeout(() => response.end(bytes.subarray(4096)), musicDelay);
      } else {
        response.end(bytes);
      }
    };
    if (!file.startsWith(root) || (withoutData && name.startsWith("/dorva/"))) return answer(404);
    fs.readFile(file, (error, bytes) => answer(error ? 404 : 200, error ? null : bytes));
  });
  await new Promise(resolve => server.listen(0, "127.0.0.1", resolve));
  // A stalled answer would otherwise keep the server open.
  const close = server.close.bind(server);
  server.close = () => { server.closeAllConnections(); close(); };
  server.answers = answers;
  server.address_ = `http://127.0.0.1:${server.address().port}/index.html`;
  return server;
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
      defaultViewport: kViewport,
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
    defaultViewport: kViewport,
    args: ["--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
           "--ignore-gpu-blocklist", "--autoplay-policy=no-user-gesture-required"],
  });
}

// A tab on the server's page; `before` runs in the tab before the page does,
// with `argument`; `setUp` gets the tab before it loads the page.
async function open(browser, server, log, { before, argument, setUp } = {}) {
  const page = await browser.newPage();
  page.on("console", message => log.push(message.text()));
  page.on("pageerror", error => log.push("page error: " + error.message));
  if (before) await page.evaluateOnNewDocument(before, argument);
  if (setUp) await setUp(page);
  await page.goto(server.address_);
  return page;
}

// A page that is reloading has no document to ask for a while, or loses it
// mid-question: that counts as "not yet", not as a failure.
async function waitFor(page, condition, seconds) {
  for (let i = 0; i < seconds * 10; i++) {
    if (await page.evaluate(condition).catch(() => false)) return true;
    await sleep(100);
  }
  return false;
}
const asked = page => waitFor(page, () => document.getElementById("question")?.hidden === false, 60);
const state = page => page.evaluate(() => [Module.page.state, Module.page.status]);
async function canvasChanges(page) {
  // The canvas as the page composites it, a third of a second apart.
  const clip = await page.$eval("#canvas", canvas => {
    const { x, y, width, height } = canvas.getBoundingClientRect();
    return { x, y, width, height };
  });
  const first = await page.screenshot({ encoding: "base64", clip });
  await sleep(350);
  return first !== await page.screenshot({ encoding: "base64", clip });
}

async function record(webDir, recording, outDir) {
  const server = await serve(webDir);
  const browser = await launch();
  const log = [];
  const started = Date.now();
  // The page's driver: it asks for the recording, keeps the frames handed
  // over and each frame's own time, from the program's resumption to its
  // next yield.
  const page = await open(browser, server, log, {
    argument: recording,
    before: recording => {
      let resumed = 0;
      window.streakshowDriver = {
        recording, kept: [], frameTimes: [],
        frame(index, note, pixels) { this.kept.push({ index, note, pixels: pixels.slice() }); },
        nextFrame() {
          if (resumed) this.frameTimes.push(performance.now() - resumed);
          return new Promise(resolve => setTimeout(() => { resumed = performance.now(); resolve(); }, 0));
        },
      };
    },
  });
  const ended = await waitFor(page, () => Module.page.state === "ended", 600);
  const seconds = (Date.now() - started) / 1000;
  const count = await page.evaluate(() => streakshowDriver.kept.length);
  fs.mkdirSync(outDir, { recursive: true });
  const notes = [];
  for (let i = 0; i < count; i++) {
    const frame = await page.evaluate(i => {
      const { index, note, pixels } = streakshowDriver.kept[i];
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
  const inOrder = await page.evaluate(() => streakshowDriver.frameTimes);
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

// The question as a viewer meets it, Escape on it, and the show from No to
// its end and its replay.
async function start(browser, webDir) {
  const server = await serve(webDir);
  const log = [];
  const page = await open(browser, server, log);
  // The warning stands in view from the start, and when the question is asked.
  const warned = async () => page.evaluate(() => {
    const warning = document.getElementById("warning"), box = warning.getBoundingClientRect();
    return !warning.hidden && box.height > 0 && box.top >= 0 && box.bottom <= innerHeight && warning.textContent;
  });
  const warnedFirst = await warned();
  const question = await asked(page) && await page.evaluate(() => [
    document.getElementById("question-caption").textContent,
    document.getElementById("question-text").textContent, document.activeElement.id]);
  check(question && question[0] === kQuestionCaption && question[1] === kQuestionText && question[2] === "yes",
        `the page asks with the exact caption and text, Yes focused as in the native boxes (${question && question[2]})`);
  const warnedBeside = await warned();
  check(warnedFirst === kWarning && warnedBeside === kWarning,
        `the photosensitivity warning is in view before and beside the question ("${warnedBeside}")`);
  const head = await page.evaluate(async () => {
    const meta = name => (document.querySelector(`meta[name="${name}"], meta[property="${name}"]`) || {}).content;
    const image = meta("og:image"), response = await fetch(new URL(image, location));
    const bytes = new Uint8Array(await response.arrayBuffer());
    return { title: document.title, description: meta("description"), ogTitle: meta("og:title"), type: meta("og:type"),
             ogDescription: meta("og:description"), image, twitterImage: meta("twitter:image"), card: meta("twitter:card"),
             served: response.ok && response.headers.get("Content-Type") === "image/png" &&
                     bytes.slice(0, 4).join() === "137,80,78,71",
             noscript: document.querySelector("noscript").textContent };
  });
  check(head.title && head.ogTitle && head.type === "website" && head.description && head.description.length > 40 &&
        head.ogDescription === head.description && head.card === "summary_large_image" && head.served &&
        /^[\w-]+\.png$/.test(head.image) && head.twitterImage === head.image &&
        /JavaScript/.test(head.noscript) && /WebGL 2/.test(head.noscript),
        `the page introduces itself: "${head.description}", preview ${head.image} served: ${head.served}; ` +
        `"${head.noscript}"`);

  // Escape answers No; it is not kept for the show, which runs on.
  await page.keyboard.press("Escape");
  const running = await waitFor(page, () => Module.page.state === "running", 60);
  await sleep(3000);
  const after = await state(page);
  check(running && after[0] === "running", `Escape on the question answers No, and 3 s into the show it runs (${after})`);

  const looks = await page.evaluate(() => {
    const canvas = Module.canvas, box = canvas.getBoundingClientRect(), root = document.documentElement;
    return { buffer: [canvas.width, canvas.height], title: document.title, box: [box.left, box.top, box.width, box.height],
             scroll: [root.scrollWidth - innerWidth, root.scrollHeight - innerHeight],
             hint: document.getElementById("hint").hidden ? "" : document.getElementById("hint").textContent };
  });
  const [left, top, width, height] = looks.box;
  check(looks.buffer.join() === "1024,768" && looks.title === "ZERK",
        `a 1024 by 768 canvas titled ZERK (${looks.buffer.join(" by ")}, ${looks.title})`);
  check(looks.scroll.every(extra => extra <= 0) && left >= 0 && top >= 0 && left + width <= kViewport.width &&
        height === kViewport.height && Math.abs(width / height - 4 / 3) < 0.002,
        `in ${kViewport.width} by ${kViewport.height} the canvas fills the height at 4:3, whole and without scrolling ` +
        `(at ${looks.box.map(Math.round)}, scrolling ${looks.scroll})`);
  check(/Esc.* ends the show/.test(looks.hint), `the page says how to end the show ("${looks.hint}")`);
  check(await canvasChanges(page), "the canvas changes while the show runs");
  const music = await page.evaluate(async () => {
    const audio = Module.page.audio;
    const before = audio.currentTime;
    await new Promise(resolve => setTimeout(resolve, 1000));
    return { duration: audio.duration, before, after: audio.currentTime, paused: audio.paused };
  });
  check(music.duration > 60 && music.after > music.before && !music.paused,
        `the music decodes and plays (${JSON.stringify(music)})`);
  const icon = await page.evaluate(async () => {
    const response = await fetch(document.querySelector("link[rel=icon]").href);
    return response.ok && response.headers.get("Content-Type");
  });
  const missing = server.answers.filter(answer => !answer.startsWith("200"));
  check(icon === "image/svg+xml" && missing.length === 0,
        `the page has its icon (${icon}) and every request is answered (${missing.join(", ") || "none missing"})`);

  await page.keyboard.press("Escape");
  const ended = await waitFor(page, () => Module.page.state === "ended", 10);
  check(ended && (await state(page))[1] === 0, "Escape ends the show with status 0");
  check(ended && !(await canvasChanges(page)), "after Escape the canvas stops changing");
  const end = await page.evaluate(() => !document.getElementById("end").hidden && document.activeElement.textContent);
  check(/again/.test(end), `the end offers to play the show again ("${end}")`);
  check(!log.some(line => /error|abort|stopped/i.test(line)), "no errors on the console");
  if (end) await page.click("#again");
  check(end && await asked(page), "playing it again asks the question again");
  if (failures) console.log(log.join("\n"));
  server.close();
}

// Return answers Yes, as the native boxes' focus does; the browser may go
// full screen or refuse (here forced), and the show runs either way.
async function fullscreen(browser, webDir) {
  const server = await serve(webDir);
  const log = [];
  let page = await open(browser, server, log);
  await asked(page);
  await page.keyboard.press("Enter");
  const running = await waitFor(page, () => Module.page.state === "running", 60);
  const full = await page.evaluate(() => document.fullscreenElement === Module.canvas);
  check(running && full, `Return answers Yes: the canvas goes full screen and the show runs (full screen: ${full})`);
  await page.evaluate(() => document.fullscreenElement && document.exitFullscreen());
  check(await waitFor(page, () => Module.page.state === "ended", 10) && (await state(page))[1] === 0,
        "leaving full screen ends the show with status 0");
  await page.close();

  page = await open(browser, server, log, {
    before: () => { Element.prototype.requestFullscreen = () => Promise.reject(new TypeError("refused")); },
  });
  await asked(page);
  await page.click("#yes");
  const told = await waitFor(page, () => !document.getElementById("notice").hidden, 60) && await page.evaluate(() =>
    [document.getElementById("notice-caption").textContent, document.getElementById("notice-text").textContent]);
  if (told) await page.keyboard.press("Enter");
  const windowed = await waitFor(page, () => Module.page.state === "running", 60) &&
                   await page.evaluate(() => !document.fullscreenElement);
  check(told && told[0] === "you fail" && told[1].startsWith("can't change display settings") && windowed,
        `a refused full screen gives the failure box (${told && told.join(" | ")}), then the show runs in the window`);
  if (failures) console.log(log.join("\n"));
  server.close();
}

// Served without its data: the page says so in one line, and the show runs
// silent over empty pictures and ends well.
async function bare(browser, webDir) {
  const server = await serve(webDir, { withoutData: true });
  const log = [];
  // Over empty pictures every frame is black: the frames are counted.
  const page = await open(browser, server, log, {
    before: () => {
      const request = window.requestAnimationFrame.bind(window);
      window.framesDrawn = 0;
      window.requestAnimationFrame = callback => request(time => { window.framesDrawn++; callback(time); });
    },
  });
  await asked(page);
  const said = await page.$eval("#status", element => element.textContent);
  check(/no music: the show runs silent/.test(said) && /7 pictures missing: the show runs over empty pictures/.test(said) &&
        !said.includes("\n"), `without the data the page says in one line what is missing and what still works ("${said}")`);
  await page.click("#no");
  const running = await waitFor(page, () => Module.page.state === "running", 60);
  const framesBefore = await page.evaluate(() => window.framesDrawn);
  await sleep(1500);
  const frames = await page.evaluate(() => window.framesDrawn) - framesBefore;
  const silent = await page.evaluate(() => Module.page.audio.paused);
  check(running && frames > 5 && silent, `without the data the show runs silent (${frames} frames in 1.5 s)`);
  await page.keyboard.press("Escape");
  check(await waitFor(page, () => Module.page.state === "ended", 10) && (await state(page))[1] === 0,
        "without the data Escape ends the show with status 0");
  if (failures) console.log(log.join("\n"));
  server.close();
}

// A GPU reset: the page says so and the show ends well.
async function lost(browser, webDir) {
  const server = await serve(webDir);
  const page = await open(browser, server, []);
  await asked(page);
  await page.click("#no");
  await waitFor(page, () => Module.page.state === "running", 60);
  const losable = await page.evaluate(() => {
    const extension = Module.canvas.getContext("webgl2").getExtension("WEBGL_lose_context");
    if (extension) extension.loseContext();
    return !!extension;
  });
  const ended = await waitFor(page, () => Module.page.state === "ended", 10);
  const said = await page.$eval("#status", element => element.textContent);
  check(losable && ended && (await state(page))[1] === 0 && /graphics were lost/.test(said),
        `a lost WebGL context is told ("${said}") and the show ends with status 0`);
  server.close();
}

// A slow line: 1 MB/s with 50 ms of latency for everything, and the music's
// data held back 3 s more. The page shows the transfers with their progress
// before the question, and the music's while the show waits for it; then the
// show's clock runs on the music's. Chromium interpolates the music's
// position between its sound device's updates, so the two can be compared
// at any moment: for a second they stay within a frame at 60 Hz (16.7 ms),
// the screen's rate that the show's frames follow. (Firefox's mock sound
// device runs some 13 % slow, so only Chromium is checked.)
async function slow(browser, webDir) {
  const server = await serve(webDir, { musicDelay: 3000 });
  const log = [];
  const page = await open(browser, server, log, {
    setUp: async page => (await page.createCDPSession()).send("Network.emulateNetworkConditions",
      { offline: false, latency: 50, downloadThroughput: 1e6, uploadThroughput: 1e6 }),
  });
  const progress = page => page.evaluate(() => {
    const shown = !document.getElementById("transfers").hidden;
    const rows = [...document.querySelectorAll("#transfers progress")].map(bar => bar.previousSibling.textContent +
      (bar.hasAttribute("value") ? " " + Math.round(100 * bar.value) + " %" : " ?"));
    return [!document.getElementById("question").hidden, shown ? rows : []];
  });
  let partly = null;  // the first row seen part of the way
  for (let i = 0, question = false; i < 1200 && !question; i++) {
    const [shown, rows] = await progress(page);
    partly = partly || rows.find(row => / ([1-9]|[1-9][0-9]) %$/.test(row));
    question = shown;
    await sleep(25);
  }
  check(partly, `the page shows the transfers' progress before the question (${partly})`);
  await page.click("#no");
  let waiting = null;  // the music's row while the show waits for it
  for (let i = 0; i < 1200 && !waiting && (await state(page))[0] !== "running"; i++) {
    waiting = (await progress(page))[1].find(row => row.startsWith("the music") && !row.endsWith("100 %"));
    await sleep(25);
  }
  check(waiting, `the show waits for the music, its progress shown (${waiting})`);
  const running = await waitFor(page, () => Module.page.state === "running", 60);
  const apart = await page.evaluate(async () => {
    const found = [];
    for (const end = performance.now() + 1000; performance.now() < end;) {
      found.push(Module.page.audio.currentTime * 1000 - (performance.now() - Module.page.showStart));
      await new Promise(resolve => setTimeout(resolve, 5));
    }
    return [Math.min(...found), Math.max(...found), found.length];
  });
  check(running && apart[0] > -1000 / 60 && apart[1] < 1000 / 60,
        `the music's position less the show's time, over ${apart[2]} moments of its first second: ` +
        `${apart[0].toFixed(1)} to ${apart[1].toFixed(1)} ms`);
  if (failures) console.log(log.join("\n"));
  server.close();
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

// Transfers that send 4 KiB and then nothing. The music is given up after
// its patience (set short here; 10 s on the shipped page) and the show plays
// silent; Escape before the first frame, while the show waits for its music
// or while the pictures load, ends the page at once.
async function stalled(browser, webDir) {
  const server = await serve(webDir);
  const log = [];
  const patience = 1500;
  server.stall = /\.mp3$/;
  let page = await open(browser, server, log, {
    argument: patience,
    before: patience => { window.streakshowMusicPatience = patience; },
  });
  await asked(page);
  await page.click("#no");
  const answered = Date.now();
  const running = await waitFor(page, () => Module.page.state === "running", 30);
  const waited = (Date.now() - answered) / 1000;
  const said = await page.$eval("#status", element => element.textContent);
  const silent = running && await page.evaluate(() => Module.page.audio.paused) && await canvasChanges(page);
  check(silent && /^no music, its download made no progress for 1.5 s: the show runs silent\.$/.test(said),
        `with its music stalled the show plays silent, ${waited.toFixed(1)} s after the question ("${said}")`);
  await page.keyboard.press("Escape");
  check(await waitFor(page, () => Module.page.state === "ended", 10) && (await state(page))[1] === 0,
        "with its music stalled Escape ends the show with status 0");
  await page.close();

  for (const [when, stall, reached] of [
    ["while the show waits for its music", /\.mp3$/, () => Module.page.state === "starting"],
    ["while the pictures load", /\.jpg$/, () => document.getElementById("transfers").textContent.includes("pictures")],
  ]) {
    server.stall = stall;
    page = await open(browser, server, log);
    if (stall.test(".mp3")) {
      await asked(page);
      await page.click("#no");
    }
    const there = await waitFor(page, reached, 30);
    await page.keyboard.press("Escape");
    const ended = await waitFor(page, () => Module.page.state === "ended" && !document.getElementById("end").hidden, 2);
    await sleep(500);
    const after = await page.evaluate(() => [Module.page.state, Module.page.status, document.getElementById("question").hidden,
                                              Module.canvas.hidden, document.getElementById("status").textContent]);
    check(there && ended && after.join() === "ended,0,true,true,",
          `Escape ${when} ends the page at once and offers the show again (${after})`);
    await page.close();
  }
  if (failures) console.log(log.join("\n"));
  server.close();
}

async function pageCheck(webDir, name) {
  const checks = { start, fullscreen, bare, lost, slow, stalled };
  if (!checks[name]) throw new Error(`no page check "${name}" (${Object.keys(checks).join(", ")})`);
  const browser = await launch();
  try {
    await checks[name](browser, webDir);
  } finally {
    await browser.close();
  }
  return failures ? 1 : 0;
}

const [command, webDir, ...rest] = process.argv.slice(2);
const run = command === "record" ? record(path.resolve(webDir), rest[0], rest[1])
          : command === "compare" ? Promise.resolve(compare(webDir, rest[0], Number(rest[1])))
          : pageCheck(path.resolve(webDir), rest[0]);
run.then(code => process.exit(code), error => { console.log("FAILED: " + error.stack); process.exit(1); });
