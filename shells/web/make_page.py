#!/usr/bin/env python3
"""Writes the web page from its template: the page's scripts inlined, the
program's icon as a data URL, and the WebAssembly module's loader either
inlined (one self-contained file) or referenced beside it (a site folder).

The page compiles the module itself, once, for its own instance and its
worker's (worker_pool.js): inlined, the module's bytes leave the loader for
an element of their own, which the page decodes without a fetch(); beside
the page, that element names the module's file."""
import argparse
import base64
import pathlib
import re

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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--template', required=True)
    parser.add_argument('--page-script', required=True, nargs='+', help='scripts inlined in this order')
    parser.add_argument('--icon', required=True)
    parser.add_argument('--output', required=True)
    group = parser.add_mutually_exclusive_group(required=True)
    group.add_argument('--inline-module', help='the loader to put into the page')
    group.add_argument('--module-src', help='the loader\'s address relative to the page')
    args = parser.parse_args()

    icon = 'data:image/png;base64,' + base64.b64encode(pathlib.Path(args.icon).read_bytes()).decode('ascii')
    if args.inline_module:
        loader, wasm = split_module(pathlib.Path(args.inline_module).read_text())
        module = module_element(text=wasm) + '<script>\n' + script_text(loader) + '\n</script>'
    else:
        module = (module_element(src=re.sub(r'\.js$', '', args.module_src) + '.wasm') + '<script src="' +
                  args.module_src + '"></script>')
    page = pathlib.Path(args.template).read_text()
    page = page.replace('@ICON@', icon).replace('@MODULE@', module)
    scripts = '\n'.join(pathlib.Path(name).read_text() for name in args.page_script)
    page = page.replace('@PAGE@', script_text(scripts))
    pathlib.Path(args.output).write_text(page)


if __name__ == '__main__':
    main()
