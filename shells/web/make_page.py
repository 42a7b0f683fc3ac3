#!/usr/bin/env python3
"""Writes the web page from its template: the page's script inlined, the
program's icon as a data URL, and the WebAssembly module's loader either
inlined (one self-contained file) or referenced beside it (a site folder)."""
import argparse
import base64
import pathlib


def script_text(text):
    # Inline scripts end at the first "</script"; the loader and the page
    # script never need that sequence literally.
    return text.replace('</script', '<\\/script')


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--template', required=True)
    parser.add_argument('--page-script', required=True)
    parser.add_argument('--icon', required=True)
    parser.add_argument('--output', required=True)
    group = parser.add_mutually_exclusive_group(required=True)
    group.add_argument('--inline-module', help='the loader to put into the page')
    group.add_argument('--module-src', help='the loader\'s address relative to the page')
    args = parser.parse_args()

    icon = 'data:image/png;base64,' + base64.b64encode(pathlib.Path(args.icon).read_bytes()).decode('ascii')
    if args.inline_module:
        module = '<script>\n' + script_text(pathlib.Path(args.inline_module).read_text()) + '\n</script>'
    else:
        module = '<script src="' + args.module_src + '"></script>'
    page = pathlib.Path(args.template).read_text()
    page = page.replace('@ICON@', icon).replace('@MODULE@', module)
    page = page.replace('@PAGE@', script_text(pathlib.Path(args.page_script).read_text()))
    pathlib.Path(args.output).write_text(page)


if __name__ == '__main__':
    main()
