#!/usr/bin/env python3
"""Writes the web page from its template: the page's scripts inlined, the
program's icons as data URLs, the chart's size from the chart's layout, and
the WebAssembly module's loader either inlined (one self-contained file) or
referenced beside it (a site folder). For a site it also writes the web app
manifest, the icons it names and the service worker, whose cache is named
after the site's files.

The page compiles the module itself, once, for its own instance and its
worker's (worker_pool.js): inlined, the module's bytes leave the loader for
an element of their own, which the page decodes without a fetch(); beside
the page, that element names the module's file."""
import argparse
import base64
import hashlib
import json
import pathlib
import re
import shutil

DESCRIPTION = ('Quorvex simulates Pluto and Neptune around the Sun over up to 50,000 years and draws '
               'their orbits, Pluto in the frame turning with Neptune and their distance as it computes.')
# Page colours: the menu bar's (the browser's frame around the page) and
# the page's background.
THEME_COLOUR, BACKGROUND_COLOUR = '#f0f0f0', '#2b2b2b'
# The manifest's icons, from shells/icons: file, size, purpose.
SITE_ICONS = [('quorvex-192.png', 192, 'any'), ('quorvex-512.png', 512, 'any'),
              ('quorvex-maskable-512.png', 512, 'maskable')]


def chart_size(layout):
    """kCanvasWidth and kCanvasHeight as the chart's layout header sets them."""
    text = pathlib.Path(layout).read_text()
    size = []
    for name in ('kCanvasWidth', 'kCanvasHeight'):
        found = re.search(r'\b' + name + r'\s*=\s*(\d+)\s*;', text)
        if not found:
            raise SystemExit('%s: no %s' % (layout, name))
        size.append(found.group(1))
    return size


# The module inside a single-file loader, as a data URL.
INLINED_MODULE = re.compile(r'wasmBinaryFile\s*=\s*"data:application/octet-stream;base64,([A-Za-z0-9+/=]*)"')


def module_element(text=None, src=None):
    if src:
        return '<script id="quorvex-wasm" type="application/octet-stream" data-src="%s"></script>\n' % src
    return '<script id="quorvex-wasm" type="application/octet-stream">%s</script>\n' % text


def split_module(loader):
    """The loader without its module, and the module's base64 text."""
    found = INLINED_MODULE.search(loader)
    if not found:
        raise SystemExit('make_page.py: no inlined module in the loader')
    return loader[:found.start()] + 'wasmBinaryFile=""' + loader[found.end():], found.group(1)


def script_text(text):
    # Inline scripts end at the first "</script"; the loader and the page
    # script never need that sequence literally.
    return text.replace('</script', '<\\/script')


def data_url(path):
    return 'data:image/png;base64,' + base64.b64encode(pathlib.Path(path).read_bytes()).decode('ascii')


def write_site(folder, page, icons, service_worker):
    """The manifest, its icons and the service worker beside the page."""
    manifest = {
        'name': 'Quorvex', 'short_name': 'Quorvex', 'description': DESCRIPTION,
        'start_url': './index.html', 'scope': './', 'display': 'standalone',
        'theme_color': THEME_COLOUR, 'background_color': BACKGROUND_COLOUR,
        'icons': [{'src': name, 'sizes': '%dx%d' % (size, size), 'type': 'image/png', 'purpose': purpose}
                  for name, size, purpose in SITE_ICONS],
    }
    (folder / 'manifest.json').write_text(json.dumps(manifest, indent=2) + '\n')
    for name, _, _ in SITE_ICONS:
        shutil.copyfile(pathlib.Path(icons) / name, folder / name)
    files = ['./', 'index.html', 'quorvex.js', 'quorvex.wasm', 'manifest.json'] + [n for n, _, _ in SITE_ICONS]
    digest = hashlib.sha256(page.encode())
    for name in files[2:]:
        digest.update((folder / name).read_bytes())
    worker = pathlib.Path(service_worker).read_text()
    worker = worker.replace('@VERSION@', digest.hexdigest()[:16]).replace('@FILES@', json.dumps(files))
    (folder / 'sw.js').write_text(worker)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--template', required=True)
    parser.add_argument('--page-script', required=True, nargs='+', help='scripts inlined in this order')
    parser.add_argument('--icons', required=True, help='shells/icons')
    parser.add_argument('--layout', required=True, help='chart/layout.h, for the chart\'s size')
    parser.add_argument('--output', required=True)
    group = parser.add_mutually_exclusive_group(required=True)
    group.add_argument('--inline-module', help='the loader to put into the page')
    group.add_argument('--module-src', help='the loader\'s address relative to the page')
    parser.add_argument('--service-worker', help='with --module-src: the service worker\'s template')
    args = parser.parse_args()

    icons = pathlib.Path(args.icons)
    if args.inline_module:
        loader, wasm = split_module(pathlib.Path(args.inline_module).read_text())
        module = module_element(text=wasm) + '<script>\n' + script_text(loader) + '\n</script>'
    else:
        module = (module_element(src=re.sub(r'\.js$', '', args.module_src) + '.wasm') + '<script src="' +
                  args.module_src + '"></script>')
    page = pathlib.Path(args.template).read_text()
    width, height = chart_size(args.layout)
    page = page.replace('@ICON@', data_url(icons / 'quorvex-64.png'))
    page = page.replace('@TOUCH_ICON@', data_url(icons / 'quorvex-192.png')).replace('@MODULE@', module)
    page = page.replace('@MODULE_KIND@', 'inline' if args.inline_module else 'separate')
    page = page.replace('@DESCRIPTION@', DESCRIPTION)
    page = page.replace('@THEME_COLOUR@', THEME_COLOUR).replace('@BACKGROUND_COLOUR@', BACKGROUND_COLOUR)
    page = page.replace('@CHART_WIDTH@', width).replace('@CHART_HEIGHT@', height)
    scripts = '\n'.join(pathlib.Path(name).read_text() for name in args.page_script)
    page = page.replace('@PAGE@', script_text(scripts))
    pathlib.Path(args.output).write_text(page)
    if args.module_src:
        write_site(pathlib.Path(args.output).parent, page, icons, args.service_worker)


if __name__ == '__main__':
    main()
