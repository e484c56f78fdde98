"""Pixels of see-through pictures, written and read without the project's code.

  alpha_oracle.py make KIND PATH   writes a 4 x 2 picture of KIND to PATH and
                                   prints its pixels
  alpha_oracle.py read PATH        prints the pixels of the TIFF at PATH
                                   (decompressed by libtiff's tiffcp first)

KIND is png-rgba, png-grey, tiff-unassociated or tiff-associated, then the
bits per sample: png-rgba-16, tiff-associated-8, ... Pixels print as
"bits=B alpha=unassociated|associated" and one "r g b a" line per pixel,
grey repeated in red, green and blue.
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

# Straight colour with its alpha: half, none, full, nearly none, nearly full.
STRAIGHT = [(200, 100, 50, 128), (0, 0, 0, 0), (255, 255, 255, 255), (10, 20, 30, 1),
            (255, 0, 0, 254), (1, 2, 3, 127), (90, 180, 45, 200), (33, 66, 99, 64)]
WIDTH, HEIGHT = 4, 2


def pixels(bits, associated, grey):
    top = (1 << bits) - 1
    out = []
    for index, pixel in enumerate(STRAIGHT):
        # 16 bits: a low byte of its own in every sample, so a lost byte shows.
        deepen = (lambda v, k: v * 257 ^ (index * 4 + k) * 5 if 0 < v < 255 else v * 257) if bits == 16 else (
            lambda v, k: v)
        r, g, b, a = (deepen(v, k) for k, v in enumerate(pixel))
        if grey:
            g = b = r
        if associated:
            r, g, b = (round(c * a / top) for c in (r, g, b))
        out.append((r, g, b, a))
    return out


def show(bits, associated, values):
    print('bits=%d alpha=%s' % (bits, 'associated' if associated else 'unassociated'))
    for pixel in values:
        print('%d %d %d %d' % pixel)


def png(path, bits, grey, values):
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    form = '>H' if bits == 16 else '>B'
    rows = b''
    for y in range(HEIGHT):
        rows += b'\0'
        for r, g, b, a in values[y * WIDTH:(y + 1) * WIDTH]:
            rows += b''.join(struct.pack(form, v) for v in ((r, a) if grey else (r, g, b, a)))
    header = struct.pack('>IIBBBBB', WIDTH, HEIGHT, bits, 4 if grey else 6, 0, 0, 0)
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(rows)) +
                chunk(b'IEND', b''))


def tiff(path, bits, associated, values):
    # Little-endian, uncompressed, one strip; the tags in ascending order.
    form = '<H' if bits == 16 else '<B'
    strip = b''.join(struct.pack(form, v) for pixel in values for v in pixel)
    tags = [(256, 4, 1, WIDTH), (257, 4, 1, HEIGHT), (258, 3, 4, None), (259, 3, 1, 1), (262, 3, 1, 2),
            (273, 4, 1, None), (277, 3, 1, 4), (278, 4, 1, HEIGHT), (279, 4, 1, len(strip)), (284, 3, 1, 1),
            (338, 3, 1, 1 if associated else 2)]
    directory = 8
    bits_at = directory + 2 + 12 * len(tags) + 4
    strip_at = bits_at + 8
    entries = b''
    for tag, kind, count, value in tags:
        value = {258: bits_at, 273: strip_at}.get(tag, value)
        packed = struct.pack('<H', value) + b'\0\0' if kind == 3 and count == 1 else struct.pack('<I', value)
        entries += struct.pack('<HHI', tag, kind, count) + packed
    with open(path, 'wb') as f:
        f.write(b'II*\0' + struct.pack('<I', directory) + struct.pack('<H', len(tags)) + entries +
                b'\0\0\0\0' + struct.pack('<4H', *[bits] * 4) + strip)


def make(kind, path):
    name, bits = kind.rsplit('-', 1)
    bits = int(bits)
    associated = name == 'tiff-associated'
    values = pixels(bits, associated, name == 'png-grey')
    if name.startswith('png'):
        png(path, bits, name == 'png-grey', values)
    else:
        tiff(path, bits, associated, values)
    show(bits, associated, values)


def read(path):
    with tempfile.TemporaryDirectory() as folder:
        plain = os.path.join(folder, 'plain.tif')
        subprocess.run(['tiffcp', '-c', 'none', path, plain], check=True)
        data = open(plain, 'rb').read()
    order = '<' if data[:2] == b'II' else '>'
    sizes = {3: 2, 4: 4}

    def values(kind, count, field):
        if sizes[kind] * count <= 4:
            return struct.unpack(order + ('H' if kind == 3 else 'I') * count, field[:sizes[kind] * count])
        at, = struct.unpack(order + 'I', field)
        return struct.unpack(order + ('H' if kind == 3 else 'I') * count, data[at:at + sizes[kind] * count])

    directory, = struct.unpack(order + 'I', data[4:8])
    count, = struct.unpack(order + 'H', data[directory:directory + 2])
    tags = {}
    for i in range(count):
        entry = data[directory + 2 + 12 * i:directory + 14 + 12 * i]
        tag, kind, n = struct.unpack(order + 'HHI', entry[:8])
        if kind in sizes:
            tags[tag] = values(kind, n, entry[8:])
    bits, samples = tags[258][0], tags[277][0]
    strips = b''.join(data[at:at + n] for at, n in zip(tags[273], tags[279]))
    form = order + ('H' if bits == 16 else 'B') * (len(strips) * 8 // bits)
    flat = struct.unpack(form, strips)
    out = []
    for p in range(tags[256][0] * tags[257][0]):
        s = flat[p * samples:(p + 1) * samples]
        out.append((s[0], s[0], s[0], s[1]) if samples == 2 else tuple(s[:4]))
    show(bits, tags.get(338, (0,))[0] == 1, out)


if __name__ == '__main__':
    make(sys.argv[2], sys.argv[3]) if sys.argv[1] == 'make' else read(sys.argv[2])
