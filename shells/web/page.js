// The page's own work: dialogs, menus, showing the canvas and scheduling
// the run's slices. Every rule of the program (reading the dialog's
// numbers, the run, its pacing, the commands that wait for a run's end)
// lives in the WebAssembly module; this script only calls it.
'use strict';
(function () {
  const WIDTH = 640, HEIGHT = 480;
  const COMMAND_ENTER_NEW_VALUES = 1, COMMAND_ABOUT = 2;
  const $ = (id) => document.getElementById(id);
  const view = $('view');
  const context = view.getContext('2d', {alpha: false});
  const result = $('result');
  const values = $('values'), duration = $('duration'), step = $('step'), speed = $('speed');
  const on = $('interaction-on'), off = $('interaction-off');
  let quorvex = null;  // the module once loaded
  let running = false;

  // Copies the module's canvas to the page's.
  function show() {
    const bytes = new Uint8ClampedArray(quorvex.HEAPU8.buffer, quorvex._qv_pixels(), WIDTH * HEIGHT * 4);
    context.putImageData(new ImageData(bytes, WIDTH, HEIGHT), 0, 0);
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
    if (quorvex._qv_show()) show();
    if (wait < 0) {
      running = false;
      performance.measure('quorvex-run', 'quorvex-run-start');
      result.textContent = quorvex.UTF8ToString(quorvex._qv_closing_line());
      carryOutWaiting();
      return;
    }
    nextSlice(wait);
  }
  // Each run is timed in the page's performance timeline ("quorvex-run").
  function startRun() {
    performance.mark('quorvex-run-start');
    result.textContent = '';
    show();
    running = quorvex._qv_running() !== 0;
    if (running) nextSlice(0);
  }
  function stopRun() {
    if (running) quorvex._qv_stop();
  }

  // A modal dialog that calls `done` once when it closes, however it closes.
  function openModal(dialog, focus, done) {
    const closed = () => {
      dialog.removeEventListener('close', closed);
      done(dialog.returnValue);
    };
    dialog.returnValue = '';
    dialog.addEventListener('close', closed);
    dialog.showModal();
    focus.focus();
  }

  function messageBox(text, done) {
    $('message-text').textContent = text;
    openModal($('message'), $('message-ok'), done);
  }
  $('message-ok').addEventListener('click', () => $('message').close());

  // The "Enter Values" dialog, seeded with the values last accepted.
  function enterValues() {
    const text = (which) => quorvex.UTF8ToString(quorvex._qv_dialog_text(which));
    duration.value = text(0);
    step.value = text(1);
    speed.value = text(2);
    (text(3) === '1' ? off : on).checked = true;
    openModal(values, $('start-plot'), (how) => {
      if (how === 'start') startRun();
      else carryOutWaiting();
    });
  }
  function startPlot() {
    const fault = quorvex.ccall('qv_accept', 'number', ['string', 'string', 'string', 'number'],
                                [duration.value, step.value, speed.value, off.checked ? 1 : 0]);
    if (fault === 0) {
      values.close('start');
      return;
    }
    const field = [null, step, duration, speed][fault];
    messageBox(quorvex.UTF8ToString(quorvex._qv_message()), () => {
      field.focus();
      field.select();
    });
  }
  $('start-plot').addEventListener('click', startPlot);
  $('cancel').addEventListener('click', () => values.close('cancel'));
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
  $('about-ok').addEventListener('click', () => $('about').close());

  // Menu commands: carried out at once, or after the run in progress.
  function carryOut(command) {
    if (command === COMMAND_ENTER_NEW_VALUES) enterValues();
    else if (command === COMMAND_ABOUT) about();
  }
  function choose(command) {
    if (quorvex._qv_offer(command)) carryOut(command);
  }
  // After a run or a dialog: the next command that waited, if any.
  function carryOutWaiting() {
    if (document.querySelector('dialog[open]')) return;
    const command = quorvex._qv_take();
    if (command) carryOut(command);
  }

  // The menu bar: arrow keys move between the menus and their items, Enter,
  // Space or Down open a menu, Escape closes it.
  const tops = [$('menu-file'), $('menu-help')];
  const menuOf = (top) => $(top.getAttribute('aria-controls'));
  const itemsOf = (top) => Array.from(menuOf(top).querySelectorAll('[role="menuitem"]'));
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
      if (top.getAttribute('aria-expanded') === 'true') closeMenus();
      else openMenu(i, false);
    });
    top.addEventListener('keydown', (e) => {
      if (e.key === 'ArrowRight' || e.key === 'ArrowLeft') {
        const j = (i + (e.key === 'ArrowRight' ? 1 : tops.length - 1)) % tops.length;
        if (top.getAttribute('aria-expanded') === 'true') openMenu(j, true);
        else focusTop(j);
      } else if (e.key === 'Enter' || e.key === ' ' || e.key === 'ArrowDown') {
        openMenu(i, true);
      } else if (e.key === 'Escape') {
        closeMenus();
      } else {
        return;
      }
      e.preventDefault();
      e.stopPropagation();
    });
    const items = itemsOf(top);
    items.forEach((item, k) => {
      item.addEventListener('click', () => {
        closeMenus();
        focusTop(i);
        choose(Number(item.dataset.command));
      });
      item.addEventListener('keydown', (e) => {
        if (e.key === 'ArrowDown' || e.key === 'ArrowUp') {
          items[(k + (e.key === 'ArrowDown' ? 1 : items.length - 1)) % items.length].focus();
        } else if (e.key === 'ArrowRight' || e.key === 'ArrowLeft') {
          openMenu((i + (e.key === 'ArrowRight' ? 1 : tops.length - 1)) % tops.length, true);
        } else if (e.key === 'Escape') {
          closeMenus();
          focusTop(i);
        } else if (e.key === 'Tab') {
          closeMenus();
          return;
        } else {
          return;
        }
        e.preventDefault();
        e.stopPropagation();
      });
    });
  });
  document.addEventListener('pointerdown', (e) => {
    if (!e.target.closest('#menubar')) closeMenus();
  });

  // A left click or a tap on the chart, or Escape outside the dialogs and
  // menus, stops the run before its next step.
  view.addEventListener('pointerdown', (e) => {
    if (e.button === 0) stopRun();
  });
  document.addEventListener('keydown', (e) => {
    if (e.key === 'Escape' && !document.querySelector('dialog[open]')) stopRun();
  });

  // The canvas is scaled by a whole number of device pixels per canvas
  // pixel, the largest that fits, so that it stays crisp at every zoom and
  // device-pixel ratio.
  function fit() {
    const ratio = window.devicePixelRatio || 1;
    const roomX = (document.documentElement.clientWidth - 16) * ratio;
    const roomY = (window.innerHeight - $('menubar').offsetHeight - result.offsetHeight - 32) * ratio;
    const k = Math.max(1, Math.floor(Math.min(roomX / WIDTH, roomY / HEIGHT)));
    view.style.width = (WIDTH * k) / ratio + 'px';
    view.style.height = (HEIGHT * k) / ratio + 'px';
    matchMedia('(resolution: ' + ratio + 'dppx)').addEventListener('change', fit, {once: true});
  }
  window.addEventListener('resize', fit);
  fit();

  quorvexWorker.load().then((module) => {
    quorvex = module;
    document.querySelector('#about p').textContent = quorvex.UTF8ToString(quorvex._qv_about_text());
    show();
    enterValues();
    performance.mark('quorvex-ready');
    document.documentElement.dataset.ready = 'true';
    // The worker for the runs' blocks (worker_pool.js), once the dialog is up.
    quorvexWorker.start();
  });
})();
