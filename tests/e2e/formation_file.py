#!/usr/bin/python3
"""Writes a formation file of the demo level byte by byte from its layout
(not by the program's writer), for tests of programs that read one.

formation_file.py OUT HERO_X HERO_Y [cut]: the first hero at (HERO_X, HERO_Y),
one grave at (300, 400) with the inscription "Ruhe <b>sanft</b>", zoom 50;
with "cut" the file ends in the middle of the hero records.
"""
import struct
import sys


def text(t):
    return t.encode('utf-16-le')


def piece(index, x, y, inscription=0):
    return struct.pack('<i', index) + bytes(6 + 6 + 14) + struct.pack('<iii', x, y, inscription)


def main(out, x, y, cut=None):
    level = '\\\\PROGDIR\\\\Varn.gxml'
    data = struct.pack('<Bi', 1, len(level)) + text(level) + struct.pack('<iiiB', 1, 1, 0, 50)
    trail = b''.join(struct.pack('<ii', x + 16, y + 16 + 8 * j) for j in range(30))
    data += piece(0, x, y) + trail + piece(0, 300, 400, 1)
    for i in range(256):
        t = 'Ruhe <b>sanft</b>' if i == 1 else ''
        data += struct.pack('<h', len(t)) + text(t)
    if cut:
        data = data[:60]
    with open(out, 'wb') as f:
        f.write(data)


if __name__ == '__main__':
    main(sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), *sys.argv[4:5])
