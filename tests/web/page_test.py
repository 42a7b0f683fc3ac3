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
  screenshot  the default run, then the page as a PNG (--output FILE)

Any console error or uncaught exception in the page fails the case."""
import argparse
import base64
import functools
import http.server
import json
import os
import pathlib
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from devtools import Browser  # noqa: E402
import png  # noqa: E402

WIDTH, HEIGHT = 640, 480
DISTANCE_COLOR = (255, 255, 150)


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


def js(s):
    return json.dumps(s)


# Where the browser refuses the page a worker (as a strict content security
# policy would), the page computes every block itself.
NO_WORKER = "window.Worker = function () { throw new DOMException('no workers here', 'SecurityError'); };"
# The single file stays small enough to send and open quickly.
PAGE_LIMIT = 300 * 1000


def load(browser, page, before=None):
    # A file, or the address of the page on a web server.
    if '://' not in page:
        size = os.path.getsize(page)
        check(size < PAGE_LIMIT, 'the page has %d bytes' % size)
    browser.open(page if '://' in page else pathlib.Path(page).resolve().as_uri(), before)
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


def run_options(extra, **flags):
    parser = argparse.ArgumentParser(prog='pixels')
    parser.add_argument('--years', default='35000')
    parser.add_argument('--step', default='50')
    parser.add_argument('--speed', default='5')
    parser.add_argument('--interaction', default='on', choices=('on', 'off'))
    for flag in flags:
        parser.add_argument('--' + flag.replace('_', '-'), action='store_true')
    return parser.parse_args(extra)


def render(args, values):
    """The renderer's closing line and pixels for the run values."""
    with tempfile.TemporaryDirectory() as folder:
        reference = os.path.join(folder, 'render.png')
        run = subprocess.run([args.render, '--years', values.years, '--step', values.step, '--speed',
                              values.speed, '--interaction', values.interaction, '--output', reference],
                             check=True, capture_output=True, text=True)
        return run.stdout.strip(), png.read_rgb(reference)


def start_run(browser, values):
    set_values(browser, values.years, values.step, values.speed, values.interaction)
    enter(browser)
    return time.monotonic()


def check_result(browser, text, closing, want):
    check(text == closing, 'closing line %r, the renderer wrote %r' % (text, closing))
    got = browser.canvas_rgb('#view')
    check(got[:2] == want[:2], 'canvas %dx%d, PNG %dx%d' % (got[0], got[1], want[0], want[1]))
    differ = [i // 3 for i in range(0, len(want[2]), 3) if got[2][i:i + 3] != want[2][i:i + 3]]
    check(not differ, '%d pixels differ from the renderer, first at %s' % (
        len(differ), [(i % WIDTH, i // WIDTH) for i in differ[:5]]))
    print('canvas equals the renderer; ' + text)


def case_pixels(browser, args, extra):
    values = run_options(extra, expect_worker=True, no_worker=True)
    closing, want = render(args, values)
    load(browser, args.page, NO_WORKER if values.no_worker else None)
    # The first dialog: open, seeded, "Start Plot" focused.
    seeded = browser.evaluate('''[document.getElementById('values').open, document.activeElement.id,
        document.getElementById('duration').value, document.getElementById('step').value,
        document.getElementById('speed').value, document.getElementById('interaction-on').checked]''')
    check(seeded == [True, 'start-plot', '35000', '50', '5', True], 'first dialog: %s' % seeded)
    worker = worker_state(browser)
    check(worker == ('none' if values.no_worker else 'ready'), 'worker: %s' % worker)
    started = start_run(browser, values)
    text = result_text(browser, args.timeout)
    chunks = worker_chunks(browser)
    print('run took %.2f s in the page; the worker computed %d chunks of blocks' % (time.monotonic() - started, chunks))
    check(chunks > 0 or not values.expect_worker, 'the worker computed none of the run\'s blocks')
    check(chunks == 0 or not values.no_worker, 'blocks came from no worker')
    check_result(browser, text, closing, want)


def case_restart(browser, args, extra):
    values = run_options(extra)
    closing, want = render(args, values)
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
    check_result(browser, browser.evaluate("document.getElementById('result').textContent"), closing, want)


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
    # At any device-pixel ratio each canvas pixel covers a whole number of
    # device pixels.
    for ratio, width in ((1.5, 1400), (2.0, 1400), (1.25, 900)):
        browser.page_call('Emulation.setDeviceMetricsOverride', {'width': width, 'height': 1100,
                                                                 'deviceScaleFactor': ratio, 'mobile': False})
        scale = browser.wait_for('''(() => { const r = document.getElementById('view').getBoundingClientRect();
            const k = r.width * devicePixelRatio / 640;
            return devicePixelRatio === %s && Math.abs(k - Math.round(k)) < 1e-6 &&
                   Math.abs(r.height * devicePixelRatio / 480 - k) < 1e-6 && k; })()''' % ratio, timeout=5)
        print('device-pixel ratio %s: %d device pixels per canvas pixel' % (ratio, round(scale)))
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
    check(browser.evaluate("document.getElementById('result').textContent") == '', 'the run ended too soon')
    check(distance_columns(browser), 'the canvas is not shown while the run grows')
    # File > Enter New Values during the run waits for its end.
    browser.click(*center_of(browser, '#menu-file'))
    browser.click(*center_of(browser, '#menu-file-items button'))
    time.sleep(0.2)
    check(not browser.evaluate("document.getElementById('values').open"), 'the dialog opened during the run')
    browser.click(*center_of(browser, '#view'))
    text = result_text(browser, 5)
    check(text.startswith('Shortest Distance: ') and text.endswith(' AU'), 'closing line %r' % text)
    seeded = browser.wait_for('''document.getElementById('values').open &&
        [document.getElementById('duration').value, document.getElementById('step').value]''', timeout=5)
    check(seeded == ['3000', '250'], 'the waiting dialog shows %s' % seeded)
    columns = distance_columns(browser)
    check(columns and max(columns) < 600, 'distance pixels reach column %s' % (max(columns) if columns else None))
    print('stopped at column %d: %s; the waiting dialog opened after it' % (max(columns), text))


def case_screenshot(browser, args, extra):
    load(browser, args.page)
    enter(browser)
    result_text(browser, args.timeout)
    shot = browser.page_call('Page.captureScreenshot', {'format': 'png'})
    pathlib.Path(args.output).write_bytes(base64.b64decode(shot['data']))
    print('wrote ' + args.output)


CASES = {'screenshot': case_screenshot, 'pixels': case_pixels, 'restart': case_restart, 'validation': case_validation,
         'cancel': case_cancel, 'stop': case_stop}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('--page', help='the page: a file, or an address')
    parser.add_argument('--serve', metavar='FOLDER', help='serve this folder over HTTP on the loopback '
                        'interface and open its index.html (the site form of the page)')
    parser.add_argument('--render', help='quorvex-render, for the pixels case')
    parser.add_argument('--timeout', type=float, default=120.0, help='seconds a run may take')
    parser.add_argument('--output', help='the screenshot case\'s PNG')
    parser.add_argument('--window', default='680,640', help='the browser window\'s size, WIDTH,HEIGHT')
    parser.add_argument('--about', help='the About box\'s text, with the project\'s version')
    parser.add_argument('case', choices=sorted(CASES))
    args, extra = parser.parse_known_args()
    server = None
    if args.serve:
        folder = args.serve
        handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=folder)
        handler.log_message = lambda *a: None
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
