#!/usr/bin/python3
"""Draws the launcher's icon and writes it as a Windows .ico file.

The picture is a heater shield with a gold rim, lit from the upper left,
bearing a silver V. It is one 32x32 image with 16 colours (4 bits per pixel,
one plane) from the standard 16-colour palette, so that it shows the same on
every display down to 16-colour VGA.

Usage:
  make_icon.py OUT.ico        writes the icon
  make_icon.py --check ICO    exits 1 unless ICO holds exactly this picture

varnix.ico beside this script is its output, kept in the repository so that
the resource compiler needs nothing but the file. After changing the picture,
run `make_icon.py varnix.ico` here and commit both; the image test fails
while they disagree.
"""

import struct
import sys

SIZE = 32

# The standard 16-colour palette in its usual index order; each entry is the
# letter that stands for it in PICTURE below.
PALETTE = [
    ("K", (0x00, 0x00, 0x00)),  # black
    ("M", (0x80, 0x00, 0x00)),  # maroon
    ("G", (0x00, 0x80, 0x00)),  # green
    ("O", (0x80, 0x80, 0x00)),  # olive
    ("N", (0x00, 0x00, 0x80)),  # navy
    ("P", (0x80, 0x00, 0x80)),  # purple
    ("T", (0x00, 0x80, 0x80)),  # teal
    ("S", (0xC0, 0xC0, 0xC0)),  # silver
    ("D", (0x80, 0x80, 0x80)),  # grey
    ("R", (0xFF, 0x00, 0x00)),  # red
    ("L", (0x00, 0xFF, 0x00)),  # lime
    ("Y", (0xFF, 0xFF, 0x00)),  # yellow
    ("B", (0x00, 0x00, 0xFF)),  # blue
    ("F", (0xFF, 0x00, 0xFF)),  # fuchsia
    ("C", (0x00, 0xFF, 0xFF)),  # cyan
    ("W", (0xFF, 0xFF, 0xFF)),  # white
]
TRANSPARENT = "."

# Top row first; "." lets the desktop show through.
PICTURE = """
................................
...KKKKKKKKKKKKKKKKKKKKKKKKKK...
...KYYYYYYYYYYYYYYYYYYYYYYYYK...
...KYBBBBBBBBBBBNNNNNNNNNNNOK...
...KYBBKKKKKKKBBNNKKKKKKKNNOK...
...KYBBKWWWWDKBBNNKWWWWDKNNOK...
...KYBBKWSSSDKBBNNKWSSSDKNNOK...
...KYBBKWSSSDKKBNKKWSSSDKNNOK...
...KYBBKKWSSSDKBNKWSSSDKKNNOK...
...KYBBBKWSSSDKBNKWSSSDKNNNOK...
...KYBBBKWSSSDKKKKWSSSDKNNNOK...
...KYBBBKKWSSSDKKWSSSDKKNNNOK...
...KYBBBBKWSSSDKKWSSSDKNNNNOK...
...KYBBBBKKWSSSSSSSSDKKNNNNOK...
....KYBBBBKWSSSSSSSSDKNNNNOK....
....KYBBBBKWSSSSSSSSDKNNNNOK....
....KYBBBBKKWSSSSSSDKKNNNNOK....
.....KYBBBBKWSSSSSSDKNNNNOK.....
.....KYBBBBKWSSSSSSDKNNNNOK.....
.....KYBBBBKKWSSSSDKKNNNNOK.....
......KYBBBBKWSSSSDKNNNNOK......
......KYBBBBKKWSSDKKNNNNOK......
.......KYBBBBKWDDDKNNNNOK.......
........KYBBBKKKKKKNNNOK........
.........KYBBBBBNNNNNOK.........
..........KYBBBBNNNNOK..........
...........KYBBBNNNOK...........
............KYBBNNOK............
.............KYBNOK.............
..............KYOK..............
...............KK...............
................................
"""


def picture_rows():
    rows = PICTURE.split()
    if len(rows) != SIZE or any(len(row) != SIZE for row in rows):
        raise ValueError("the picture must be %d by %d" % (SIZE, SIZE))
    return rows


def icon_bytes():
    index = {letter: i for i, (letter, _) in enumerate(PALETTE)}
    # Both bitmaps are stored bottom row first. Each row of either is a
    # whole number of 32-bit words already at this width (16 and 4 bytes).
    colour_rows = []
    mask_rows = []
    for row in reversed(picture_rows()):
        nibbles = [index.get(c, 0) for c in row]
        colour_rows.append(bytes(
            (nibbles[x] << 4) | nibbles[x + 1] for x in range(0, SIZE, 2)))
        # A set mask bit keeps the screen; the colour under it is black
        # (index 0), so the pixel is fully transparent.
        bits = 0
        for c in row:
            bits = (bits << 1) | (c == TRANSPARENT)
        mask_rows.append(bits.to_bytes(SIZE // 8, "big"))
    colours = b"".join(colour_rows)
    mask = b"".join(mask_rows)
    palette = b"".join(bytes((b, g, r, 0)) for _, (r, g, b) in PALETTE)

    # BITMAPINFOHEADER: the height counts the colour bitmap and the mask.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0,
                         len(colours) + len(mask), 0, 0, 0, 0)
    image = header + palette + colours + mask
    # ICONDIR with one ICONDIRENTRY; the image follows them directly.
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image),
                        len(directory) + 16)
    return directory + entry + image


def main(argv):
    if len(argv) == 2 and not argv[1].startswith("-"):
        with open(argv[1], "wb") as out:
            out.write(icon_bytes())
        return 0
    if len(argv) == 3 and argv[1] == "--check":
        with open(argv[2], "rb") as ico:
            if ico.read() == icon_bytes():
                return 0
        print("%s is not what %s draws; run: %s %s" %
              (argv[2], argv[0], argv[0], argv[2]), file=sys.stderr)
        return 1
    print(__doc__.split("\n\n")[2], file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
