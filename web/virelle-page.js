// The page around the show: loading progress, the start overlay (browsers start sound only after a
// gesture), fullscreen, the play-again overlay and message boxes. The program (virelle.js) reads
// the Module object defined here; it calls virelleShowEnded and virelleMessageBox, and the page
// calls its exported virelle_start and virelle_restart.
'use strict';

(function () {
  const canvas = document.getElementById('canvas');
  const stage = document.getElementById('stage');
  const overlays = {
    loading: document.getElementById('loading'),
    start: document.getElementById('start'),
    ended: document.getElementById('ended'),
    box: document.getElementById('box'),
  };
  const statusLine = document.getElementById('status');
  const progress = document.getElementById('progress');

  // The page's state for the eye and for tests: loading, ready, playing, ended, failed; each but
  // playing shows its overlay.
  const overlayOf = { loading: 'loading', failed: 'loading', ready: 'start', ended: 'ended' };
  function setState(state) {
    document.body.dataset.state = state;
    for (const name of ['loading', 'start', 'ended']) {
      overlays[name].classList.toggle('hidden', overlayOf[state] !== name);
    }
  }

  function fail(text) {
    statusLine.textContent = text;
    progress.parentElement.style.display = 'none';
    setState('failed');
  }

  // Emscripten reports the content's download as "Downloading data... (done/total)".
  function showStatus(text) {
    if (!text) return;
    const m = text.match(/\((\d+(?:\.\d+)?)\/(\d+(?:\.\d+)?)\)/);
    if (m && Number(m[2]) > 0) {
      const done = Number(m[1]), total = Number(m[2]);
      progress.style.width = (100 * done / total).toFixed(1) + '%';
      statusLine.textContent = 'Loading… ' + (done / 1048576).toFixed(1) + ' of ' + (total / 1048576).toFixed(1) + ' MB';
    } else {
      statusLine.textContent = text.replace(/\.\.\./g, '…');
    }
  }

  // Message boxes the program shows; one at a time, the rest wait their turn.
  const boxes = [];
  function showNextBox() {
    if (!overlays.box.classList.contains('hidden') || boxes.length === 0) return;
    const [title, text] = boxes.shift();
    document.getElementById('box-title').textContent = title;
    document.getElementById('box-text').textContent = text;
    overlays.box.classList.remove('hidden');
    document.getElementById('box-ok').focus();
  }
  document.getElementById('box-ok').addEventListener('click', () => {
    overlays.box.classList.add('hidden');
    canvas.focus();
    showNextBox();
  });

  function resumeAudio() {
    const context = Module.virelleAudioContext;
    if (context && context.state !== 'running') context.resume();
  }

  function start() {
    if (document.body.dataset.state !== 'ready') return;
    setState('playing');
    canvas.focus();
    resumeAudio();
    Module._virelle_start();
  }
  overlays.start.addEventListener('click', start);

  document.getElementById('again').addEventListener('click', () => {
    setState('playing');
    canvas.focus();
    resumeAudio();
    Module._virelle_restart();
  });

  function toggleFullscreen() {
    if (document.fullscreenElement) document.exitFullscreen();
    else if (stage.requestFullscreen) stage.requestFullscreen().catch(() => {});
  }
  canvas.addEventListener('dblclick', toggleFullscreen);
  window.addEventListener('keydown', (event) => {
    if ((event.key === 'f' || event.key === 'F') && !event.ctrlKey && !event.altKey && !event.metaKey &&
        document.body.dataset.state !== 'loading') {
      toggleFullscreen();
    }
  }, true);

  window.Module = {
    canvas: canvas,
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
    setStatus: showStatus,
    monitorRunDependencies: (left) => {
      if (left === 0) showStatus('Starting…');
    },
    // The program has drawn the show's first picture and waits for the click.
    postRun: [() => {
      if (document.body.dataset.state === 'loading') setState('ready');
    }],
    onAbort: (what) => fail('The show stopped: ' + what),
    virelleShowEnded: (status) => {
      if (document.fullscreenElement) document.exitFullscreen();
      setState('ended');
      document.getElementById('again').focus();
      return status;
    },
    virelleMessageBox: (title, text) => {
      boxes.push([String(title), String(text)]);
      showNextBox();
    },
  };

  canvas.addEventListener('webglcontextlost', (event) => {
    event.preventDefault();
    fail('The browser took the graphics context away; reload the page to play again.');
  });
  if (typeof WebAssembly !== 'object') fail('This browser cannot run WebAssembly.');
  setState('loading');
})();
