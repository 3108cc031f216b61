// Tests the web page in Debian's headless Chromium against the Linux program
// of the same sources (run by tools/build-web.sh --test):
//
//   node tools/web/test-in-chromium.cjs --page DIR --linux PROGRAM --games ROOT
//        --work DIR --puppeteer DIR
//
// DIR is the unpacked page folder, PROGRAM the Linux tileworld, ROOT the
// folder holding game/ and game-saved/, --work a scratch folder and
// --puppeteer the puppeteer-core package folder. The page is served on
// 127.0.0.1 (a port of the system's choice), with the test's own files
// under /tests/.
//
// 1. A scripted session writes the same dumps in the browser as on Linux,
//    line for line, for both games; its screenshot and the canvas itself
//    match Linux's picture of that frame within a tolerance, and are not
//    blank. The canvas is read while the page holds that frame (&hold=).
//    The pictures are left in --work (web-shot.png, web-canvas.png,
//    linux-shot.png).
// 2. Real key presses held on the page move the figure: the session is
//    recorded on the page, and the Linux program replays that recording in
//    step, its dumps showing the figure (or the view) moved.
// 3. The shipped recording replays in step in the browser.
// 4. Nothing on the console is an error, in any of the runs.
// It also prints the figures: the time from the page's start to its first
// frame, and the frames a second at 1280 x 720.
'use strict';

const childProcess = require('child_process');
const fs = require('fs');
const http = require('http');
const path = require('path');

// --- arguments ------------------------------------------------------------------

const opts = {};
for (let i = 2; i < process.argv.length; i += 2) opts[process.argv[i].replace(/^--/, '')] = process.argv[i + 1];
for (const k of ['page', 'linux', 'games', 'work', 'puppeteer']) {
  if (!opts[k]) {
    console.error('test-in-chromium: --' + k + ' is missing');
    process.exit(2);
  }
}
const puppeteer = require(path.resolve(opts.puppeteer));
const testsDir = path.join(opts.work, 'tests');
fs.mkdirSync(testsDir, { recursive: true });

let failures = 0;
function fail(what) {
  failures++;
  console.log('FAIL ' + what);
}
function pass(what) {
  console.log('ok   ' + what);
}

// --- the server -------------------------------------------------------------------

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.wasm': 'application/wasm',
  '.data': 'application/octet-stream',
  '.txt': 'text/plain; charset=utf-8',
  '.png': 'image/png',
};

