#!/usr/bin/python3
"""share_mock.py PORT KEY [VERSION]: a stand-in for the program's sharing server on 127.0.0.1,
serving app/share/page under /KEY/ with layout.json, events and tiles of a 16384 x 16384 map;
prints "PORT <port>". /control/: move?name&dx&dy, burst?n&ms, level?width&height, view?x&y&width&height&zoom,
marker?x&y (without: none), delay?ms (for tiles), silence?on=1|0 (the event stream sends nothing).
"""
import json
import os
import struct
import sys
import threading
import time
import zlib
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

PAGE = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'app', 'share', 'page')
FILES = {'': ('index.html', 'html'), 'page.js': ('page.js', 'javascript'), 'page.css': ('page.css', 'css')}
CSP = "default-src 'self'; img-src 'self' blob:; connect-src 'self'; style-src 'self'; script-src 'self'"
FIELDS = ((92, 120, 64), (110, 134, 70), (140, 128, 88), (76, 108, 70), (124, 116, 76))
COLOURS = {'hero': (200, 40, 40), 'grave': (150, 150, 160)}
lock = threading.Condition()
layout = {'version': 1, 'map': {'width': 16384, 'height': 16384}, 'changed': None, 'marker': None,
          'view': {'x': 0, 'y': 0, 'width': 1600, 'height': 1000, 'zoom': 100},
          'pieces': [{'kind': 'hero', 'name': 'Alrik', 'x': 400, 'y': 300, 'width': 48, 'height': 48,
                      'text': 'Alrik der Kühne <b>kein Fettdruck</b>'},
                     {'kind': 'hero', 'name': 'Yasmina', 'x': 520, 'y': 320, 'width': 48, 'height': 48, 'text': ''},
                     {'kind': 'grave', 'name': 'Grab', 'x': 900, 'y': 700, 'width': 40, 'height': 40,
                      'text': 'Hier ruht Borbarad'}]}
state = {'maps': 0, 'delay': 0, 'silent': False}  # maps: how often the map was replaced
streams, tiles = [], {}  # for each open event stream its messages not sent yet; the tiles made


def send(name, data):
    for queue in streams:
        queue.append('event: %s\ndata: %s\n\n' % (name, json.dumps(data)))
    lock.notify_all()


def new_version(name=None, dx=0, dy=0):
    """A new version: piece <name> moved (changed: where it was and is), or else all changed."""
    changed = None
    for p in layout['pieces']:
        if p['name'] == name:
            changed = [[p['x'], p['y'], p['width'], p['height']]]
            p['x'], p['y'] = p['x'] + dx, p['y'] + dy
            changed.append([p['x'], p['y'], p['width'], p['height']])
    layout['version'], layout['changed'] = layout['version'] + 1, changed
    tiles.clear()
    send('layout', {'version': layout['version']})


def burst(n, ms):
    for _ in range(n):
        with lock:
            new_version('Alrik', 24, 8)
        time.sleep(ms / 1000)


