// The page's own work: dialogs, menus, showing the canvas, the status line,
// scheduling the run's slices, links that carry a run and saving the
// picture. Every rule of the program (reading the dialog's numbers, the
// run, its pacing, the commands that wait for a run's end) lives in the
// WebAssembly module; this script only calls it.
'use strict';
(function () {
  const COMMAND_ENTER_NEW_VALUES = 1, COMMAND_ABOUT = 2, COMMAND_SAVE_PICTURE = 3;
  const STOP_HINT = 'To stop, click or tap the chart, or press Escape.';
  const $ = (id) => document.getElementById(id);
  const view = $('view');
  // The chart's size, written into the page from the chart's layout when
  // the page is built.
  const WIDTH = view.width, HEIGHT = view.height;
  const context = view.getContext('2d', {alpha: false});
  const progress = $('progress'), result = $('result'), outcome = $('outcome');
  const values = $('values'), duration = $('duration'), step = $('step'), speed = $('speed');
  const on = $('interaction-on'), off = $('interaction-off');
  let quorvex = null;  // the module once loaded; until then the page does nothing
  let running = false;
  let runYears = '';  // the duration of the run in progress or last run

  // Copies the module's canvas to the page's.
  function show() {
    const bytes = new Uint8ClampedArray(quorvex.HEAPU8.buffer, quorvex._qv_pixels(), WIDTH * HEIGHT * 4);
    context.putImageData(new ImageData(bytes, WIDTH, HEIGHT), 0, 0);
  }

  // The status line below the chart and the chart's accessible name follow
  // the run: none yet, in progress, complete or stopped.
  const ofYears = () => quorvex._qv_progress_years() + ' of ' + runYears + ' years';
  function showProgress() {
    progress.textContent = ofYears() + '\n' + STOP_HINT;
  }
  function showState(state) {
    if (state === 'running') {
      result.textContent = outcome.textContent = '';
      showProgress();
      view.setAttribute('aria-label', 'Quorvex chart, run of ' + runYears + ' years in progress. ' + STOP_HINT);
      return;
    }
    progress.textContent = state === 'empty' ? 'No run yet: File > Enter New Values starts one.' : '';
    if (state === 'empty') {
      view.setAttribute('aria-label', 'Quorvex chart, empty: no run yet');
      return;
    }
    const closing = quorvex.UTF8ToString(quorvex._qv_closing_line());
    const how = state === 'stopped' ? 'Run stopped at ' + ofYears() + '.' : 'Run complete: ' + runYears + ' years.';
    result.textContent = closing;
    outcome.textContent = how;
    view.setAttribute('aria-label', 'Quorvex chart. ' + how + ' ' + closing);
  }

  // Slices run as message tasks, so the page stays responsive between
  // them; a due pause is a timer set from a message task, which browsers
  // do not stretch as they do timers set from timers.
  const slices = new MessageChannel();
  slices.port1.onmessage = slice;
  function nextSlice(waitMs) {
    if (waitMs > 0) setTimeout(() => slices.port2.postMessage(0), waitMs);
    else slices.port2.postMessage(0);
  }
  function slice() {
    if (!running) return;
    const wait = quorvex._qv_slice();
    const due = quorvex._qv_show();
    if (due) show();
    if (wait < 0) {
      running = false;
      performance.measure('quorvex-run', 'quorvex-run-start');
      showState(quorvex._qv_stopped() ? 'stopped' : 'complete');
      document.documentElement.classList.remove('busy');
      carryOutWaiting();
      return;
    }
    if (due) showProgress();
    nextSlice(wait);
  }
  // Each run is timed in the page's performance timeline ("quorvex-run").
  function startRun() {
    performance.mark('quorvex-run-start');
    runYears = quorvex.UTF8ToString(quorvex._qv_dialog_text(0));
    linkToRun();
    show();
    // An accepted run is in progress until a slice ends it, also one
    // with no step to take.
    running = true;
    showState('running');
    nextSlice(0);
  }
  function stopRun() {
    if (running) quorvex._qv_stop();
  }

  // Modal dialogs: each calls its `done` once, as it closes, however it
  // closes. The page closes them itself, Escape included, so that `done`
  // runs at once: a dialog's "close" event comes a task later, after the
  // dialog may have been opened again.
  function openModal(dialog, focus, done) {
    dialog.quorvexDone = done;
    dialog.showModal();
    focus.focus();
  }
  function closeModal(dialog, how) {
    const done = dialog.quorvexDone;
    dialog.quorvexDone = null;
    if (dialog.open) dialog.close(how);
    if (done) done(how);
  }
  for (const dialog of document.querySelectorAll('dialog')) {
    dialog.addEventListener('cancel', (e) => {
      e.preventDefault();
      closeModal(dialog, '');
    });
    // Should the browser close one without asking (its own rules for
    // Escape may skip the "cancel" event), the close is handled then.
    dialog.addEventListener('close', () => {
      if (!dialog.open && dialog.quorvexDone) closeModal(dialog, dialog.returnValue);
    });
  }
  const dialogOpen = () => document.querySelector('dialog[open]') !== null;

  function messageBox(text, done) {
    $('message-text').textContent = text;
    openModal($('message'), $('message-ok'), done);
  }
  $('message-ok').addEventListener('click', () => closeModal($('message'), 'ok'));

  // The slider's value as a screen reader says it.
  function speedText() {
    speed.setAttribute('aria-valuetext', 'Plot speed ' + speed.value + ' of ' + speed.max);
  }
  speed.addEventListener('input', speedText);

  // The "Enter Values" dialog, seeded with the values last accepted, or
  // with the given texts (duration, step, speed, "0" for "On" or "1").
  const dialogTexts = () => [0, 1, 2, 3].map((which) => quorvex.UTF8ToString(quorvex._qv_dialog_text(which)));
  function enterValues(texts = dialogTexts()) {
    duration.value = texts[0];
    step.value = texts[1];
    speed.value = texts[2];
    speedText();
    (texts[3] === '1' ? off : on).checked = true;
    openModal(values, $('start-plot'), (how) => {
      if (how === 'start') startRun();
      else carryOutWaiting();
    });
  }
  function startPlot() {
    const fault = quorvex.ccall('qv_accept', 'number', ['string', 'string', 'string', 'number'],
                                [duration.value, step.value, speed.value, off.checked ? 1 : 0]);
    if (fault === 0) {
      closeModal(values, 'start');
      return;
    }
    const field = [null, step, duration, speed][fault];
    messageBox(quorvex.UTF8ToString(quorvex._qv_message()), () => {
      field.focus();
      field.select();
    });
  }
  $('start-plot').addEventListener('click', startPlot);
  $('cancel').addEventListener('click', () => closeModal(values, 'cancel'));
  values.addEventListener('keydown', (e) => {
    // Enter accepts unless the focus is on "Cancel".
    if (e.key === 'Enter' && e.target.id !== 'cancel' && !e.isComposing) {
      e.preventDefault();
      startPlot();
    }
  });

  function about() {
    openModal($('about'), $('about-ok'), () => carryOutWaiting());
  }
  $('about-ok').addEventListener('click', () => closeModal($('about'), 'ok'));

  // Menu commands: carried out at once, or after the run in progress, with
  // the busy cursor over the page until then.
  function carryOut(command) {
    if (command === COMMAND_ENTER_NEW_VALUES) {
      enterValues();
    } else if (command === COMMAND_ABOUT) {
      about();
    } else if (command === COMMAND_SAVE_PICTURE) {
      savePicture();
      carryOutWaiting();
    }
  }

  // "Save Picture": the canvas's own pixels as quorvex.png.
  function savePicture() {
    view.toBlob((blob) => {
      const link = document.createElement('a');
      link.href = URL.createObjectURL(blob);
      link.download = 'quorvex.png';
      link.click();
      setTimeout(() => URL.revokeObjectURL(link.href), 60000);
    }, 'image/png');
  }

  // Links that carry a run: "#years=1000&step=5&speed=3&interaction=off",
  // any of them in any order, or the same after "?" for hosts that drop
  // the fragment (the fragment wins). Each number is read by the dialog's
  // rules; one they refuse keeps its field's first value, and the status
  // line says so.
  const LINK_FIELDS = ['years', 'step', 'speed'];
  function linkedTexts() {
    const given = new URLSearchParams(location.search);
    for (const [key, value] of new URLSearchParams(location.hash.slice(1))) given.set(key, value);
    const texts = dialogTexts();
    const refused = [];
    LINK_FIELDS.forEach((key, i) => {
      if (!given.has(key)) return;
      const trial = texts.slice(0, 3);
      trial[i] = given.get(key);
      if (quorvex.ccall('qv_check', 'number', ['string', 'string', 'string'], trial) === 0) texts[i] = trial[i];
      else refused.push(key + '=' + given.get(key) + ' (' + quorvex.UTF8ToString(quorvex._qv_message()) + ')');
    });
    if (given.has('interaction')) {
      const choice = given.get('interaction').toLowerCase();
      if (choice === 'on' || choice === 'off') texts[3] = choice === 'off' ? '1' : '0';
      else refused.push('interaction=' + given.get('interaction') + ' (on or off)');
    }
    return [texts, refused.length ? 'Not taken from the link: ' + refused.join(', ') + '.' : ''];
  }
  // After "Start Plot" the address holds a link to the run on the screen,
  // without a history entry per run.
  function linkToRun() {
    const texts = dialogTexts();
    const values = [texts[0], texts[1], texts[2], texts[3] === '1' ? 'off' : 'on'];
    const fragment = LINK_FIELDS.concat('interaction').map((key, i) => key + '=' + values[i]).join('&');
    history.replaceState(history.state, '', '#' + fragment);
  }
  function choose(command) {
    if (quorvex._qv_offer(command)) carryOut(command);
    else document.documentElement.classList.add('busy');
  }
  // After a run or a dialog: the next command that waited, if any.
  function carryOutWaiting() {
    if (dialogOpen()) return;
    const command = quorvex._qv_take();
    if (command) carryOut(command);
  }

  // The menu bar: arrow keys move between the menus and their items, Enter,
  // Space or Down open a menu, Escape closes it; F10 opens "File", Alt and
  // an underlined letter its menu, an underlined letter in an open menu its
  // item, and Alt alone goes to the menu bar and back.
  const menubar = $('menubar');
  const tops = [$('menu-file'), $('menu-help')];
  const menuOf = (top) => $(top.getAttribute('aria-controls'));
  const itemsOf = (top) => Array.from(menuOf(top).querySelectorAll('[role="menuitem"]'));
  const letterOf = (element) => (element.querySelector('u') || {textContent: ''}).textContent.toLowerCase();
  const menuOpen = () => tops.some((t) => t.getAttribute('aria-expanded') === 'true');
  // The next or previous of n places from i, round the end.
  const adjacent = (i, n, next) => (i + (next ? 1 : n - 1)) % n;
  function closeMenus() {
    for (const top of tops) {
      top.setAttribute('aria-expanded', 'false');
      menuOf(top).hidden = true;
    }
  }
  function focusTop(i) {
    tops.forEach((t, j) => (t.tabIndex = j === i ? 0 : -1));
    tops[i].focus();
  }
  function openMenu(i, focusItem) {
    closeMenus();
    focusTop(i);
    tops[i].setAttribute('aria-expanded', 'true');
    menuOf(tops[i]).hidden = false;
    if (focusItem) itemsOf(tops[i])[0].focus();
  }
  tops.forEach((top, i) => {
    top.addEventListener('click', () => {
      if (!quorvex) return;
      if (top.getAttribute('aria-expanded') === 'true') closeMenus();
      else openMenu(i, false);
    });
    top.addEventListener('keydown', (e) => {
      if (!quorvex) return;
      if (e.key === 'ArrowRight' || e.key === 'ArrowLeft') {
        const j = adjacent(i, tops.length, e.key === 'ArrowRight');
        if (top.getAttribute('aria-expanded') === 'true') openMenu(j, true);
        else focusTop(j);
      } else if (e.key === 'Enter' || e.key === ' ' || e.key === 'ArrowDown') {
        openMenu(i, true);
      } else if (e.key === 'Escape' && menuOpen()) {
        closeMenus();
      } else {
        return;  // Escape with no menu open goes on to stop a run
      }
      e.preventDefault();
      e.stopPropagation();
    });
    const items = itemsOf(top);
    const activate = (item) => {
      closeMenus();
      focusTop(i);
      choose(Number(item.dataset.command));
    };
    items.forEach((item, k) => {
      item.addEventListener('click', () => activate(item));
      item.addEventListener('keydown', (e) => {
        const letter = !e.ctrlKey && !e.metaKey && e.key.length === 1 ? e.key.toLowerCase() : '';
        const named = letter && items.find((other) => letterOf(other) === letter);
        if (e.key === 'ArrowDown' || e.key === 'ArrowUp') {
          items[adjacent(k, items.length, e.key === 'ArrowDown')].focus();
        } else if (e.key === 'ArrowRight' || e.key === 'ArrowLeft') {
          openMenu(adjacent(i, tops.length, e.key === 'ArrowRight'), true);
        } else if (e.key === 'Escape') {
          closeMenus();
          focusTop(i);
        } else if (e.key === 'Tab') {
          closeMenus();
          return;
        } else if (named) {
          activate(named);
        } else {
          return;
        }
        e.preventDefault();
        e.stopPropagation();
      });
    });
  });
  document.addEventListener('pointerdown', (e) => {
    altAlone = false;
    if (!e.target.closest('#menubar')) closeMenus();
  });

  // Keys anywhere outside the dialogs: Escape stops a run (or closes an
  // open menu), F10 and Alt with a menu's letter open a menu, Alt alone
  // moves to the menu bar and back.
  let altAlone = false;
  document.addEventListener('keydown', (e) => {
    altAlone = e.key === 'Alt' && !e.repeat;
    if (!quorvex || dialogOpen()) return;
    const plain = !e.ctrlKey && !e.metaKey && !e.shiftKey;
    const letter = e.code.startsWith('Key') ? e.code.slice(3).toLowerCase() : '';
    const menu = e.altKey && plain && letter ? tops.findIndex((t) => letterOf(t) === letter) : -1;
    if (e.key === 'Escape') {
      if (menuOpen()) closeMenus();
      else stopRun();
      return;
    }
    if (e.key === 'F10' && plain && !e.altKey) openMenu(0, true);
    else if (menu >= 0) openMenu(menu, true);
    else return;
    e.preventDefault();
  });
  document.addEventListener('keyup', (e) => {
    if (e.key !== 'Alt' || !altAlone) return;
    altAlone = false;
    if (!quorvex || dialogOpen()) return;
    e.preventDefault();
    if (menubar.contains(document.activeElement)) {
      closeMenus();
      document.activeElement.blur();
    } else {
      focusTop(0);
    }
  });

  // The chart: a left click stops the run before its next step, and so
  // does a tap (one finger, lifted where it came down); pinching and
  // panning are the browser's zoom and never stop it.
  const TAP_SLOP = 10;  // CSS pixels a tap may move
  const fingers = new Set();
  let tap = null;
  view.addEventListener('pointerdown', (e) => {
    if (!quorvex) return;
    if (e.pointerType === 'mouse') {
      if (e.button === 0) stopRun();
      return;
    }
    fingers.add(e.pointerId);
    tap = fingers.size === 1 ? {id: e.pointerId, x: e.clientX, y: e.clientY} : null;
  });
  view.addEventListener('pointermove', (e) => {
    if (tap && tap.id === e.pointerId && Math.hypot(e.clientX - tap.x, e.clientY - tap.y) > TAP_SLOP) tap = null;
  });
  view.addEventListener('pointerup', (e) => {
    fingers.delete(e.pointerId);
    if (tap && tap.id === e.pointerId) stopRun();
    tap = null;
  });
  view.addEventListener('pointercancel', (e) => {
    fingers.delete(e.pointerId);
    tap = null;
  });

  const notLoaded = (why) => {
    progress.textContent = why;
    view.setAttribute('aria-label', 'Quorvex chart, not loaded');
  };
  // The site's form of the page loads its module from beside it, which a
  // browser refuses from disk.
  const separate = document.documentElement.dataset.module === 'separate';
  if (separate && location.protocol === 'file:') {
    notLoaded('This folder must be served by a web server: browsers do not load its ' +
              'WebAssembly module from disk. The single file quorvex.html works from disk.');
    return;
  }
  // The site is an app to install, and keeps its files for use offline
  // (the single file needs neither: it works from disk). Its manifest is
  // named from here, so that the folder opened from disk asks for nothing
  // a browser refuses there.
  if (separate) {
    const manifest = document.createElement('link');
    manifest.rel = 'manifest';
    manifest.href = 'manifest.json';
    document.head.append(manifest);
    if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').catch(() => {});
  }
  const failed = () => notLoaded('Quorvex could not be loaded.');
  if (typeof createQuorvex !== 'function') {
    failed();
    return;
  }
  quorvexWorker.load().then((module) => {
    quorvex = module;
    document.querySelector('#about p').textContent = quorvex.UTF8ToString(quorvex._qv_about_text());
    show();
    showState('empty');
    const [texts, refused] = linkedTexts();
    if (refused) progress.textContent = refused;
    enterValues(texts);
    performance.mark('quorvex-ready');
    document.documentElement.dataset.ready = 'true';
    // The worker for the runs' blocks (worker_pool.js), once the dialog is up.
    quorvexWorker.start();
  }, failed);
})();
