#!/usr/bin/env python3
"""Draws the pointing-hand cursor, HAND-M.CUR: a 32x32 Windows cursor with
32-bit colour and alpha, hot spot at the tip of the index finger.

    python3 tools/cursorgen/hand_cursor.py resources/HAND-M.CUR [--preview out.txt]

The hand is built from filled shapes; the outline is every empty pixel that
touches the fill, so fingers stay apart by a one-pixel line.
"""
import struct
import sys

SIZE = 32
HOT_SPOT = (10, 1)  # the fingertip: the top of the index finger's outline


def inside_round_top(x, y, left, right, top, bottom):
    """A finger: a column with a round top."""
    if not (left <= x <= right and top <= y <= bottom):
        return False
    radius = (right - left + 1) / 2
    cx = left + radius - 0.5
    cy = top + radius - 0.5
    if y < cy:
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
    return True


def filled(x, y):
    fingers = [
        (9, 12, 2, 17),   # index, pointing up
        (14, 17, 9, 17),  # middle
        (19, 22, 10, 17), # ring
        (24, 26, 12, 18), # little
    ]
    if any(inside_round_top(x, y, *f) for f in fingers):
        return True
    # palm, narrowing towards the wrist
    if 9 <= x <= 26 and 17 <= y <= 25:
        if y >= 24 and (x < 10 or x > 25):
            return False
        return True
    if 11 <= x <= 24 and 26 <= y <= 29:
        return True
    # thumb, lying across to the left
    for t in range(6):
        tx, ty = 4 + t, 15 + t
        if tx <= x <= tx + 2 and ty <= y <= ty + 2:
            return True
    return False


def draw():
    fill = [[filled(x, y) for x in range(SIZE)] for y in range(SIZE)]
    pixels = [['.'] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            if fill[y][x]:
                pixels[y][x] = 'o'
                continue
            near = [(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))]
            if any(0 <= nx < SIZE and 0 <= ny < SIZE and fill[ny][nx] for nx, ny in near):
                pixels[y][x] = 'X'
    return pixels


def cursor_bytes(pixels):
    colours = {'.': (0, 0, 0, 0), 'X': (0, 0, 0, 255), 'o': (255, 255, 255, 255)}
    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):  # bitmaps are stored bottom-up
        bits = 0
        for x, p in enumerate(row):
            r, g, b, a = colours[p]
            xor += bytes((b, g, r, a))
            if p == '.':
                bits |= 1 << (31 - x)
        mask += struct.pack('>I', bits)
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 32, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    image = header + bytes(xor) + bytes(mask)
    icondir = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, HOT_SPOT[0], HOT_SPOT[1],
                        len(image), 6 + 16)
    return icondir + entry + image


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    pixels = draw()
    assert pixels[HOT_SPOT[1]][HOT_SPOT[0]] == 'X', 'hot spot is off the fingertip'
    with open(sys.argv[1], 'wb') as f:
        f.write(cursor_bytes(pixels))
    if '--preview' in sys.argv:
        with open(sys.argv[sys.argv.index('--preview') + 1], 'w') as f:
            f.write('\n'.join(''.join(r) for r in pixels) + '\n')


if __name__ == '__main__':
    main()
