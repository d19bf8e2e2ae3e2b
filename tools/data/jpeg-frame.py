#!/usr/bin/env python3
"""Walks a JPEG file's markers to its frame header and prints the frame's
type (192 = baseline), width, height and component count, for example
"192 640 480 3". Exits 1 with one line when there is no such header.

Usage: jpeg-frame.py FILE
"""

import sys

# Start-of-frame markers: 0xC0 to 0xCF but for DHT, JPG and DAC.
FRAMES = set(range(0xC0, 0xD0)) - {0xC4, 0xC8, 0xCC}


def frame(data):
    if data[:2] != b"\xff\xd8":
        return None
    i = 2  # each segment: FF, the marker, a two-byte length that counts itself
    while i + 9 < len(data) and data[i] == 0xFF:
        marker = data[i + 1]
        if marker in FRAMES:
            height = int.from_bytes(data[i + 5:i + 7], "big")
            width = int.from_bytes(data[i + 7:i + 9], "big")
            return f"{marker} {width} {height} {data[i + 9]}"
        i += 2 + int.from_bytes(data[i + 2:i + 4], "big")
    return None


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: jpeg-frame.py FILE")
    try:
        with open(sys.argv[1], "rb") as file:
            found = frame(file.read())
    except OSError as error:
        sys.exit(f"{sys.argv[1]}: {error.strerror}")
    if found is None:
        sys.exit(f"{sys.argv[1]}: no frame header found")
    print(found)


if __name__ == "__main__":
    main()
