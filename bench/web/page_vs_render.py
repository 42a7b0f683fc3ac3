#!/usr/bin/env python3
"""The longest run (50000 years, step 1, speed 5) in the web page against
the Linux renderer on one core, measured side by side, in turns.

  bench/web/page_vs_render.py [--page build/web/quorvex.html]
      [--render build/release/tools/render/quorvex-render] [--rounds 3] [--cpu 0]

Both run pinned to the same processor (taskset): the renderer as
`quorvex-render --years 50000 --step 1`, the page in headless Chromium,
timed by the page itself from "Start Plot" to the closing line (its
"quorvex-run" performance measure), started once the browser has finished
its own start-up, whose work would otherwise share the core. Also reports
how long the page takes from navigation to ready (the dialog open), and the
closing lines, which must agree. Besides the wall times it reports the processor time each side
used (the renderer's from its resource usage; the browser's summed over all
its processes from /proc, and that of its busiest process, the one running
the page), which other load on the machine disturbs less.
Not a test: the numbers depend on the machine and its load."""
import argparse
import os
import pathlib
import resource
import statistics
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / 'tests' / 'web'))
from devtools import Browser  # noqa: E402


TICK = os.sysconf('SC_CLK_TCK')


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def tree_cpu(root):
    """Processor seconds used so far by a process and each of its
    descendants, by process id."""
    parents, times = {}, {}
    for entry in os.listdir('/proc'):
        if not entry.isdigit():
            continue
        try:
            fields = open('/proc/%s/stat' % entry).read().rsplit(')', 1)[1].split()
        except OSError:
            continue
        parents[int(entry)] = int(fields[1])
        times[int(entry)] = (int(fields[11]) + int(fields[12])) / TICK
    used, stack = {}, [root]
    while stack:
        pid = stack.pop()
        used[pid] = times.get(pid, 0.0)
        stack += [child for child, parent in parents.items() if parent == pid]
    return used


def settle(root, quiet=0.02, window=0.5, limit=20.0):
    """Waits until a browser has finished its own start-up: in its first
    seconds it loads parts of its user interface in processes of their own,
    which would share the pinned core with the page's run. Quiet means all
    its processes together used at most `quiet` of the core over `window`
    seconds; gives up after `limit` seconds."""
    end = time.monotonic() + limit
    before = sum(tree_cpu(root).values())
    while time.monotonic() < end:
        time.sleep(window)
        now = sum(tree_cpu(root).values())
        if now - before <= quiet * window:
            return
        before = now


def render_once(render, cpu):
    start, cpu_start = time.monotonic(), children_cpu()
    out = subprocess.run(['taskset', '-c', str(cpu), render, '--years', '50000', '--step', '1',
                          '--output', os.devnull], check=True, capture_output=True, text=True)
    return time.monotonic() - start, children_cpu() - cpu_start, out.stdout.strip()


def page_once(page, cpu):
    browser = Browser(chromium=None)
    # Pin the whole browser, its renderer process included, to the one core.
    subprocess.run(['taskset', '-a', '-c', '-p', str(cpu), str(browser.proc.pid)], check=True,
                   capture_output=True)
    try:
        browser.open(pathlib.Path(page).resolve().as_uri())
        browser.wait_for("document.documentElement.dataset.ready === 'true'")
        ready = browser.evaluate("performance.getEntriesByName('quorvex-ready')[0].startTime")
        # Renderer processes started after the pinning inherit it; pin any
        # that were not yet children then.
        subprocess.run(['bash', '-c', 'for p in $(pgrep -P %d); do taskset -a -c -p %d $p; done' %
                        (browser.proc.pid, cpu)], capture_output=True)
        settle(browser.proc.pid)
        browser.evaluate("document.getElementById('duration').value = '50000';"
                         "document.getElementById('step').value = '1';"
                         "document.getElementById('speed').value = '5';")
        cpu_start = tree_cpu(browser.proc.pid)
        browser.key('Enter', 'Enter', 13, '\r')
        text = browser.wait_for("document.getElementById('result').textContent", timeout=600, interval=0.25)
        cpu_end = tree_cpu(browser.proc.pid)
        deltas = [cpu_end[pid] - cpu_start.get(pid, 0.0) for pid in cpu_end]
        # The browser's processes together, and the busiest alone: the
        # renderer process that runs the page.
        used = (sum(deltas), max(deltas))
        seconds = browser.evaluate("performance.getEntriesByName('quorvex-run')[0].duration") / 1000.0
        if browser.errors:
            raise RuntimeError('page errors: %s' % browser.errors)
        return seconds, used, text, ready
    finally:
        browser.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('--page', default=str(ROOT / 'build' / 'web' / 'quorvex.html'))
    parser.add_argument('--render', default=str(ROOT / 'build' / 'release' / 'tools' / 'render' / 'quorvex-render'))
    parser.add_argument('--rounds', type=int, default=3)
    parser.add_argument('--cpu', type=int, default=0)
    args = parser.parse_args()

    rows = []
    for i in range(args.rounds):
        r, r_cpu, render_text = render_once(args.render, args.cpu)
        p, p_cpu, page_text, ready = page_once(args.page, args.cpu)
        if page_text != render_text:
            print('closing lines differ: page %r, renderer %r' % (page_text, render_text))
            return 1
        rows.append((r, p, r_cpu, p_cpu[0], p_cpu[1], ready))
        print('round %d: wall renderer %.2f s, page %.2f s (%.2fx); processor renderer %.2f s, browser %.2f s '
              '(%.2fx), page process %.2f s (%.2fx); ready after %.0f ms; %s'
              % (i + 1, r, p, p / r, r_cpu, p_cpu[0], p_cpu[0] / r_cpu, p_cpu[1], p_cpu[1] / r_cpu, ready, page_text))
    med = [statistics.median(column) for column in zip(*rows)]
    print('median: wall renderer %.2f s, page %.2f s (%.2fx); processor renderer %.2f s, browser %.2f s (%.2fx), '
          'page process %.2f s (%.2fx); ready %.0f ms'
          % (med[0], med[1], med[1] / med[0], med[2], med[3], med[3] / med[2], med[4], med[4] / med[2], med[5]))
    return 0


if __name__ == '__main__':
    sys.exit(main())
