#!/usr/bin/python3
"""A stand-in for the program's sharing server, for trying the players' page.

Serves app/share/page under /KEY/ with layout.json, tiles of a drawn map
(fields, lines 4 pixels wide every 256 map pixels, the pieces as coloured blocks), map.png
and an event stream, on 127.0.0.1 only. Changes come through /control/...:

  move?name=N&dx=DX&dy=DY   moves a piece: a new version with what changed
  burst?n=N&ms=MS           N moves of the first hero, one every MS ms
  level?width=W&height=H    another map: a new version, changed null
  view?x=&y=&width=&height=&zoom=   the leader's view (an event)
  marker?x=&y=  (none: off) the leader's marker (an event)
  delay?ms=MS               tiles answer MS ms late
  silence?on=1|0            the event stream stays open but sends nothing
  drop                      closes the event streams
  stats                     {"version", "tiles": requests so far, "streams", "connects"}

Usage: share_mock.py [--port P] [--key K] [--size W H] [--version V]
Prints "PORT <port>" once listening.
"""
import argparse
import json
import os
import struct
import threading
import time
import zlib
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

PAGE = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'app', 'share', 'page')
TYPES = {'': ('index.html', 'text/html; charset=utf-8'),
         'page.js': ('page.js', 'text/javascript; charset=utf-8'),
         'page.css': ('page.css', 'text/css; charset=utf-8')}
CSP = ("default-src 'self'; img-src 'self' blob:; connect-src 'self'; style-src 'self'; "
       "script-src 'self'")
COLOURS = {'hero': (200, 40, 40), 'grave': (150, 150, 160), 'transport': (40, 90, 210)}


def png(width, height, rgb_rows):
    raw = b''.join(b'\0' + bytes(row) for row in rgb_rows)
    chunk = lambda kind, data: (struct.pack('>I', len(data)) + kind + data
                                + struct.pack('>I', zlib.crc32(kind + data)))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 1)) + chunk(b'IEND', b''))


