#!/usr/bin/env python3
"""Screenshots of the demo's X display, as PNG files (standard library only).

  screenshots.py watch OUT_DIR PREFIX   captures the root window over and over
                                        until SIGTERM and keeps each new picture
  screenshots.py shot OUT_FILE          one capture, kept whatever it shows

A capture is a new picture when it differs from the last one kept by more than
NOISE_BITS, had settled (it differs from the capture before it by no more than
that: not a window caught while it appears) and is not an empty screen. The
splash's spinner turns all the time; one turn changes about 12000 bits of the
screen, a new message or window far more.

Captures go through `xwd -root` on $DISPLAY; the XWD image is turned into PNG
here, since no image library is installed.
"""
import os
import signal
import struct
import subprocess
import sys
import time
import zlib

INTERVAL = 0.15
NOISE_BITS = 40000
XWD_HEADER_FIELDS = 25  # CARD32 fields of XWDFileHeader before the window name


def capture():
    """The root window as (width, height, rgb bytes), or None when xwd fails."""
    result = subprocess.run(["xwd", "-root", "-silent"], capture_output=True, timeout=20)
    if result.returncode != 0 or not result.stdout:
        return None
    return decode_xwd(result.stdout)


def mask_byte(mask, byte_order, bytes_per_pixel):
    """Which byte of a pixel holds the 8-bit channel of mask (masks of whole bytes only)."""
    for shift in range(0, 8 * bytes_per_pixel, 8):
        if mask == 0xFF << shift:
            index = shift // 8
            # LSBFirst (0): the lowest byte comes first in memory.
            return index if byte_order == 0 else bytes_per_pixel - 1 - index
    raise ValueError("colour mask 0x%x is not one whole byte" % mask)


def decode_xwd(data):
    fields = struct.unpack(">%dI" % XWD_HEADER_FIELDS, data[: 4 * XWD_HEADER_FIELDS])
    header_size, _version, pixmap_format, _depth, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red, green, blue, ncolors = fields[14], fields[15], fields[16], fields[19]
    if pixmap_format != 2 or bits_per_pixel not in (24, 32):
        raise ValueError("only true-colour ZPixmap screens (24 or 32 bits a pixel) are handled")
    step = bits_per_pixel // 8
    start = header_size + 12 * ncolors  # XWDColor entries come between header and pixels
    pixels = data[start : start + bytes_per_line * height]
    if bytes_per_line != width * step:
        pixels = b"".join(pixels[y * bytes_per_line : y * bytes_per_line + width * step] for y in range(height))
    rgb = bytearray(width * height * 3)
    for channel, mask in enumerate((red, green, blue)):
        rgb[channel::3] = pixels[mask_byte(mask, byte_order, step) :: step]
    return width, height, bytes(rgb)


def write_png(path, width, height, rgb):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    row = width * 3
    raw = b"".join(b"\x00" + rgb[y * row : (y + 1) * row] for y in range(height))
    png = (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
        + chunk(b"IDAT", zlib.compress(raw, 6))
        + chunk(b"IEND", b"")
    )
    temporary = path + ".tmp"
    with open(temporary, "wb") as f:
        f.write(png)
    os.replace(temporary, path)


def is_empty(rgb):
    """One colour all over: the bare background of the display."""
    return rgb.count(rgb[:3]) * 3 == len(rgb)


def watch(out_dir, prefix):
    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(True))
    signal.signal(signal.SIGINT, lambda *_: stop.append(True))
    os.makedirs(out_dir, exist_ok=True)
    previous = None  # the last capture, as one integer
    kept = None  # the last picture written
    count = 0
    while not stop:
        began = time.monotonic()
        try:
            shot = capture()
        except (subprocess.TimeoutExpired, ValueError, struct.error):
            shot = None
        if shot is not None:
            width, height, rgb = shot
            # As integers, two pictures compare in a few milliseconds: the
            # bits of their XOR count how much changed.
            current = int.from_bytes(rgb, "little")
            settled = previous is not None and (current ^ previous).bit_count() <= NOISE_BITS
            new = kept is None or (current ^ kept).bit_count() > NOISE_BITS
            if settled and new and not is_empty(rgb):
                count += 1
                write_png(os.path.join(out_dir, "%s-%02d.png" % (prefix, count)), width, height, rgb)
                kept = current
            previous = current
        time.sleep(max(0.0, INTERVAL - (time.monotonic() - began)))


def shot(out_file):
    picture = capture()
    if picture is None:
        sys.exit("screenshots.py: xwd could not capture %s" % os.environ.get("DISPLAY", "(no DISPLAY)"))
    write_png(out_file, *picture)


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "watch":
        watch(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 3 and sys.argv[1] == "shot":
        shot(sys.argv[2])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