function serve() {
  const server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://127.0.0.1');
    let root = opts.page;
    let rel = decodeURIComponent(url.pathname);
    if (rel.startsWith('/tests/')) {
      root = testsDir;
      rel = rel.slice('/tests'.length);
    }
    if (rel.endsWith('/')) rel += 'index.html';
    const file = path.join(root, path.normalize(rel));
    if (!file.startsWith(path.resolve(root) + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404);
      res.end();
      return;
    }
    res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// --- the Linux program ------------------------------------------------------------

// Runs the Linux program headless in a copy of the game with the script;
// the files it wrote, by name, and its exit code.
function runLinux(gameName, display, scriptText, names, options = {}) {
  const dir = fs.mkdtempSync(path.join(opts.work, 'linux-'));
  const copy = path.join(dir, gameName);
  fs.cpSync(path.join(opts.games, gameName), copy, { recursive: true });
  const script = path.join(dir, 'script.txt');
  fs.writeFileSync(script, scriptText);
  const env = Object.assign({}, process.env, {
    SDL_VIDEODRIVER: 'offscreen',
    SDL_AUDIODRIVER: 'dummy',
  });
  env.TILEWORLD_DISPLAY = display;
  const args = [];
  if (options.replay) args.push('--replay', script);
  else env.TILEWORLD_SCRIPT = script;
  const run = childProcess.spawnSync(opts.linux, args, { cwd: copy, env, encoding: 'utf8', timeout: 300000 });
  const files = {};
  for (const n of names) {
    const f = path.join(copy, n);
    if (fs.existsSync(f)) files[n] = fs.readFileSync(f);
  }
  return { code: run.status, output: (run.stdout || '') + (run.stderr || ''), files };
}

// --- the browser ------------------------------------------------------------------

let browser;
let base;
const consoleErrors = [];

// Opens the page at `query`; `act` may play on it. Resolves when the page
// printed its exit line, with the files it handed over and its output.
async function runPage(query, viewport, act, timeoutMs = 240000) {
  const page = await browser.newPage();
  await page.setViewport({ width: viewport[0], height: viewport[1], deviceScaleFactor: 1 });
  const run = { lines: [], files: {}, code: null, page };
  let done;
  const exited = new Promise((resolve) => (done = resolve));
  page.on('console', (msg) => {
    const text = msg.text();
    if (msg.type() === 'error') consoleErrors.push(query + ': ' + text);
    if (text.startsWith('tileworld-file ')) {
      const [, name, data] = text.split(' ');
      run.files[name] = Buffer.from(data, 'base64');
      return;
    }
    run.lines.push(text);
    const m = /^tileworld-exit (-?\d+)$/.exec(text);
    if (m) {
      run.code = Number(m[1]);
      done();
    }
  });
  page.on('pageerror', (e) => consoleErrors.push(query + ': ' + e.message));
  page.on('requestfailed', (r) => consoleErrors.push(query + ': request failed: ' + r.url()));
  run.started = Date.now();
  await page.goto(base + '/index.html' + query);
  if (act) await act(page);
  let timer;
  const timeout = new Promise((resolve) => (timer = setTimeout(resolve, timeoutMs)));
  await Promise.race([exited, timeout]);
  clearTimeout(timer);
  if (run.code === null) run.lines.push('(no exit line within ' + timeoutMs / 1000 + ' s)');
  return run;
}

function frames(page) {
  return page.evaluate(() => ({ n: (window.Module && Module.tileworldFrames) || 0, at: performance.now() }));
}

async function waitForFrames(page, n, timeoutMs = 60000) {
  const until = Date.now() + timeoutMs;
  while ((await frames(page)).n < n) {
    if (Date.now() > until) throw new Error('the page did not reach frame ' + n);
    await new Promise((r) => setTimeout(r, 50));
  }
}

// Compares two PNG pictures in the page: size, how far they differ, how
// much of the first is not black.
function comparePictures(page, a, b) {
  return page.evaluate(
    async (a64, b64) => {
      async function pixels(b64) {
        const bytes = Uint8Array.from(atob(b64), (c) => c.charCodeAt(0));
        const bitmap = await createImageBitmap(new Blob([bytes], { type: 'image/png' }));
        const c = new OffscreenCanvas(bitmap.width, bitmap.height);
        const g = c.getContext('2d');
        g.drawImage(bitmap, 0, 0);
        return g.getImageData(0, 0, bitmap.width, bitmap.height);
      }
      const p = await pixels(a64);
      const q = await pixels(b64);
      const out = { size: [p.width, p.height], other: [q.width, q.height] };
      if (p.width !== q.width || p.height !== q.height) return out;
      let sum = 0, far = 0, lit = 0;
      const n = p.width * p.height;
      for (let i = 0; i < n * 4; i += 4) {
        let worst = 0;
        for (let k = 0; k < 3; k++) {
          const d = Math.abs(p.data[i + k] - q.data[i + k]);
          sum += d;
          worst = Math.max(worst, d);
        }
        if (worst > 48) far++;
        if (p.data[i] + p.data[i + 1] + p.data[i + 2] > 48) lit++;
      }
      out.mean = sum / (n * 3);
      out.far = far / n;
      out.lit = lit / n;
      return out;
    },
    a.toString('base64'),
    b.toString('base64'),
  );
}

function firstDifference(a, b) {
  const x = a.toString('utf8').split('\n');
  const y = b.toString('utf8').split('\n');
  for (let i = 0; i < Math.max(x.length, y.length); i++)
    if (x[i] !== y[i]) return 'line ' + (i + 1) + ': browser "' + x[i] + '", Linux "' + y[i] + '"';
  return null;
}

function sameDumps(what, web, linux, names) {
  for (const n of names) {
    if (!web.files[n]) return fail(what + ': the page handed over no ' + n + ' (' + web.lines.slice(-5).join(' | ') + ')');
    if (!linux.files[n]) return fail(what + ': Linux wrote no ' + n + ' (' + linux.output.trim() + ')');
    const d = firstDifference(web.files[n], linux.files[n]);
    if (d) return fail(what + ': ' + n + ' differs at ' + d);
  }
  if (web.code !== linux.code) return fail(what + ': exit code ' + web.code + ' in the browser, ' + linux.code + ' on Linux');
  pass(what + ': ' + names.join(', ') + ' the same line for line, exit code ' + web.code);
}

function fieldOf(dump, prefix) {
  const line = dump.toString('utf8').split('\n').find((l) => l.startsWith(prefix));
  return line || '';
}

// --- the tests ------------------------------------------------------------------

async function scriptedSession() {
  const display = '640x360';
  const script = [
    '# right, down, a pickup on the way, then Page Up to another world',
    'at 50 dump web-a.txt',
    'at 55 key 205 down',
    'at 100 key 205 up',
    'at 102 key 208 down',
    'at 140 key 208 up',
    'at 150 dump web-b.txt',
    'at 160 key 201 down',
    'at 162 key 201 up',
    'at 240 dump web-c.txt',
    'at 240 screenshot web-shot.png',
    'at 300 quit',
    '',
  ].join('\n');
  fs.writeFileSync(path.join(testsDir, 'session.txt'), script);
  const names = ['web-a.txt', 'web-b.txt', 'web-c.txt'];
  // The canvas as the browser shows it: the page holds the program with
  // frame 240 shown (the frame of the script's screenshot) while the canvas
  // is read, then lets it go on.
  let canvasShot = null;
  const web = await runPage('?game=game&display=' + display + '&script=tests/session.txt&hold=240', [640, 360], async (page) => {
    await page.waitForFunction(() => window.Module && Module.tileworldHeld === 240, { timeout: 120000, polling: 50 });
    canvasShot = Buffer.from(await (await page.$('#canvas')).screenshot({ type: 'png' }));
    await page.evaluate(() => tileworldResume());
  });
  const linux = runLinux('game', display, script, names.concat(['web-shot.png']));
  sameDumps('labyrinth script', web, linux, names);

  const first = await web.page.evaluate(() => Module.tileworldFirstFrame);
  console.log('figure: first frame ' + Math.round(first) + ' ms after the page started loading');

  // The script's own screenshot (read back in the browser) and the canvas as
  // the browser shows it, each against Linux's screenshot of that frame.
  const linuxShot = linux.files['web-shot.png'];
  if (!linuxShot) return fail('labyrinth script: Linux wrote no screenshot');
  fs.writeFileSync(path.join(opts.work, 'linux-shot.png'), linuxShot);
  for (const [what, shot, name] of [['script screenshot', web.files['web-shot.png'], 'web-shot.png'], ['canvas', canvasShot, 'web-canvas.png']]) {
    if (!shot) {
      fail(what + ': none from the page');
      continue;
    }
    fs.writeFileSync(path.join(opts.work, name), shot);
    const c = await comparePictures(web.page, shot, linuxShot);
    const text = what + ' vs Linux: ' + JSON.stringify(c);
    if (c.mean === undefined) fail(text + ' (sizes differ)');
    else if (c.lit < 0.2) fail(text + ' (blank)');
    else if (c.mean > 6 || c.far > 0.03) fail(text + ' (beyond the tolerance)');
    else pass(text);
  }
  await web.page.close();

  // The island: a saved world, from the second package.
  const island = 'seed 7\nat 40 dump island.txt\nat 41 key 205 down\nat 70 key 205 up\nat 80 dump island-b.txt\nat 80 quit\n';
  fs.writeFileSync(path.join(testsDir, 'island.txt'), island);
  const web2 = await runPage('?game=game-saved&display=800x600&script=tests/island.txt', [800, 600]);
  const linux2 = runLinux('game-saved', '800x600', island, ['island.txt', 'island-b.txt']);
  sameDumps('island script', web2, linux2, ['island.txt', 'island-b.txt']);
  await web2.page.close();
}

async function heldKeys() {
  const web = await runPage('?game=game&display=640x360&record=1', [640, 360], async (page) => {
    await page.waitForSelector('#choices button');
    await page.click('#choices button');
    await waitForFrames(page, 90);
    await page.keyboard.down('ArrowRight');
    await new Promise((r) => setTimeout(r, 800));
    await page.keyboard.up('ArrowRight');
    await page.keyboard.down('ArrowDown');
    await new Promise((r) => setTimeout(r, 600));
    await page.keyboard.up('ArrowDown');
    await new Promise((r) => setTimeout(r, 200));
    await page.keyboard.press('Escape', { delay: 100 });
    await new Promise((r) => setTimeout(r, 300));
    await page.keyboard.press('KeyQ', { delay: 100 });
  });
  const rec = web.files['tileworld-recording.txt'];
  if (web.code !== 0 || !rec) return fail('held keys: the page ended with ' + web.code + ' and no recording (' + web.lines.slice(-5).join(' | ') + ')');
  const text = rec.toString('utf8');
  const down = /^at (\d+) key 205 down$/m.exec(text);
  const checks = [...text.matchAll(/^at (\d+) check /gm)].map((m) => Number(m[1]));
  if (!down || !checks.length) return fail('held keys: the recording holds no right-arrow press:\n' + text);
  const before = Number(down[1]);
  const after = Math.max(...checks);
  const replay = text + 'at ' + before + ' dump keys-before.txt\nat ' + after + ' dump keys-after.txt\n';
  const linux = runLinux('game', '640x360', replay, ['keys-before.txt', 'keys-after.txt'], { replay: true });
  if (linux.code !== 0) return fail('held keys: Linux replays the page\'s recording out of step (' + linux.output.trim() + ')');
  const a = linux.files['keys-before.txt'], b = linux.files['keys-after.txt'];
  const moved = fieldOf(a, 'cursor 0 ') !== fieldOf(b, 'cursor 0 ') ||
    fieldOf(a, 'view_origin_x ') !== fieldOf(b, 'view_origin_x ') || fieldOf(a, 'view_origin_y ') !== fieldOf(b, 'view_origin_y ');
  if (!moved) return fail('held keys: the figure did not move (' + fieldOf(a, 'cursor 0 ') + ')');
  pass('held keys: recorded on the page, replayed in step on Linux, figure ' + fieldOf(a, 'cursor 0 ') + ' -> ' + fieldOf(b, 'cursor 0 '));
  await web.page.close();
}

async function shippedRecording() {
  fs.copyFileSync(path.join(opts.games, 'game', 'recordings', 'tour.txt'), path.join(testsDir, 'tour.txt'));
  const web = await runPage('?game=game&replay=tests/tour.txt', [640, 360]);
  const said = web.lines.find((l) => l.includes('replay in step')) || '';
  if (web.code === 0 && said) pass('shipped recording: ' + said);
  else fail('shipped recording: exit ' + web.code + ' (' + web.lines.slice(-5).join(' | ') + ')');
  await web.page.close();
}

async function framesPerSecond() {
  fs.writeFileSync(path.join(testsDir, 'fps.txt'), 'at 100000 quit\n');
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 720, deviceScaleFactor: 1 });
  page.on('console', (msg) => {
    if (msg.type() === 'error') consoleErrors.push('fps: ' + msg.text());
  });
  page.on('pageerror', (e) => consoleErrors.push('fps: ' + e.message));
  await page.goto(base + '/index.html?game=game&display=1280x720&script=tests/fps.txt');
  await waitForFrames(page, 120);
  const a = await frames(page);
  await new Promise((r) => setTimeout(r, 5000));
  const b = await frames(page);
  console.log('figure: ' + ((b.n - a.n) / ((b.at - a.at) / 1000)).toFixed(1) + ' frames a second at 1280x720');
  await page.close();
}

async function main() {
  const server = await serve();
  base = 'http://127.0.0.1:' + server.address().port;
  const profile = fs.mkdtempSync(path.join(opts.work, 'chromium-'));
  browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--headless=new', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox',
      '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run'],
  });
  try {
    await scriptedSession();
    await heldKeys();
    await shippedRecording();
    await framesPerSecond();
  } catch (e) {
    fail('the test itself: ' + (e.stack || e));
  } finally {
    await browser.close();
    server.close();
  }
  if (consoleErrors.length) fail('console errors:\n  ' + consoleErrors.join('\n  '));
  else pass('no errors on the console');
  console.log(failures ? failures + ' failed' : 'all passed');
  process.exit(failures ? 1 : 0);
}

main();
