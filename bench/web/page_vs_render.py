#!/usr/bin/env python3
"""The longest run (50000 years, step 1, speed 5) in the web page against
the Linux renderer, measured side by side, in turns, on one core and on two.

  bench/web/page_vs_render.py [--page build/web/quorvex.html]
      [--render build/release/tools/render/quorvex-render] [--rounds 5]
      [--cpus 0,1] [--baseline-page OLD.html]

Each round runs, in this order: the renderer on one core
(`taskset -c 0 quorvex-render --years 50000 --step 1`) and on both, the page
on both (its worker on the second core) and on one, and, given
--baseline-page, that page on one core (today's page against the page
before its worker). The page runs in headless Chromium, timed by the page
itself from "Start Plot" to the closing line (its "quorvex-run" performance
measure), started once the browser has finished its own start-up, whose
work would otherwise share the cores. Pinned to one core, the whole browser
is pinned. Also reports how long the page takes from navigation to ready
(the dialog open), how many chunks of the run's blocks its worker computed
(of 4461), and the closing lines, which must agree. Besides the wall times
it reports the processor time each side used on one core (the renderer's
from its resource usage; the browser's summed over all its processes from
/proc), which other load on the machine disturbs less.
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


def render_once(render, cpus):
    start, cpu_start = time.monotonic(), children_cpu()
    out = subprocess.run(['taskset', '-c', cpus, render, '--years', '50000', '--step', '1',
                          '--output', os.devnull], check=True, capture_output=True, text=True)
    return time.monotonic() - start, children_cpu() - cpu_start, out.stdout.strip()


def page_once(page, cpus):
    """Wall and browser processor seconds of the run, its closing line, the
    milliseconds to ready and the chunks the worker computed."""
    browser = Browser(chromium=None)
    # Pin the whole browser, its renderer process included, to the cores.
    subprocess.run(['taskset', '-a', '-c', '-p', cpus, str(browser.proc.pid)], check=True, capture_output=True)
    try:
        browser.open(pathlib.Path(page).resolve().as_uri())
        browser.wait_for("document.documentElement.dataset.ready === 'true'")
        ready = browser.evaluate("performance.getEntriesByName('quorvex-ready')[0].startTime")
        # Renderer processes started after the pinning inherit it; pin any
        # that were not yet children then.
        subprocess.run(['bash', '-c', 'for p in $(pgrep -P %d); do taskset -a -c -p %s $p; done' %
                        (browser.proc.pid, cpus)], capture_output=True)
        settle(browser.proc.pid)
        # The page before its worker has no worker state.
        browser.wait_for("document.documentElement.dataset.worker !== 'starting'")
        browser.evaluate("document.getElementById('duration').value = '50000';"
                         "document.getElementById('step').value = '1';"
                         "document.getElementById('speed').value = '5';")
        cpu_start = tree_cpu(browser.proc.pid)
        browser.key('Enter', 'Enter', 13, '\r')
        text = browser.wait_for("document.getElementById('result').textContent", timeout=600, interval=0.25)
        cpu_end = tree_cpu(browser.proc.pid)
        used = sum(cpu_end[pid] - cpu_start.get(pid, 0.0) for pid in cpu_end)
        seconds = browser.evaluate("performance.getEntriesByName('quorvex-run')[0].duration") / 1000.0
        chunks = browser.evaluate("(performance.getEntriesByName('quorvex-worker-chunks').at(-1) || {detail: 0})"
                                  ".detail")
        if browser.errors:
            raise RuntimeError('page errors: %s' % browser.errors)
        return seconds, used, text, ready, chunks
    finally:
        browser.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('--page', default=str(ROOT / 'build' / 'web' / 'quorvex.html'))
    parser.add_argument('--render', default=str(ROOT / 'build' / 'release' / 'tools' / 'render' / 'quorvex-render'))
    parser.add_argument('--baseline-page', help='the page to compare with on one core (today\'s)')
    parser.add_argument('--rounds', type=int, default=5)
    parser.add_argument('--cpus', default='0,1', help='the two cores; the first is the one core')
    args = parser.parse_args()
    one = args.cpus.split(',')[0]

    names = ['renderer 1 core', 'renderer 2 cores', 'page 2 cores', 'page 1 core']
    if args.baseline_page:
        names.append('today\'s page 1 core')
    rows = []
    print('load average at the start: %.2f %.2f %.2f' % os.getloadavg(), flush=True)
    for i in range(args.rounds):
        r1, r1_cpu, text = render_once(args.render, one)
        r2, _, _ = render_once(args.render, args.cpus)
        runs = [page_once(args.page, args.cpus), page_once(args.page, one)]
        if args.baseline_page:
            runs.append(page_once(args.baseline_page, one))
        for run in runs:
            if run[2] != text:
                print('closing lines differ: page %r, renderer %r' % (run[2], text))
                return 1
        row = [r1, r2] + [run[0] for run in runs]
        rows.append(row + [r1_cpu, runs[1][1], runs[0][3], runs[0][4], runs[1][4]])
        print('round %d: ' % (i + 1) + ', '.join('%s %.2f s' % (n, v) for n, v in zip(names, row)) +
              '; page 2 cores / renderer 1 core %.2fx; worker chunks %d (2 cores), %d (1 core); processor on 1 core: '
              'renderer %.2f s, browser %.2f s; ready %.0f ms; %s'
              % (row[2] / r1, runs[0][4], runs[1][4], r1_cpu, runs[1][1], runs[0][3], text), flush=True)
    print('load average at the end: %.2f %.2f %.2f' % os.getloadavg())
    med = [statistics.median(column) for column in zip(*rows)]
    print('medians of %d: ' % args.rounds + ', '.join('%s %.2f s' % (n, v) for n, v in zip(names, med)))
    print('  page 2 cores / renderer 1 core: %.2fx (rounds %.2f-%.2fx); / renderer 2 cores: %.2fx'
          % (med[2] / med[0], min(r[2] / r[0] for r in rows), max(r[2] / r[0] for r in rows), med[2] / med[1]))
    print('  page 1 core / renderer 1 core: %.2fx; processor on 1 core: renderer %.2f s, browser %.2f s (%.2fx)'
          % (med[3] / med[0], med[-5], med[-4], med[-4] / med[-5]))
    if args.baseline_page:
        print('  page 1 core / today\'s page 1 core: %.2fx (rounds %.2f-%.2fx)'
              % (med[3] / med[4], min(r[3] / r[4] for r in rows), max(r[3] / r[4] for r in rows)))
    print('  ready %.0f ms; worker chunks %d on 2 cores, %d on 1 core' % (med[-3], med[-2], med[-1]))
    return 0


if __name__ == '__main__':
    sys.exit(main())
