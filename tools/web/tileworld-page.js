// The page around the game: the choice of game behind a click (which also
// lets the browser start the sound), the game's files and the program, and
// the automation interface from the page's address:
//
//   ?game=NAME        the game to play (a folder name from games.js)
//   &display=WxH      the display's size (else the window's)
//   &script=PATH      play that automation script (same origin, relative to
//                     the page) instead of the keyboard; starts at once
//   &replay=PATH      replay a recording; starts at once
//   &record=1         record the session; the end offers it as a download
//   &hold=F           with a script or a replay: stop with frame F on the
//                     canvas (F counted as the script counts frames) until
//                     tileworldResume() is called, for a test to look at it
//
// When the program ends, every file the run wrote (a dump, a screenshot, the
// recording) goes to the console as one line "tileworld-file NAME BASE64",
// NAME relative to the game's folder, then one line "tileworld-exit CODE"
// with the program's exit code. A trap (the browser's processor fault) ends
// the program's module at once; the page then says so and ends with
// "tileworld-exit 134", as a program ended by a fault reports itself on Linux.
'use strict';

(function () {
  const params = new URLSearchParams(location.search);
  const games = window.TILEWORLD_GAMES || [];
  const canvas = document.getElementById('canvas');
  const overlay = document.getElementById('overlay');
  const message = document.getElementById('message');
  const choices = document.getElementById('choices');
  const detail = document.getElementById('detail');
  const status = document.getElementById('status');

  const automated = params.has('script') || params.has('replay');
  const recording = params.get('record') === '1' && !automated;
  const RECORDING = 'tileworld-recording.txt';
  const trapCode = 134;
  let started = false;
  let ended = false;
  let game = null;
  let before = new Map();
  const errorLines = [];

  canvas.addEventListener('contextmenu', (e) => e.preventDefault());

  function named(name) {
    return games.find((g) => g.name === name) || null;
  }

  function display() {
    const given = params.get('display');
    if (given && /^[1-9][0-9]*x[1-9][0-9]*$/.test(given)) return given;
    return Math.max(1, window.innerWidth) + 'x' + Math.max(1, window.innerHeight);
  }

  function showOverlay(text, buttons, more) {
    message.textContent = text;
    choices.replaceChildren(...buttons);
    detail.textContent = more || '';
    overlay.hidden = false;
  }

  function button(label, action) {
    const b = document.createElement('button');
    b.textContent = label;
    b.addEventListener('click', action);
    return b;
  }

  function loadScript(src) {
    return new Promise((resolve, reject) => {
      const s = document.createElement('script');
      s.src = src;
      s.onload = resolve;
      s.onerror = () => reject(new Error('could not load ' + src));
      document.body.appendChild(s);
    });
  }

  // --- files ------------------------------------------------------------------

  // Every regular file under `dir` with what tells a rewrite apart.
  function listFiles(dir, into) {
    for (const name of FS.readdir(dir)) {
      if (name === '.' || name === '..') continue;
      const path = (dir === '/' ? '' : dir) + '/' + name;
      if (path === '/dev' || path === '/proc' || path === '/tmp/tileworld-input') continue;
      const st = FS.stat(path);
      if (FS.isDir(st.mode)) listFiles(path, into);
      else if (FS.isFile(st.mode)) into.set(path, st.mtime.getTime() + ' ' + st.size);
    }
    return into;
  }

  function base64(bytes) {
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000)
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(text);
  }

  function folder() {
    return '/' + game.name;
  }

  // The files written since the program started, named as the script named
  // them: relative to the game's folder, else absolute.
  function writtenFiles() {
    const written = [];
    let now;
    try {
      now = listFiles('/', new Map());
    } catch (e) {
      return written;
    }
    for (const [path, stamp] of now) {
      if (before.get(path) === stamp) continue;
      const name = path.startsWith(folder() + '/') ? path.slice(folder().length + 1) : path;
      written.push({ name, path, bytes: FS.readFile(path) });
    }
    written.sort((a, b) => (a.name < b.name ? -1 : a.name > b.name ? 1 : 0));
    return written;
  }

  function handOver(code) {
    const written = writtenFiles();
    for (const f of written) console.log('tileworld-file ' + f.name + ' ' + base64(f.bytes));
    console.log('tileworld-exit ' + code);
    window.tileworldExit = code;
    return written;
  }

  function download(file) {
    const a = document.createElement('a');
    a.textContent = 'Download the recording';
    a.href = URL.createObjectURL(new Blob([file.bytes], { type: 'text/plain' }));
    a.download = RECORDING;
    return a;
  }

  // --- the program's end ---------------------------------------------------------

  function finished(code) {
    if (ended) return;
    ended = true;
    const written = handOver(code);
    // A scripted run leaves its last frame in view, for whoever drives it.
    if (automated) return;
    const again = button('Play again', () => location.reload());
    const buttons = [again];
    const rec = written.find((f) => f.name === RECORDING);
    if (rec) buttons.unshift(download(rec));
    if (code === 0) {
      showOverlay('The game has ended.', buttons, rec ? 'Replay the recording with ?replay=PATH or tileworld --replay.' : '');
    } else {
      showOverlay('The game ended with code ' + code + '.', buttons, errorLines.slice(-6).join('\n'));
    }
  }

  function trapped(what) {
    if (ended) return;
    ended = true;
    handOver(trapCode);
    showOverlay('The game stopped: ' + what, [button('Play again', () => location.reload())],
      'A fault inside the program ends it in a browser. Please report it with the game and, if you can, a recording (?record=1).');
  }

  // --- input from the address ----------------------------------------------------

  // Fetches a file named in the address into the program's file system.
  function fetchInput(url, into) {
    const id = 'tileworld-input ' + into;
    Module.addRunDependency(id);
    fetch(url)
      .then((r) => {
        if (!r.ok) throw new Error(url + ': ' + r.status + ' ' + r.statusText);
        return r.arrayBuffer();
      })
      .then((data) => {
        FS.writeFile(into, new Uint8Array(data));
        Module.removeRunDependency(id);
      })
      .catch((e) => {
        console.warn('tileworld: ' + e.message);
        ended = true;
        console.log('tileworld-exit 2');
        window.tileworldExit = 2;
        showOverlay('Could not load ' + url + '.', [], String(e.message));
      });
  }

  function prepare() {
    ENV.TILEWORLD_DISPLAY = display();
    const input = '/tmp/tileworld-input';
    FS.mkdirTree(input);
    if (params.has('script')) {
      fetchInput(params.get('script'), input + '/script.txt');
      ENV.TILEWORLD_SCRIPT = input + '/script.txt';
    }
    if (params.has('replay')) fetchInput(params.get('replay'), input + '/replay.txt');
    // Scripted runs are watched by nobody: no sound device, as headless.
    if (automated) ENV.SDL_AUDIODRIVER = 'dummy';
  }

  // Runs after the files arrived, just before the program: it starts in the
  // game's folder, as if started there.
  function ready() {
    FS.chdir(folder());
    before = listFiles('/', new Map());
    status.textContent = '';
  }

  function start(chosen) {
    if (started) return;
    started = true;
    game = chosen;
    overlay.hidden = true;
    canvas.focus();
    const args = [];
    if (params.has('replay')) args.push('--replay', '/tmp/tileworld-input/replay.txt');
    if (recording) args.push('--record', RECORDING);
    const hold = automated && /^[0-9]+$/.test(params.get('hold') || '') ? Number(params.get('hold')) : undefined;
    window.tileworldResume = () => Module.tileworldResume && Module.tileworldResume();
    window.Module = {
      canvas: canvas,
      tileworldHoldAt: hold,
      arguments: args,
      preRun: [prepare],
      onRuntimeInitialized: ready,
      print: (line) => console.log(line),
      printErr: (line) => {
        errorLines.push(line);
        console.warn(line);
      },
      onExit: finished,
      onAbort: (what) => trapped(String(what)),
      setStatus: (text) => {
        status.textContent = text;
      },
    };
    status.textContent = 'Loading ' + game.title + ' ...';
    loadScript(game.name + '.data.js')
      .then(() => loadScript('tileworld.js'))
      .catch((e) => {
        console.warn('tileworld: ' + e.message);
        showOverlay('Could not load the game.', [], e.message);
      });
  }

  // --- the first screen ------------------------------------------------------------

  const wanted = named(params.get('game')) || games[0];
  if (!wanted) {
    showOverlay('This page holds no game.', []);
  } else if (automated) {
    start(wanted);
  } else {
    const ordered = [wanted].concat(games.filter((g) => g !== wanted));
    const buttons = ordered.map((g) => button('Play ' + g.title, () => start(g)));
    showOverlay(recording ? 'Click a game to play and record it (with sound).' : 'Click a game to play (with sound).',
      buttons, detail.textContent);
    buttons[0].focus();
  }
})();