class Share:
    def __init__(self, width, height, version):
        self.lock = threading.Condition()
        self.version = version
        self.map = {'width': width, 'height': height}
        self.view = {'x': 0, 'y': 0, 'width': min(width, 1600), 'height': min(height, 1000), 'zoom': 100}
        self.marker = None
        self.changed = None
        self.pieces = [
            {'kind': 'hero', 'name': 'Alrik', 'x': 400, 'y': 300, 'width': 48, 'height': 48,
             'text': 'Alrik der Kühne <b>kein Fettdruck</b>'},
            {'kind': 'hero', 'name': 'Yasmina', 'x': 520, 'y': 320, 'width': 48, 'height': 48, 'text': ''},
            {'kind': 'grave', 'name': 'Grab', 'x': 900, 'y': 700, 'width': 40, 'height': 40,
             'text': 'Hier ruht Borbarad'},
            {'kind': 'transport', 'name': 'Floß', 'x': 1200, 'y': 400, 'width': 96, 'height': 48, 'text': ''},
        ]
        self.delay = 0.0
        self.silent = False
        self.tile_requests = 0
        self.connects = 0  # event streams opened
        self.streams = []  # one list of pending messages per open event stream
        self.cache = {}

    def layout(self):
        return {'version': self.version, 'map': self.map, 'view': self.view, 'marker': self.marker,
                'pieces': self.pieces, 'changed': self.changed}

    def send(self, name, data):
        for queue in self.streams:
            queue.append('event: %s\ndata: %s\n\n' % (name, json.dumps(data)))
        self.lock.notify_all()

    def new_version(self, changed):
        self.version += 1
        self.changed = changed
        self.cache.clear()
        self.send('layout', {'version': self.version})

    def move(self, name, dx, dy):
        piece = next((p for p in self.pieces if p['name'] == name), None)
        if not piece:
            return False
        before = [piece['x'], piece['y'], piece['width'], piece['height']]
        piece['x'] = max(0, min(self.map['width'] - piece['width'], piece['x'] + dx))
        piece['y'] = max(0, min(self.map['height'] - piece['height'], piece['y'] + dy))
        self.new_version([before, [piece['x'], piece['y'], piece['width'], piece['height']]])
        return True

    def level_size(self, level):
        return -(-self.map['width'] // 2 ** level), -(-self.map['height'] // 2 ** level)

    def levels(self):
        level = 0
        while max(self.level_size(level)) > 256:
            level += 1
        return level + 1

    def picture(self, level, x0, y0, width, height):
        """Level pixels [x0, x0+width) x [y0, y0+height) as RGB rows: pixel centres sampled."""
        f = 2 ** level
        rows = []
        for j in range(height):
            my = (y0 + j) * f + f // 2
            row = bytearray(width * 3)
            for i in range(width):
                mx = (x0 + i) * f + f // 2
                cell = (mx // 1024 + my // 1024 * 7) % 5
                r, g, b = ((92, 120, 64), (110, 134, 70), (140, 128, 88), (76, 108, 70), (124, 116, 76))[cell]
                if mx % 256 < 4 or my % 256 < 4:  # lines only the finest levels show
                    r, g, b = r - 60, g - 60, b - 60
                row[i * 3:i * 3 + 3] = bytes((r, g, b))
            rows.append(row)
        for p in self.pieces:
            colour = bytes(COLOURS[p['kind']])
            px0, px1 = p['x'] // f - x0, -(-(p['x'] + p['width']) // f) - x0
            py0, py1 = p['y'] // f - y0, -(-(p['y'] + p['height']) // f) - y0
            px0, px1, py0, py1 = max(px0, 0), min(px1, width), max(py0, 0), min(py1, height)
            if px1 <= px0 or py1 <= py0:
                continue
            for j in range(py0, py1):
                rows[j][px0 * 3:px1 * 3] = colour * (px1 - px0)
        return rows

    def tile(self, level, tx, ty):
        key = (level, tx, ty)
        if key not in self.cache:
            lw, lh = self.level_size(level)
            if level >= self.levels() or tx * 256 >= lw or ty * 256 >= lh or tx < 0 or ty < 0:
                return None
            w, h = min(256, lw - tx * 256), min(256, lh - ty * 256)
            self.cache[key] = png(w, h, self.picture(level, tx * 256, ty * 256, w, h))
        return self.cache[key]


class Handler(BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'
    share = None
    key = ''

    def log_message(self, *args):
        pass

    def reply(self, status, kind, data, headers=()):
        self.send_response(status)
        self.send_header('Content-Type', kind)
        self.send_header('Content-Length', str(len(data)))
        self.send_header('Cache-Control', 'no-cache')
        self.send_header('Content-Security-Policy', CSP)
        self.send_header('X-Content-Type-Options', 'nosniff')
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        url = urlsplit(self.path)
        query = {k: v[-1] for k, v in parse_qs(url.query).items()}
        if url.path.startswith('/control/'):
            return self.control(url.path[9:], query)
        prefix = '/' + self.key + '/'
        if not url.path.startswith(prefix):
            return self.reply(404, 'text/plain', b'nicht gefunden')
        path, share = url.path[len(prefix):], self.share
        if path in TYPES:
            name, kind = TYPES[path]
            with open(os.path.join(PAGE, name), 'rb') as f:
                return self.reply(200, kind, f.read())
        if path == 'layout.json':
            with share.lock:
                data = json.dumps(share.layout()).encode()
            return self.reply(200, 'application/json', data)
        if path == 'map.png':
            with share.lock:
                level = share.levels() - 1
                data = share.tile(level, 0, 0)
            return self.reply(200, 'image/png', data)
        if path.startswith('tiles/') and path.endswith('.png'):
            try:
                level, tx, ty = (int(part) for part in path[6:-4].split('/'))
            except ValueError:
                return self.reply(404, 'text/plain', b'nicht gefunden')
            with share.lock:
                share.tile_requests += 1
                delay = share.delay
            time.sleep(delay)
            with share.lock:
                data, version = share.tile(level, tx, ty), share.version
            if data is None:
                return self.reply(404, 'text/plain', b'nicht gefunden')
            return self.reply(200, 'image/png', data, [('X-Layout-Version', str(version))])
        if path == 'events':
            return self.events()
        return self.reply(404, 'text/plain', b'nicht gefunden')

    def events(self):
        share = self.share
        self.send_response(200)
        self.send_header('Content-Type', 'text/event-stream')
        self.send_header('Cache-Control', 'no-cache')
        self.end_headers()
        queue = []
        with share.lock:
            share.streams.append(queue)
            share.connects += 1
        try:
            self.wfile.write(b': hallo\n\n')
            self.wfile.flush()
            while True:
                with share.lock:
                    open_ = lambda: any(s is queue for s in share.streams)
                    share.lock.wait_for(lambda: queue or not open_(), timeout=15)
                    if not open_():
                        return
                    out = ''.join(queue) if not share.silent else ''
                    queue.clear()
                    keepalive = not out and not share.silent
                self.wfile.write((out or (': still\n\n' if keepalive else '')).encode())
                self.wfile.flush()
        except OSError:
            pass
        finally:
            with share.lock:
                share.streams[:] = [s for s in share.streams if s is not queue]
            self.close_connection = True

    def control(self, command, q):
        share = self.share
        answer = {'ok': True}
        with share.lock:
            if command == 'move':
                answer['ok'] = share.move(q.get('name', ''), int(q.get('dx', 0)), int(q.get('dy', 0)))
            elif command == 'burst':
                n, ms = int(q.get('n', 20)), int(q.get('ms', 100))
                threading.Thread(target=self.burst, args=(n, ms), daemon=True).start()
            elif command == 'level':
                share.map = {'width': int(q['width']), 'height': int(q['height'])}
                share.new_version(None)
            elif command == 'view':
                share.view = {k: int(q.get(k, 0)) for k in ('x', 'y', 'width', 'height', 'zoom')}
                share.send('view', share.view)
            elif command == 'marker':
                share.marker = {'x': int(q['x']), 'y': int(q['y'])} if 'x' in q else None
                share.send('marker', share.marker)
            elif command == 'delay':
                share.delay = int(q.get('ms', 0)) / 1000
            elif command == 'silence':
                share.silent = q.get('on', '1') == '1'
            elif command == 'drop':
                share.streams.clear()
                share.lock.notify_all()
            elif command == 'stats':
                answer = {'version': share.version, 'tiles': share.tile_requests, 'streams': len(share.streams),
                          'connects': share.connects}
            else:
                return self.reply(404, 'text/plain', b'?')
        self.reply(200, 'application/json', json.dumps(answer).encode())

    def burst(self, n, ms):
        for _ in range(n):
            with self.share.lock:
                self.share.move('Alrik', 24, 8)
            time.sleep(ms / 1000)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--port', type=int, default=0)
    parser.add_argument('--key', default='Schluessel0123456789')
    parser.add_argument('--size', type=int, nargs=2, default=(16384, 16384))
    parser.add_argument('--version', type=int, default=1)
    args = parser.parse_args()
    Handler.share = Share(args.size[0], args.size[1], args.version)
    Handler.key = args.key
    server = ThreadingHTTPServer(('127.0.0.1', args.port), Handler)
    server.daemon_threads = True
    print('PORT', server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == '__main__':
    main()
