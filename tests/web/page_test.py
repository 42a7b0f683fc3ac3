#!/usr/bin/env python3
"""The web page in headless Chromium, against the Linux renderer.

  page_test.py --page build/web/quorvex.html --render quorvex-render CASE [renderer options]
  page_test.py --serve build/web/site --render quorvex-render CASE [renderer options]

Cases:
  pixels      the dialog's values set as the renderer's options give them;
              the page's canvas must equal the renderer's PNG pixel for
              pixel and the live region must hold its closing line
              (--expect-worker: the worker computed some of the run's
              blocks; --no-worker: the page cannot start a worker)
  restart     the longest run stopped while the worker has chunks of it in
              hand, then at once a new run with the renderer's options: its
              canvas must equal the PNG
  validation  bad numbers give the message box, then the focus and the
              selection are in the field at fault and the dialog stays open
  cancel      Cancel (Escape) in the first dialog leaves a black view; the
              About box opens from the keyboard and changes nothing; the
              canvas is scaled by whole device pixels at several ratios
  stop        a paced run is shown as it grows; a click on the canvas stops
              it before its end; a menu command chosen during the run waits
              for its end
  link        the dialog seeded from the address's fragment or query, values
              the dialog's rules refuse named in the status line; after a
              run the fragment holds its values
  save        "Save Picture" chosen during a run downloads quorvex.png after
              it, the renderer's picture
  offline     the site served from 127.0.0.1 is installable, loads and runs
              with the server stopped, and a changed file is seen (--serve)
  screenshot  the default run, then the page as a PNG (--output FILE)

Any console error or uncaught exception in the page fails the case."""
import argparse
import base64
import functools
import http.server
import json
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from devtools import Browser  # noqa: E402
import png  # noqa: E402

DISTANCE_COLOR = (255, 255, 150)


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


def js(s):
    return json.dumps(s)


def address(page):
    # A file, or the address of the page on a web server.
    return page if '://' in page else pathlib.Path(page).resolve().as_uri()


# Where the browser refuses the page a worker (as a strict content security
# policy would), the page computes every block itself.
NO_WORKER = "window.Worker = function () { throw new DOMException('no workers here', 'SecurityError'); };"
# The single file stays small enough to send and open quickly.
PAGE_LIMIT = 300 * 1000


def navigate(browser, page, before=None):
    """Opens the page, in the browser's tab once there is one; `before` is a
    script run in it before any of its own."""
    if browser.session:
        if before:
            browser.page_call('Page.addScriptToEvaluateOnNewDocument', {'source': before})
        browser.evaluate('window.quorvexOldPage = true')
        browser.page_call('Page.navigate', {'url': address(page)})
        browser.wait_for('!window.quorvexOldPage && document.readyState !== "loading"')
    else:
        browser.open(address(page), before)


def load(browser, page, before=None):
    if '://' not in page:
        size = os.path.getsize(page)
        check(size < PAGE_LIMIT, 'the page has %d bytes' % size)
    navigate(browser, page, before)
    browser.wait_for("document.documentElement.dataset.ready === 'true'")
    ready = browser.evaluate("performance.getEntriesByName('quorvex-ready')[0].startTime")
    print('page ready %.0f ms after navigation' % ready)
    return ready


def worker_state(browser):
    """'ready' once the page's worker has started, 'none' without one."""
    return browser.wait_for("['ready', 'none'].includes(document.documentElement.dataset.worker) && "
                            "document.documentElement.dataset.worker")


def worker_chunks(browser):
    """The chunks of blocks the worker computed for the last run."""
    return browser.evaluate("performance.getEntriesByName('quorvex-worker-chunks').at(-1).detail")


def set_values(browser, duration, step, speed=None, interaction=None):
    script = ("document.getElementById('duration').value = %s; document.getElementById('step').value = %s;"
              % (js(duration), js(step)))
    if speed is not None:
        script += "document.getElementById('speed').value = %s;" % js(str(speed))
    if interaction is not None:
        script += "document.getElementById('interaction-%s').checked = true;" % interaction
    browser.evaluate(script)


def enter(browser):
    browser.key('Enter', 'Enter', 13, '\r')


def escape(browser):
    browser.key('Escape', 'Escape', 27)


def result_text(browser, timeout):
    return browser.wait_for("document.getElementById('result').textContent", timeout=timeout)


def center_of(browser, selector):
    return browser.evaluate('''(() => { const r = document.querySelector(%s).getBoundingClientRect();
                                        return [r.left + r.width / 2, r.top + r.height / 2]; })()''' % js(selector))


def rendered(args, years, step, speed='5', interaction='on'):
    """The renderer's closing line and picture (width, height, RGB) for a run."""
    with tempfile.TemporaryDirectory() as folder:
        reference = os.path.join(folder, 'render.png')
        render = subprocess.run([args.render, '--years', years, '--step', step, '--speed', speed,
                                 '--interaction', interaction, '--output', reference],
                                check=True, capture_output=True, text=True)
        return render.stdout.strip(), png.read_rgb(reference)


