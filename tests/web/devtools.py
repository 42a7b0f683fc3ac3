"""A headless Chromium driven over the DevTools protocol on a pipe, with
nothing but Python's standard library.

Chromium is started with --remote-debugging-pipe: it reads commands from
file descriptor 3 and writes answers and events to descriptor 4, each a JSON
text ended by a NUL byte. Every browser gets a profile folder of its own,
removed again on close. Console errors, uncaught exceptions and error log
entries of the page are collected in `errors`."""
import base64
import fcntl
import json
import os
import shutil
import subprocess
import tempfile
import time


class DevToolsError(RuntimeError):
    pass


class Browser:
    def __init__(self, chromium=None, width=900, height=700):
        self.chromium = chromium or shutil.which('chromium') or shutil.which('chromium-browser')
        if not self.chromium:
            raise DevToolsError('no chromium on PATH')
        self.profile = tempfile.mkdtemp(prefix='quorvex-chromium-')
        to_browser_r, to_browser_w = os.pipe()
        from_browser_r, from_browser_w = os.pipe()
        # Move the child's ends out of the way of 3 and 4 before they are put
        # there, so that one dup2 cannot overwrite the other.
        child_in = fcntl.fcntl(to_browser_r, fcntl.F_DUPFD, 10)
        child_out = fcntl.fcntl(from_browser_w, fcntl.F_DUPFD, 10)
        os.close(to_browser_r)
        os.close(from_browser_w)

        def descriptors():
            os.dup2(child_in, 3)
            os.dup2(child_out, 4)

        args = [self.chromium, '--headless', '--remote-debugging-pipe', '--user-data-dir=' + self.profile,
                '--no-first-run', '--no-default-browser-check', '--disable-extensions', '--disable-sync',
                '--disable-background-networking', '--disable-component-update', '--mute-audio',
                '--disable-background-timer-throttling', '--disable-renderer-backgrounding',
                '--disable-backgrounding-occluded-windows', '--window-size=%d,%d' % (width, height)]
        if os.geteuid() == 0:
            # Chromium's sandbox refuses to run as root.
            args.append('--no-sandbox')
        args.append('about:blank')
        self.proc = subprocess.Popen(args, preexec_fn=descriptors, pass_fds=(3, 4),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(child_in)
        os.close(child_out)
        self.out = to_browser_w
        self.inp = from_browser_r
        self.buffer = b''
        self.next_id = 0
        self.errors = []
        self.session = None

    # -- the wire
    def _send(self, method, params=None, session=None):
        self.next_id += 1
        message = {'id': self.next_id, 'method': method, 'params': params or {}}
        if session:
            message['sessionId'] = session
        data = json.dumps(message).encode() + b'\0'
        while data:
            data = data[os.write(self.out, data):]
        return self.next_id

    def _receive(self):
        while b'\0' not in self.buffer:
            chunk = os.read(self.inp, 1 << 20)
            if not chunk:
                raise DevToolsError('chromium closed the pipe')
            self.buffer += chunk
        text, self.buffer = self.buffer.split(b'\0', 1)
        return json.loads(text)

    def _event(self, message):
        method, params = message.get('method'), message.get('params', {})
        if method == 'Runtime.exceptionThrown':
            details = params.get('exceptionDetails', {})
            self.errors.append('exception: ' + details.get('exception', {}).get('description', details.get('text', '')))
        elif method == 'Runtime.consoleAPICalled' and params.get('type') in ('error', 'assert'):
            self.errors.append('console.%s: %s' % (params['type'], ' '.join(
                str(a.get('value', a.get('description', ''))) for a in params.get('args', []))))
        elif method == 'Log.entryAdded' and params.get('entry', {}).get('level') == 'error':
            self.errors.append('log: ' + params['entry'].get('text', ''))

    def call(self, method, params=None, session=None):
        wanted = self._send(method, params, session)
        while True:
            message = self._receive()
            if message.get('id') == wanted:
                if 'error' in message:
                    raise DevToolsError('%s: %s' % (method, message['error']))
                return message.get('result', {})
            if 'method' in message:
                self._event(message)

    def page_call(self, method, params=None):
        return self.call(method, params, self.session)

    # -- the page
    def open(self, url, before=None):
        """Opens the page; `before` is a script run in it before any of its own."""
        target = self.call('Target.createTarget', {'url': 'about:blank'})['targetId']
        self.session = self.call('Target.attachToTarget', {'targetId': target, 'flatten': True})['sessionId']
        for domain in ('Runtime', 'Log', 'Page'):
            self.page_call(domain + '.enable')
        if before:
            self.page_call('Page.addScriptToEvaluateOnNewDocument', {'source': before})
        self.page_call('Page.navigate', {'url': url})

    def evaluate(self, expression):
        result = self.page_call('Runtime.evaluate', {'expression': expression, 'returnByValue': True,
                                                     'awaitPromise': True})
        if 'exceptionDetails' in result:
            raise DevToolsError('evaluate %r: %s' % (expression, result['exceptionDetails']))
        return result['result'].get('value')

    def wait_for(self, expression, timeout=30.0, interval=0.02):
        """Waits until the expression is truthy; returns its value."""
        end = time.monotonic() + timeout
        while True:
            try:
                value = self.evaluate(expression)
            except DevToolsError:
                value = None  # the page may still be loading
            if value:
                return value
            if time.monotonic() > end:
                raise DevToolsError('timed out waiting for ' + expression)
            time.sleep(interval)

    def key(self, key, code=None, key_code=0, text=None, modifiers=0):
        """A key pressed and released; modifiers: 1 Alt, 2 Ctrl, 4 Meta, 8 Shift."""
        params = {'type': 'keyDown', 'key': key, 'code': code or key, 'windowsVirtualKeyCode': key_code,
                  'modifiers': modifiers}
        if text:
            params['text'] = text
        self.page_call('Input.dispatchKeyEvent', params)
        self.page_call('Input.dispatchKeyEvent', {'type': 'keyUp', 'key': key, 'code': code or key,
                                                  'windowsVirtualKeyCode': key_code, 'modifiers': modifiers})

    def click(self, x, y):
        for kind in ('mousePressed', 'mouseReleased'):
            self.page_call('Input.dispatchMouseEvent', {'type': kind, 'x': x, 'y': y, 'button': 'left',
                                                        'clickCount': 1})

    def canvas_rgb(self, selector='canvas'):
        """The canvas's backing store as (width, height, RGB bytes)."""
        value = self.evaluate('''(() => {
          const c = document.querySelector(%s);
          const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
          let s = '';
          for (let i = 0; i < d.length; i += 4) s += String.fromCharCode(d[i], d[i + 1], d[i + 2]);
          return [c.width, c.height, btoa(s)];
        })()''' % json.dumps(selector))
        return value[0], value[1], base64.b64decode(value[2])

    def emulate(self, width, height, ratio, touch=False):
        """A device: its viewport in CSS pixels, its device-pixel ratio and
        whether it has a touch screen (a phone's or tablet's, with its
        viewport meta tag honoured)."""
        self.page_call('Emulation.setDeviceMetricsOverride', {'width': width, 'height': height,
                                                              'deviceScaleFactor': ratio, 'mobile': touch})
        self.page_call('Emulation.setTouchEmulationEnabled', {'enabled': touch, 'maxTouchPoints': 5 if touch else 1})

    def touch(self, kind, points):
        """One touch event: kind touchStart, touchMove or touchEnd; points
        a list of (x, y) in CSS pixels, one per finger."""
        self.page_call('Input.dispatchTouchEvent', {'type': kind, 'touchPoints': [
            {'x': x, 'y': y, 'id': i} for i, (x, y) in enumerate(points)]})

    def screenshot(self, clip=None):
        """A PNG of the page, or of a rectangle of it in CSS pixels, in
        device pixels."""
        params = {'format': 'png'}
        if clip:
            params['clip'] = dict(clip, scale=1)
        return base64.b64decode(self.page_call('Page.captureScreenshot', params)['data'])

    def close(self):
        try:
            self._send('Browser.close')
            self.proc.wait(timeout=10)
        except Exception:
            self.proc.kill()
            self.proc.wait()
        finally:
            os.close(self.out)
            os.close(self.inp)
            shutil.rmtree(self.profile, ignore_errors=True)