def tile(level, tx, ty):
    """The tile's PNG, its pixels sampling the map at their middle; None outside the map."""
    if (level, tx, ty) not in tiles:
        f, x0, y0 = 2 ** level, tx * 256, ty * 256
        width = min(256, -(-layout['map']['width'] // f) - x0)
        height = min(256, -(-layout['map']['height'] // f) - y0)
        if width <= 0 or height <= 0 or tx < 0 or ty < 0:
            return None
        rows = []
        for my in range(y0 * f + f // 2, (y0 + height) * f, f):
            row = bytearray()
            for mx in range(x0 * f + f // 2, (x0 + width) * f, f):
                r, g, b = FIELDS[(mx // 1024 + my // 1024 * 7) % 5]
                if state['maps'] % 2:  # another map: colours far from the first one's
                    r, g, b = 255 - r, 255 - g, 255 - b
                row += bytes((r - 60, g - 60, b - 60) if mx % 256 < 4 or my % 256 < 4 else (r, g, b))
            rows.append(row)
        for p in layout['pieces']:
            px0, px1 = max(p['x'] // f - x0, 0), min(-(-(p['x'] + p['width']) // f) - x0, width)
            for j in range(max(p['y'] // f - y0, 0), min(-(-(p['y'] + p['height']) // f) - y0, height)):
                if px1 > px0:
                    rows[j][px0 * 3:px1 * 3] = bytes(COLOURS[p['kind']]) * (px1 - px0)
        chunk = lambda kind, data: (struct.pack('>I', len(data)) + kind + data
                                    + struct.pack('>I', zlib.crc32(kind + data)))
        tiles[level, tx, ty] = (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
                                + chunk(b'IDAT', zlib.compress(b''.join(b'\0' + row for row in rows), 1))
                                + chunk(b'IEND', b''))
    return tiles[level, tx, ty]


def control(command, q):
    number = lambda name: int(q.get(name, 0))
    if command == 'move':
        new_version(q['name'], number('dx'), number('dy'))
    elif command == 'burst':
        threading.Thread(target=burst, args=(number('n'), number('ms')), daemon=True).start()
    elif command == 'level':
        layout['map'] = {'width': number('width'), 'height': number('height')}
        state['maps'] += 1
        new_version()
    elif command in ('view', 'marker'):
        layout[command] = {name: number(name) for name in q} or None
        send(command, layout[command])
    elif command == 'delay':
        state['delay'] = number('ms') / 1000
    elif command == 'silence':
        state['silent'] = q['on'] == '1'


class Handler(BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def reply(self, kind, data, *headers, status=200):
        self.send_response(status)
        for name, value in (('Content-Type', kind), ('Content-Length', str(len(data))), ('Cache-Control', 'no-cache'),
                            ('Content-Security-Policy', CSP), ('X-Content-Type-Options', 'nosniff')) + headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        url = urlsplit(self.path)
        if url.path.startswith('/control/'):
            with lock:
                control(url.path[9:], {k: v[-1] for k, v in parse_qs(url.query).items()})
            return self.reply('application/json', b'{"ok": true}')
        path = url.path[len(KEY) + 2:] if url.path.startswith('/%s/' % KEY) else None
        if path in FILES:
            with open(os.path.join(PAGE, FILES[path][0]), 'rb') as f:
                return self.reply('text/%s; charset=utf-8' % FILES[path][1], f.read())
        if path == 'layout.json':
            with lock:
                return self.reply('application/json', json.dumps(layout).encode())
        if path == 'events':
            return self.events()
        if path and path.startswith('tiles/') and path.endswith('.png'):
            time.sleep(state['delay'])
            with lock:
                data, version = tile(*map(int, path[6:-4].split('/'))), layout['version']
            if data:
                return self.reply('image/png', data, ('X-Layout-Version', str(version)))
        self.reply('text/plain', b'nicht gefunden', status=404)

    def events(self):
        queue, out = [], ': hallo\n\n'
        self.send_response(200)
        self.send_header('Content-Type', 'text/event-stream')
        self.end_headers()
        with lock:
            streams.append(queue)
        try:
            while True:
                self.wfile.write(out.encode())
                self.wfile.flush()
                with lock:
                    lock.wait_for(lambda: queue, timeout=5)  # a comment at least every 5 s
                    out = '' if state['silent'] else ''.join(queue) or ': noch da\n\n'
                    queue.clear()
        except OSError:
            with lock:
                streams[:] = [s for s in streams if s is not queue]
            self.close_connection = True


if __name__ == '__main__':
    KEY = sys.argv[2]
    layout['version'] = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    server = ThreadingHTTPServer(('127.0.0.1', int(sys.argv[1])), Handler)
    server.daemon_threads = True
    print('PORT', server.server_address[1], flush=True)
    server.serve_forever()