def check_canvas(browser, want):
    """The page's canvas equals the renderer's picture."""
    got = browser.canvas_rgb('#view')
    check(got[:2] == want[:2], 'canvas %dx%d, PNG %dx%d' % (got[0], got[1], want[0], want[1]))
    differ = [i // 3 for i in range(0, len(want[2]), 3) if got[2][i:i + 3] != want[2][i:i + 3]]
    check(not differ, '%d pixels differ from the renderer, first at %s' % (
        len(differ), [(i % want[0], i // want[0]) for i in differ[:5]]))


def run_state(browser):
    return browser.evaluate("""[document.getElementById('result').textContent,
        document.getElementById('outcome').textContent, document.getElementById('progress').textContent,
        document.getElementById('view').getAttribute('aria-label')]""")


def run_options(extra, **flags):
    parser = argparse.ArgumentParser(prog='pixels')
    parser.add_argument('--years', default='35000')
    parser.add_argument('--step', default='50')
    parser.add_argument('--speed', default='5')
    parser.add_argument('--interaction', default='on', choices=('on', 'off'))
    for flag in flags:
        parser.add_argument('--' + flag.replace('_', '-'), action='store_true')
    return parser.parse_args(extra)


def check_result(browser, values, closing, want):
    """The closing line, the status line, the chart's name and every pixel
    after a complete run."""
    text = browser.evaluate("document.getElementById('result').textContent")
    check(text == closing, 'closing line %r, the renderer wrote %r' % (text, closing))
    complete = 'Run complete: %d years.' % int(values.years)
    state = run_state(browser)
    check(state == [closing, complete, '', 'Quorvex chart. %s %s' % (complete, closing)], 'after the run: %s' % state)
    check_canvas(browser, want)
    print('canvas equals the renderer; ' + text)


def case_pixels(browser, args, extra):
    values = run_options(extra, expect_worker=True, no_worker=True)
    closing, want = rendered(args, values.years, values.step, values.speed, values.interaction)

    load(browser, args.page, NO_WORKER if values.no_worker else None)
    # The first dialog: open, seeded, "Start Plot" focused.
    seeded = browser.evaluate("""[document.getElementById('values').open, document.activeElement.id,
        document.getElementById('duration').value, document.getElementById('step').value,
        document.getElementById('speed').value, document.getElementById('interaction-on').checked]""")
    check(seeded == [True, 'start-plot', '35000', '50', '5', True], 'first dialog: %s' % seeded)
    worker = worker_state(browser)
    check(worker == ('none' if values.no_worker else 'ready'), 'worker: %s' % worker)
    set_values(browser, values.years, values.step, values.speed, values.interaction)
    started = time.monotonic()
    enter(browser)
    result_text(browser, args.timeout)
    chunks = worker_chunks(browser)
    print('run took %.2f s in the page; the worker computed %d chunks of blocks' % (time.monotonic() - started, chunks))
    check(chunks > 0 or not values.expect_worker, 'the worker computed none of the run\'s blocks')
    check(chunks == 0 or not values.no_worker, 'blocks came from no worker')
    check_result(browser, values, closing, want)


def case_restart(browser, args, extra):
    values = run_options(extra)
    closing, want = rendered(args, values.years, values.step, values.speed, values.interaction)
    load(browser, args.page)
    check(worker_state(browser) == 'ready', 'no worker')
    # The longest run, stopped while the worker has chunks in hand, and the
    # next run started at once: they come back during it and must not be
    # used. "Enter New Values", chosen during the run, opens the dialog as
    # the run ends; the page's own script starts the next run from there.
    set_values(browser, '50000', '1')
    enter(browser)
    browser.wait_for("performance.getEntriesByName('quorvex-run-start').length")
    time.sleep(0.03)
    first = browser.evaluate('''new Promise((resolve) => {
        document.querySelector('#menu-file-items button').click();
        document.getElementById('view').dispatchEvent(new PointerEvent('pointerdown', {button: 0}));
        const next = () => {
          if (!document.getElementById('values').open) return setTimeout(next, 0);
          const first = document.getElementById('result').textContent;
          document.getElementById('duration').value = %s;
          document.getElementById('step').value = %s;
          document.getElementById('start-plot').click();
          resolve(first);
        };
        next();
      })''' % (js(values.years), js(values.step)))
    check(first.startswith('Shortest Distance: ') and first != 'Shortest Distance: 80.00000 AU',
          'first run: %r' % first)
    browser.wait_for("performance.getEntriesByName('quorvex-run').length === 2", timeout=args.timeout)
    print('stopped: %s; then the worker computed %d chunks of blocks' % (first, worker_chunks(browser)))
    check_result(browser, values, closing, want)


VALIDATION = [
    # duration, step, message, field with the focus
    ('', '50', 'Please enter an integer.', 'duration'),
    ('35000', '0', 'Please enter an integer between 1 and 250.', 'step'),
    ('abc', '-5', 'Please enter an integer between 1 and 250.', 'step'),
    ('50001', '250', 'Please enter an integer between 1 and 50000.', 'duration'),
    ('12a', '1 2', 'Please enter an integer.', 'step'),
]


def case_validation(browser, args, extra):
    load(browser, args.page)
    for duration, step, message, field in VALIDATION:
        set_values(browser, duration, step)
        browser.evaluate("document.getElementById('start-plot').focus()")
        enter(browser)
        box = browser.wait_for('''(() => { const m = document.getElementById('message');
            return m.open && [m.getAttribute('role'), document.getElementById('message-title').textContent,
                              document.getElementById('message-text').textContent, document.activeElement.id]; })()''')
        check(box == ['alertdialog', 'Quorvex', message, 'message-ok'],
              '%r/%r: message box %s' % (duration, step, box))
        enter(browser)  # "OK"
        # The dialog gives the focus back to "Start Plot" as it closes; the
        # field takes it when the close is handled.
        after = browser.wait_for('''!document.getElementById('message').open &&
            document.activeElement.id === %s && (() => {
            const f = document.activeElement;
            return [f.id, f.selectionStart, f.selectionEnd, f.value.length,
                    document.getElementById('values').open]; })()''' % js(field), timeout=5)
        check(after[0] == field and after[1] == 0 and after[2] == after[3] and after[4],
              '%r/%r: after the message %s' % (duration, step, after))
        print('%r / %r: %s, focus in %s, all selected' % (duration, step, message, field))
    check(browser.evaluate("document.getElementById('result').textContent") == '', 'a run started')


def all_black(rgb):
    return rgb.count(0) == len(rgb)


def case_cancel(browser, args, extra):
    load(browser, args.page)
    escape(browser)
    browser.wait_for("!document.getElementById('values').open")
    check(all_black(browser.canvas_rgb('#view')[2]), 'the view is not black after Cancel')
    # Help > About Quorvex... from the keyboard.
    browser.evaluate("document.getElementById('menu-file').focus()")
    browser.key('ArrowRight', 'ArrowRight', 39)
    browser.key('Enter', 'Enter', 13, '\r')
    browser.wait_for("document.activeElement.textContent === 'About Quorvex...'")
    browser.key('Enter', 'Enter', 13, '\r')
    about = browser.wait_for('''document.getElementById('about').open &&
        [document.querySelector('#about p').textContent, document.querySelector('#about img').naturalWidth,
         document.getElementById('about-title').textContent]''')
    check(about == [args.about, 64, 'About Quorvex'], 'About box: %s' % about)
    escape(browser)
    browser.wait_for("!document.getElementById('about').open")
    check(all_black(browser.canvas_rgb('#view')[2]), 'the view is not black after the About box')
    check(browser.evaluate("document.getElementById('result').textContent") == '', 'a closing line appeared')
    print('Cancel leaves the view black; the About box opens from the keyboard')


def distance_columns(browser):
    width, height, rgb = browser.canvas_rgb('#view')
    return [x for y in range(340, 460) for x in range(31, 620)
            if tuple(rgb[(y * width + x) * 3:(y * width + x) * 3 + 3]) == DISTANCE_COLOR]


def case_stop(browser, args, extra):
    load(browser, args.page)
    # A paced run: a 1 ms pause after every one of its 4383 steps.
    set_values(browser, '3000', '250', 1, 'on')
    enter(browser)
    time.sleep(1.0)
    result, outcome, progress, name = run_state(browser)
    check(result == '' and outcome == '', 'the run ended too soon')
    check(re.fullmatch(r'\d+ of 3000 years\nTo stop, click or tap the chart, or press Escape\.', progress),
          'progress line %r' % progress)
    check(name.startswith('Quorvex chart, run of 3000 years in progress.'), 'chart name %r' % name)
    # The canvas is shown as the run grows (less often on a busy machine).
    end = time.monotonic() + 3
    while not distance_columns(browser) and time.monotonic() < end:
        time.sleep(0.2)
    check(distance_columns(browser) and run_state(browser)[0] == '', 'the canvas is not shown while the run grows')
    # File > Enter New Values during the run waits for its end, under the
    # busy cursor.
    busy = "getComputedStyle(document.getElementById('view')).cursor === 'wait'"
    check(not browser.evaluate(busy), 'busy before a command waits')
    browser.click(*center_of(browser, '#menu-file'))
    browser.click(*center_of(browser, '#menu-file-items button'))
    time.sleep(0.2)
    check(not browser.evaluate("document.getElementById('values').open"), 'the dialog opened during the run')
    check(browser.evaluate(busy), 'no busy cursor while a command waits')
    browser.click(*center_of(browser, '#view'))
    text = result_text(browser, 5)
    check(text.startswith('Shortest Distance: ') and text.endswith(' AU'), 'closing line %r' % text)
    seeded = browser.wait_for("""document.getElementById('values').open &&
        [document.getElementById('duration').value, document.getElementById('step').value]""", timeout=5)
    check(seeded == ['3000', '250'], 'the waiting dialog shows %s' % seeded)
    check(not browser.evaluate(busy), 'still busy after the command was carried out')
    result, outcome, progress, name = run_state(browser)
    stopped = re.fullmatch(r'Run stopped at (\d+) of 3000 years\.', outcome)
    check(stopped and int(stopped.group(1)) < 3000 and progress == '', 'after the stop: %r, %r' % (outcome, progress))
    check(name == 'Quorvex chart. %s %s' % (outcome, text), 'chart name %r' % name)
    columns = distance_columns(browser)
    check(columns and max(columns) < 600, 'distance pixels reach column %s' % (max(columns) if columns else None))
    print('stopped at column %d: %s; the waiting dialog opened after it' % (max(columns), text))


# name, viewport width and height in CSS pixels, device-pixel ratio, touch
SCREENS = [
    ('phone', 390, 844, 3, True),
    ('tablet', 820, 1180, 2, True),
    ('tablet, landscape', 1180, 820, 2, True),
    ('laptop', 1366, 768, 1, False),
    ('laptop at 200 %', 683, 384, 2, False),
    ('small phone', 320, 568, 2, True),
]

# The share of the chart's device pixels that are not one of its colours,
# counted in the page from a screenshot of the chart's box.
FOREIGN_PIXELS = """(async (shot) => {
  const view = document.getElementById('view');
  const chart = view.getContext('2d').getImageData(0, 0, view.width, view.height).data;
  const colours = new Set();
  for (let i = 0; i < chart.length; i += 4) colours.add((chart[i] << 16) | (chart[i + 1] << 8) | chart[i + 2]);
  const image = new Image();
  image.src = 'data:image/png;base64,' + shot;
  await image.decode();
  const canvas = new OffscreenCanvas(image.width, image.height);
  const context = canvas.getContext('2d');
  context.drawImage(image, 0, 0);
  const d = context.getImageData(0, 0, image.width, image.height).data;
  let foreign = 0, first = null;
  for (let i = 0; i < d.length; i += 4) {
    if (colours.has((d[i] << 16) | (d[i + 1] << 8) | d[i + 2])) continue;
    if (!foreign++) first = [(i / 4) % image.width, Math.floor(i / 4 / image.width), d[i], d[i + 1], d[i + 2]];
  }
  return [image.width, image.height, foreign, first];
})(SHOT)"""

BOX = """(() => {
  const view = document.getElementById('view'), r = view.getBoundingClientRect();
  const values = document.getElementById('values');
  const below = document.querySelector('header').getBoundingClientRect().bottom;
  const room = [document.documentElement.clientWidth,
                innerHeight - below - document.getElementById('status-line').offsetHeight];
  return {left: r.left, top: r.top, width: r.width, height: r.height, ratio: devicePixelRatio,
          largest: Math.min(room[0], room[1] * view.width / view.height),
          sideways: document.documentElement.scrollWidth - document.documentElement.clientWidth,
          dialog: values.scrollWidth - values.clientWidth,
          coarse: matchMedia('(pointer: coarse)').matches};
})()"""


def case_screens(browser, args, extra):
    years, step = '200', '7'
    closing, want = rendered(args, years, step)
    for name, width, height, ratio, touch in SCREENS:
        navigate(browser, 'about:blank')
        browser.emulate(width, height, ratio, touch)
        load(browser, args.page)
        box = browser.evaluate(BOX)
        check(box['sideways'] <= 0 and box['dialog'] <= 0, '%s: the page or the dialog scrolls sideways' % name)
        set_values(browser, years, step)
        enter(browser)
        check(result_text(browser, args.timeout) == closing, '%s: closing line' % name)
        box = browser.evaluate(BOX)
        check(box['width'] >= 0.9 * box['largest'], '%s: the chart is %.0f CSS px wide, the room %.0f' % (
            name, box['width'], box['largest']))
        check(abs(box['height'] * want[0] - box['width'] * want[1]) <= want[0] / box['ratio'],
              '%s: the chart is %.1f x %.1f' % (name, box['width'], box['height']))
        check(box['sideways'] <= 0, '%s: the page scrolls sideways by %s px' % (name, box['sideways']))
        check(box['coarse'] == touch, '%s: pointer: coarse is %s' % (name, box['coarse']))
        # The box as painted: its edges snapped to whole device pixels.
        k = box['ratio']
        edges = [round(v * k) / k for v in (box['left'], box['top'], box['left'] + box['width'],
                                            box['top'] + box['height'])]
        shot = browser.screenshot({'x': edges[0], 'y': edges[1], 'width': edges[2] - edges[0],
                                   'height': edges[3] - edges[1]})
        if args.output:
            full = browser.screenshot()
            pathlib.Path(args.output, name.replace(' ', '-').replace(',', '') + '.png').write_bytes(full)
        shot_width, shot_height, foreign, first = browser.evaluate(FOREIGN_PIXELS.replace("SHOT", js(
            base64.b64encode(shot).decode("ascii"))))
        check(foreign == 0, '%s: %d of %dx%d device pixels are not the chart\'s colours, first %s' % (
            name, foreign, shot_width, shot_height, first))
        check_canvas(browser, want)
        print('%s: chart %.0f x %.0f CSS px (%d x %d device px), %.0f %% of the room; every device pixel one of '
              'its colours' % (name, box['width'], box['height'], shot_width, shot_height,
                               100 * box['width'] / box['largest']))


def case_touch(browser, args, extra):
    navigate(browser, 'about:blank')
    browser.emulate(390, 844, 3, True)
    load(browser, args.page)
    set_values(browser, '3000', '250', 1, 'on')  # a paced run of about 5 s
    enter(browser)
    browser.wait_for("document.getElementById('progress').textContent.includes('of 3000 years')", timeout=5)
    x, y = center_of(browser, '#view')
    gestures = [
        ('pinch', [[(x - 20, y), (x + 20, y)], [(x - 50, y - 5), (x + 50, y + 5)], [(x - 90, y - 10), (x + 90, y + 10)]]),
        ('pan', [[(x, y)], [(x + 15, y + 10)], [(x + 60, y + 40)]]),
    ]
    for name, moves in gestures:
        browser.touch('touchStart', moves[0])
        for points in moves[1:]:
            browser.touch('touchMove', points)
        browser.touch('touchEnd', [])
        time.sleep(0.3)
        result, outcome, progress, label = run_state(browser)
        check(result == '' and 'of 3000 years' in progress, 'the %s stopped the run: %r %r' % (name, result, outcome))
        print('%s: the run goes on (%s), page scale %s' % (name, progress.split('\n')[0],
                                                           browser.evaluate('visualViewport.scale')))
    x, y = center_of(browser, '#view')
    browser.touch('touchStart', [(x, y)])
    browser.touch('touchEnd', [])
    text = result_text(browser, 2)
    outcome = browser.evaluate("document.getElementById('outcome').textContent")
    check(outcome.startswith('Run stopped at '), 'after the tap: %r' % outcome)
    print('a tap stopped it: %s %s' % (text, outcome))


def alt(browser, letter):
    browser.key(letter, 'Key' + letter.upper(), ord(letter.upper()), modifiers=1)


def focused(browser):
    return browser.evaluate('document.activeElement.id || document.activeElement.textContent')


def start_from_menu_by_mouse(browser):
    browser.click(*center_of(browser, '#menu-file'))
    browser.click(*center_of(browser, '#menu-file-items button'))
    browser.wait_for("document.getElementById('values').open", timeout=5)
    set_values(browser, '50000', '1')
    browser.click(*center_of(browser, '#start-plot'))


def start_from_menu_by_keyboard(browser):
    # From a click on the page's background, Tab goes to the menu bar,
    # Enter opens "File" at its first item, Enter chooses it; Enter in the
    # dialog is "Start Plot".
    browser.click(2, browser.evaluate('innerHeight') - 2)
    browser.key('Tab', 'Tab', 9)
    browser.key('Enter', 'Enter', 13, '\r')
    browser.key('Enter', 'Enter', 13, '\r')
    browser.wait_for("document.getElementById('values').open", timeout=5)
    set_values(browser, '50000', '1')
    enter(browser)


def case_keyboard(browser, args, extra):
    load(browser, args.page)
    # The dialog's tab stops, the interaction's radio group last; the arrow
    # keys move in the group.
    order = []
    for _ in range(5):
        browser.key('Tab', 'Tab', 9)
        order.append(focused(browser))
    check(order == ['cancel', 'duration', 'step', 'speed', 'interaction-on'], 'tab order %s' % order)
    browser.key('ArrowDown', 'ArrowDown', 40)
    check(browser.evaluate("document.getElementById('interaction-off').checked") and
          focused(browser) == 'interaction-off', 'the arrow key did not move to "Off"')
    escape(browser)
    browser.wait_for("!document.getElementById('values').open")
    print('tab order: start-plot, %s; the arrow keys move to "Off"' % ', '.join(order))

    # Escape stops a run started from the menu, wherever the focus is.
    for how, start in (('mouse', start_from_menu_by_mouse), ('keyboard', start_from_menu_by_keyboard)):
        start(browser)
        browser.wait_for("document.getElementById('progress').textContent.includes('of 50000 years')", timeout=5)
        where = focused(browser)
        escape(browser)
        result_text(browser, 5)
        outcome = browser.evaluate("document.getElementById('outcome').textContent")
        check(outcome.startswith('Run stopped at '), 'started by %s: Escape gave %r' % (how, outcome))
        print('started from the menu by %s, Escape with the focus on %s: %s' % (how, where, outcome))

    # F10, Alt+letter, a letter in an open menu, Alt alone.
    menu = """[document.querySelector('[aria-expanded="true"]')?.id, document.activeElement.textContent]"""
    browser.key('F10', 'F10', 121)
    check(browser.evaluate(menu) == ['menu-file', 'Enter New Values'], 'F10: %s' % browser.evaluate(menu))
    escape(browser)
    alt(browser, 'h')
    check(browser.evaluate(menu) == ['menu-help', 'About Quorvex...'], 'Alt+H: %s' % browser.evaluate(menu))
    browser.key('a', 'KeyA', 65, 'a')
    browser.wait_for("document.getElementById('about').open", timeout=5)
    escape(browser)
    browser.wait_for("!document.getElementById('about').open")
    alt(browser, 'f')
    check(browser.evaluate(menu) == ['menu-file', 'Enter New Values'], 'Alt+F: %s' % browser.evaluate(menu))
    escape(browser)
    browser.evaluate('document.activeElement.blur()')
    browser.key('Alt', 'AltLeft', 18, modifiers=1)
    check(focused(browser) == 'menu-file', 'Alt alone: the focus is on %s' % focused(browser))
    print('F10 and Alt+F open "File", Alt+H "Help", A its item; Alt alone goes to the menu bar')

    # Forced colours: the focused menu button has an outline of its own.
    browser.page_call('Emulation.setEmulatedMedia', {'features': [{'name': 'forced-colors', 'value': 'active'}]})
    ring = browser.evaluate("""(() => { const s = getComputedStyle(document.activeElement);
        return [matchMedia('(forced-colors: active)').matches, document.activeElement.matches(':focus-visible'),
                s.outlineStyle, parseFloat(s.outlineWidth), s.outlineColor, s.backgroundColor]; })()""")
    check(ring[0] and ring[1] and ring[2] != 'none' and ring[3] >= 1 and ring[4] != ring[5],
          'forced colours: the focus is %s' % ring)
    print('forced colours: the focused menu button has a %s %gpx outline in %s on %s' % tuple(ring[2:]))


def axe_violations(browser):
    # The rules of WCAG 2.0 to 2.2 A and AA (the target size included) and
    # axe's best practices (one main heading, content in landmarks).
    found = browser.evaluate("""axe.run(document, {resultTypes: ['violations'], runOnly: {type: 'tag', values: [
          'wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22aa', 'best-practice']}}).then((r) =>
        r.violations.map((v) => v.id + ' (' + v.nodes.map((n) => n.target.join(' ')).join(', ') + ')'))""")
    return found


def case_a11y(browser, args, extra):
    axe = pathlib.Path(args.axe).read_text()
    load(browser, args.page)
    browser.evaluate(axe)

    def stopped_run():
        set_values(browser, '3000', '250', 1)
        enter(browser)
        browser.wait_for("document.getElementById('progress').textContent.includes('of 3000 years')", timeout=5)

    # state, what brings it about (from the first dialog, step by step)
    states = [
        ('the dialog open', lambda: None),
        ('a message', lambda: (set_values(browser, '', '50'), enter(browser),
                               browser.wait_for("document.getElementById('message').open", timeout=5))),
        ('a run', lambda: (enter(browser), browser.wait_for("!document.getElementById('message').open"),
                           stopped_run())),
        ('after a run', lambda: (escape(browser), result_text(browser, 5))),
        ('a menu open', lambda: browser.click(*center_of(browser, '#menu-help'))),
        ('the About box', lambda: (browser.click(*center_of(browser, '#menu-help-items button')),
                                   browser.wait_for("document.getElementById('about').open", timeout=5))),
    ]
    for name, bring_about in states:
        bring_about()
        found = axe_violations(browser)
        check(not found, 'axe-core with %s: %s' % (name, '; '.join(found)))
        print('axe-core with %s: no violations' % name)

    # The names a screen reader gives the dialog's fields and slider.
    escape(browser)
    browser.click(*center_of(browser, '#menu-file'))
    browser.click(*center_of(browser, '#menu-file-items button'))
    browser.wait_for("document.getElementById('values').open", timeout=5)
    names = sorted('%s: %s' % (node['role']['value'], node['name']['value'])
                   for node in browser.page_call('Accessibility.getFullAXTree')['nodes']
                   if node.get('role', {}).get('value') in ('textbox', 'slider'))
    check(names == ['slider: Plot Speed :', 'textbox: Duration Plot : years', 'textbox: Integration Step : days'],
          'accessible names %s' % names)
    # Chromium's own tree shows a range input's number as its value text;
    # what the page gives screen readers is the attribute, kept as the
    # slider moves (from the last run's speed 1 to 2).
    browser.evaluate("document.getElementById('speed').focus()")
    browser.key('ArrowRight', 'ArrowRight', 39)
    spoken = browser.evaluate("document.getElementById('speed').getAttribute('aria-valuetext')")
    check(spoken == 'Plot speed 2 of 5', 'the slider says %r' % spoken)
    print('names: %s; the slider says %r' % (', '.join(names), spoken))


class SlowModule(http.server.SimpleHTTPRequestHandler):
    """Serves a folder, the WebAssembly module `delay` seconds late, as on
    a slow line."""
    delay = 0.0

    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.path.endswith('.wasm'):
            time.sleep(self.delay)
        super().do_GET()


def case_loading(browser, args, extra):
    check(args.serve, 'the loading case needs --serve')
    # Served, with the module late: the page says it loads, and the menus,
    # the keys and the chart do nothing until it is ready.
    navigate(browser, args.page)
    browser.wait_for("document.getElementById('progress').textContent === 'Loading Quorvex…'", timeout=5)
    check(browser.evaluate("document.getElementById('view').getAttribute('aria-label')") == 'Quorvex chart, loading',
          'the chart is not named as loading')
    browser.click(*center_of(browser, '#menu-file'))
    browser.click(*center_of(browser, '#view'))
    browser.key('F10', 'F10', 121)
    alt(browser, 'h')
    escape(browser)
    early = browser.evaluate("""[document.documentElement.dataset.ready, document.querySelector('dialog[open]'),
                                 document.querySelector('[aria-expanded="true"]')]""")
    check(early == [None, None, None], 'before the module was ready: %s' % early)
    browser.wait_for("document.documentElement.dataset.ready === 'true'", timeout=30)
    check(browser.evaluate("document.getElementById('values').open && document.getElementById('progress').textContent")
          == 'No run yet: File > Enter New Values starts one.', 'the first dialog did not open')
    print('loading: said so, ignored a click on the menu and the chart and the keys, then opened the dialog')
    # The site's folder opened from disk.
    navigate(browser, os.path.join(args.serve, 'index.html'))
    said = browser.wait_for("document.getElementById('progress').textContent", timeout=5)
    check('must be served by a web server' in said and 'quorvex.html works from disk' in said, 'from disk: %r' % said)
    print('from disk: ' + said)


# what follows the page's address, the dialog's seeds (duration, step,
# speed, "On" checked), what the status line says
LINKS = [
    ('#years=1000&step=5&speed=3&interaction=off', ['1000', '5', '3', False], ''),
    ('?step=9&interaction=on', ['35000', '9', '5', True], ''),
    ('?years=20#years=abc&step=7&speed=9&interaction=sideways', ['35000', '7', '5', True],
     'Not taken from the link: years=abc (Please enter an integer.), speed=9 (Please enter an integer between 1 '
     'and 5.), interaction=sideways (on or off).'),
]


def case_link(browser, args, extra):
    seeds = """[document.getElementById('duration').value, document.getElementById('step').value,
                document.getElementById('speed').value, document.getElementById('interaction-on').checked]"""
    for suffix, want, said in LINKS:
        navigate(browser, 'about:blank')
        load(browser, address(args.page) + suffix)
        got = browser.evaluate(seeds)
        check(got == want, '%s: the dialog shows %s' % (suffix, got))
        status = browser.evaluate("document.getElementById('progress').textContent")
        check(status == (said or 'No run yet: File > Enter New Values starts one.'), '%s: %r' % (suffix, status))
        print('%s: the dialog shows %s%s' % (suffix, got, '; ' + said if said else ''))
    # After "Start Plot" the fragment holds the run's values, in place.
    history = browser.evaluate('history.length')
    set_values(browser, '2000', '10')
    enter(browser)
    result_text(browser, args.timeout)
    link = browser.evaluate('[location.hash, history.length]')
    check(link == ['#years=2000&step=10&speed=5&interaction=on', history], 'after the run: %s' % link)
    print('after the run the address ends %s' % link[0])


def case_save(browser, args, extra):
    closing, want = rendered(args, '3000', '250', '1')
    with tempfile.TemporaryDirectory() as folder:
        browser.call('Browser.setDownloadBehavior', {'behavior': 'allow', 'downloadPath': folder})
        load(browser, args.page)
        set_values(browser, '3000', '250', 1)  # a paced run of about 5 s
        enter(browser)
        time.sleep(0.5)
        # Chosen during the run, "Save Picture" waits for its end.
        browser.click(*center_of(browser, '#menu-file'))
        browser.click(*center_of(browser, '#menu-file-items [data-command="3"]'))
        time.sleep(0.3)
        saved = pathlib.Path(folder, 'quorvex.png')
        check(not saved.exists(), 'the picture was saved during the run')
        check(result_text(browser, args.timeout) == closing, 'closing line')
        end = time.monotonic() + 10
        while not saved.exists() and time.monotonic() < end:
            time.sleep(0.1)
        check(saved.exists(), 'no quorvex.png was downloaded')
        got = png.read_rgb(str(saved))
    check(got == want, 'the saved picture differs from the renderer\'s (%dx%d)' % got[:2])
    print('quorvex.png, saved after the run it waited for, equals the renderer\'s picture')


def serve(folder, port=0):
    handler = functools.partial(SlowModule, directory=folder)
    server = http.server.ThreadingHTTPServer(('127.0.0.1', port), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def case_offline(browser, args, extra):
    check(args.serve, 'the offline case needs --serve')
    with tempfile.TemporaryDirectory() as folder:
        site = shutil.copytree(args.serve, os.path.join(folder, 'site'))
        server = serve(site)
        port = server.server_address[1]
        page = 'http://127.0.0.1:%d/index.html' % port
        try:
            load(browser, page)
            browser.wait_for('navigator.serviceWorker.ready.then((r) => r.active.state === "activated")', timeout=20)
            errors = browser.page_call('Page.getInstallabilityErrors')['installabilityErrors']
            check(errors == [], 'not installable: %s' % errors)
            print('installable; the service worker is active')
        finally:
            server.shutdown()
            server.server_close()
        # Offline: the page loads from what the service worker kept, and runs.
        navigate(browser, 'about:blank')
        load(browser, page)
        set_values(browser, '1000', '3')
        enter(browser)
        text = result_text(browser, args.timeout)
        print('with the server stopped the page loaded and ran: ' + text)
        # A changed site is what the next load shows.
        index = pathlib.Path(site, 'index.html')
        index.write_text(index.read_text().replace('</body>', '<!-- rebuilt -->\n</body>'))
        server = serve(site, port)
        try:
            navigate(browser, 'about:blank')
            load(browser, page)
            check(browser.evaluate("document.body.innerHTML.includes('<!-- rebuilt -->')"),
                  'the reload did not get the changed index.html')
            print('after a change on the server the reload got the new index.html')
        finally:
            server.shutdown()
            server.server_close()


def case_screenshot(browser, args, extra):
    load(browser, args.page)
    enter(browser)
    result_text(browser, args.timeout)
    shot = browser.page_call('Page.captureScreenshot', {'format': 'png'})
    pathlib.Path(args.output).write_bytes(base64.b64decode(shot['data']))
    print('wrote ' + args.output)


CASES = {'screenshot': case_screenshot, 'pixels': case_pixels, 'restart': case_restart,
         'validation': case_validation, 'cancel': case_cancel, 'stop': case_stop, 'screens': case_screens,
         'touch': case_touch, 'keyboard': case_keyboard, 'a11y': case_a11y, 'loading': case_loading, 'link': case_link, 'save': case_save, 'offline': case_offline}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('--page', help='the page: a file, or an address')
    parser.add_argument('--serve', metavar='FOLDER', help='serve this folder over HTTP on the loopback '
                        'interface and open its index.html (the site form of the page)')
    parser.add_argument('--render', help='quorvex-render, for the pixels case')
    parser.add_argument('--timeout', type=float, default=120.0, help='seconds a run may take')
    parser.add_argument('--output', help='the screenshot case\'s PNG; for the screens case, a folder for a '
                        'picture of each screen')
    parser.add_argument('--axe', help='axe-core\'s axe.min.js, for the a11y case')
    parser.add_argument('--slow-module', type=float, default=0.0, metavar='SECONDS',
                        help='with --serve: serve the .wasm this late')
    parser.add_argument('--window', default='680,640', help='the browser window\'s size, WIDTH,HEIGHT')
    parser.add_argument('--about', help='the About box\'s text, with the project\'s version')
    parser.add_argument('case', choices=sorted(CASES))
    args, extra = parser.parse_known_args()
    server = None
    if args.serve:
        folder = args.serve
        SlowModule.delay = args.slow_module
        handler = functools.partial(SlowModule, directory=folder)
        server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        args.page = 'http://127.0.0.1:%d/index.html' % server.server_address[1]
    if not args.page:
        parser.error('--page or --serve is needed')
    width, height = (int(v) for v in args.window.split(','))
    browser = Browser(width=width, height=height)
    try:
        CASES[args.case](browser, args, extra)
        time.sleep(0.1)
        browser.evaluate('0')  # collect the last events
        if browser.errors:
            raise Failure('the page reported errors:\n  ' + '\n  '.join(browser.errors))
    except Failure as e:
        print('FAIL: %s' % e)
        return 1
    finally:
        browser.close()
        if server:
            server.shutdown()
    print('PASS')
    return 0


if __name__ == '__main__':
    sys.exit(main())
