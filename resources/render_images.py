#!/usr/bin/env python3
"""Renders resources/svg/*.svg to the PNG images (and logo.ico) of images.qrc.

    apt-get install librsvg2-bin python3     # Debian 12: rsvg-convert
    python3 resources/render_images.py

The rendered files are committed, so building the program never needs
rsvg-convert; run this only after changing a drawing, then commit both.

The widgets that show these images take their size from the image, so each
image is rendered at a fixed pixel size and checked after rendering. Each one
also gets a NAME@2x.png at twice the size, which QIcon picks on a screen with
a device pixel ratio of 2 or more.
"""

import pathlib
import struct
import subprocess
import sys

HERE = pathlib.Path(__file__).resolve().parent
SVG_DIR = HERE / "svg"
OUT_DIR = HERE / "images"

SIZES = {
    # home page buttons
    "rec": (192, 192),
    "edit": (192, 192),
    "cut_main": (192, 192),
    # title-bar buttons, drawn for the band colour rgb(38, 42, 45)
    "close": (32, 24),
    "min": (32, 24),
    "list": (32, 24),
    "logo": (48, 48),
    "folder": (48, 37),
    # menu entries
    "help": (24, 24),
    "language": (24, 24),
    "dot": (12, 12),
}
for name in ("play", "pause", "stop", "quit", "cut", "mp4", "add", "up", "down",
             "delete", "rec1", "rec2", "question", "information", "max", "normal"):
    SIZES[name] = (48, 48)

# logo.ico carries the large image first (QImage reads the first entry) and
# the small ones a window system picks for title bars and task bars.
ICO_SOURCE = "logo"
ICO_SIZES = (128, 48, 32, 16)

# The desktop's application icon (freedesktop hicolor theme), from the logo.
HICOLOR_DIR = HERE / "desktop" / "icons"
HICOLOR_SIZES = (16, 22, 24, 32, 48, 64, 128, 256, 512)
APP_ID = "vantreel-screen-recorder"


def render(svg: pathlib.Path, width: int, height: int) -> bytes:
    png = subprocess.run(
        ["rsvg-convert", "--format=png", f"--width={width}", f"--height={height}", str(svg)],
        check=True, stdout=subprocess.PIPE).stdout
    got = png_size(png)
    if got != (width, height):
        sys.exit(f"{svg.name}: rendered {got}, expected {(width, height)}")
    return png


def png_size(png: bytes) -> tuple:
    if png[:8] != b"\x89PNG\r\n\x1a\n" or png[12:16] != b"IHDR":
        sys.exit("rsvg-convert did not produce a PNG")
    return struct.unpack(">II", png[16:24])


def ico(images: list) -> bytes:
    """An ICO file whose entries are PNG streams (read by Windows Vista and later, and Qt)."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries, payload = b"", b""
    for png in images:
        width, height = png_size(png)
        # 0 in the one-byte width/height fields means 256.
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(png), offset)
        payload += png
        offset += len(png)
    return header + entries + payload


def main() -> None:
    OUT_DIR.mkdir(exist_ok=True)
    svgs = {p.stem for p in SVG_DIR.glob("*.svg")}
    if svgs != set(SIZES):
        sys.exit(f"svg/ and the size table differ: {sorted(svgs ^ set(SIZES))}")
    for name, (width, height) in sorted(SIZES.items()):
        (OUT_DIR / f"{name}.png").write_bytes(render(SVG_DIR / f"{name}.svg", width, height))
        (OUT_DIR / f"{name}@2x.png").write_bytes(render(SVG_DIR / f"{name}.svg", 2 * width, 2 * height))
    icons = [render(SVG_DIR / f"{ICO_SOURCE}.svg", s, s) for s in ICO_SIZES]
    (OUT_DIR / f"{ICO_SOURCE}.ico").write_bytes(ico(icons))
    for size in HICOLOR_SIZES:
        folder = HICOLOR_DIR / f"{size}x{size}"
        folder.mkdir(parents=True, exist_ok=True)
        (folder / f"{APP_ID}.png").write_bytes(render(SVG_DIR / f"{ICO_SOURCE}.svg", size, size))
    print(f"rendered {len(SIZES)} images at 1x and 2x, {ICO_SOURCE}.ico and {len(HICOLOR_SIZES)} desktop icons")


if __name__ == "__main__":
    main()
