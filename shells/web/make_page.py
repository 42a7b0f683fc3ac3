#!/usr/bin/env python3
"""Writes the web page from its template: the page's script inlined, the
program's icon as a data URL, the chart's size from the chart's layout, and
the WebAssembly module's loader either inlined (one self-contained file) or
referenced beside it (a site folder)."""
import argparse
import base64
import pathlib
import re


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


def script_text(text):
    # Inline scripts end at the first "</script"; the loader and the page
    # script never need that sequence literally.
    return text.replace('</script', '<\\/script')


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--template', required=True)
    parser.add_argument('--page-script', required=True)
    parser.add_argument('--icon', required=True)
    parser.add_argument('--layout', required=True, help='chart/layout.h, for the chart\'s size')
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
    width, height = chart_size(args.layout)
    page = page.replace('@ICON@', icon).replace('@MODULE@', module)
    page = page.replace('@MODULE_KIND@', 'inline' if args.inline_module else 'separate')
    page = page.replace('@CHART_WIDTH@', width).replace('@CHART_HEIGHT@', height)
    page = page.replace('@PAGE@', script_text(pathlib.Path(args.page_script).read_text()))
    pathlib.Path(args.output).write_text(page)


if __name__ == '__main__':
    main()
