#!/usr/bin/python3
# Draws Brindle's editor images: knob, button and lamp strips (plugin/img), the
# two background pages, the about page and the meter panel (plugin/backgrounds).
# Usage: make_artwork.py REPOSITORY_ROOT
import math
import os
import re
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

SCALE = 4  # everything is drawn this much larger, then reduced, for smooth edges
FONT_DIR = "/usr/share/fonts/truetype/dejavu/"

BLUE = (64, 156, 236)
GREEN = (72, 196, 120)
# Light pages: the editor prints knob values in dark grey (faded grey when greyed).
INK = (48, 52, 62)
DIM = (118, 124, 136)
HEADER_INK = (236, 238, 242)
PANEL_FILL = (246, 247, 249)
PANEL_EDGE = (192, 196, 205)


def font(size, bold=False):
    name = "DejaVuSans-Bold.ttf" if bold else "DejaVuSans.ttf"
    return ImageFont.truetype(FONT_DIR + name, size)


def reduce(image, size):
    return image.resize(size, Image.LANCZOS)


def save(image, path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    # No time stamps or other chunks that would change from run to run.
    image.save(path, optimize=True)


def strip(frames):
    width, height = frames[0].size
    out = Image.new("RGBA", (width, height * len(frames)), (0, 0, 0, 0))
    for i, frame in enumerate(frames):
        out.paste(frame, (0, i * height))
    return out


def polar(cx, cy, radius, degrees):
    # 0 degrees points up, positive turns clockwise.
    a = math.radians(degrees)
    return cx + radius * math.sin(a), cy - radius * math.cos(a)


# ---- Knobs -------------------------------------------------------------------

def knob_frame(value, colour, from_left):
    s = 48 * SCALE
    image = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(image)
    c = s / 2
    sweep = 135.0
    angle = -sweep + 2 * sweep * value
    # Arc track and value arc (pillow measures from 3 o'clock, clockwise).
    ring = 22 * SCALE
    box = [c - ring, c - ring, c + ring, c + ring]
    d.arc(box, -90 - sweep, -90 + sweep, fill=(204, 208, 216, 255), width=3 * SCALE)
    start = -sweep if from_left else 0.0
    lo, hi = min(start, angle), max(start, angle)
    if hi - lo > 0.5:
        d.arc(box, -90 + lo, -90 + hi, fill=colour + (255,), width=3 * SCALE)
    # Body: a dark cap with a lighter rim and a soft highlight.
    body = 16 * SCALE
    d.ellipse([c - body - 2 * SCALE, c - body - 2 * SCALE, c + body + 2 * SCALE, c + body + 2 * SCALE],
              fill=(18, 20, 24, 255))
    for i in range(body, 0, -SCALE):
        t = i / body
        shade = int(52 + 40 * (1 - t) * 0.6)
        d.ellipse([c - i, c - i - (1 - t) * 2 * SCALE, c + i, c + i - (1 - t) * 2 * SCALE],
                  fill=(shade, shade + 3, shade + 8, 255))
    # Pointer from near the centre to the rim.
    x0, y0 = polar(c, c, 5 * SCALE, angle)
    x1, y1 = polar(c, c, body - 2 * SCALE, angle)
    d.line([x0, y0, x1, y1], fill=(245, 247, 250, 255), width=3 * SCALE)
    tip = 1.5 * SCALE
    d.ellipse([x1 - tip, y1 - tip, x1 + tip, y1 + tip], fill=(245, 247, 250, 255))
    return reduce(image, (48, 48))


def knob_strip(colour, from_left):
    return strip([knob_frame(i / 64.0, colour, from_left) for i in range(65)])


# ---- Buttons -----------------------------------------------------------------

def square_button(size, on, face_off, face_on, glow):
    s = size * SCALE
    image = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(image)
    m = 2 * SCALE
    d.rounded_rectangle([m, m, s - m, s - m], radius=5 * SCALE, fill=(14, 15, 18, 255))
    inset = 4 * SCALE if not on else 5 * SCALE
    face = face_on if on else face_off
    top = tuple(min(255, v + 26) for v in face)
    d.rounded_rectangle([inset, inset, s - inset, s - inset], radius=4 * SCALE, fill=face + (255,))
    d.rounded_rectangle([inset, inset, s - inset, s / 2], radius=4 * SCALE, fill=top + (255,))
    d.rectangle([inset, s / 2 - 3 * SCALE, s - inset, s / 2], fill=top + (255,))
    # Indicator bar: dark when off, lit when on.
    bar = glow if on else (58, 60, 66)
    bw = s * 0.42
    d.rounded_rectangle([s / 2 - bw / 2, s * 0.64, s / 2 + bw / 2, s * 0.64 + 3 * SCALE], radius=SCALE,
                        fill=bar + (255,))
    return reduce(image, (size, size))


def round_button(size, on):
    s = size * SCALE
    image = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(image)
    m = SCALE
    d.ellipse([m, m, s - m, s - m], fill=(14, 15, 18, 255))
    face = (250, 80, 70) if on else (168, 40, 36)
    inset = 3 * SCALE if on else 3 * SCALE
    d.ellipse([inset, inset, s - inset, s - inset], fill=face + (255,))
    hi = tuple(min(255, v + 50) for v in face)
    d.ellipse([s * 0.3, s * 0.22, s * 0.62, s * 0.45], fill=hi + (255,))
    return reduce(image, (size, size))


# ---- Lamp --------------------------------------------------------------------

def lamp_frame(level):
    s = 48 * SCALE
    c = s / 2
    glow = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    if level > 0:
        g = ImageDraw.Draw(glow)
        # Small enough to fade out inside the frame, so no square edge shows.
        r = 15 * SCALE
        g.ellipse([c - r, c - r, c + r, c + r], fill=(255, 60, 40, int(150 * level)))
        glow = glow.filter(ImageFilter.GaussianBlur(3 * SCALE))
    image = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    image.alpha_composite(glow)
    d = ImageDraw.Draw(image)
    bezel = 13 * SCALE
    d.ellipse([c - bezel, c - bezel, c + bezel, c + bezel], fill=(20, 21, 25, 255))
    lens = 10 * SCALE
    red = (int(90 + 165 * level), int(14 + 60 * level), int(12 + 40 * level))
    d.ellipse([c - lens, c - lens, c + lens, c + lens], fill=red + (255,))
    core = 5 * SCALE
    hot = (255, int(120 + 110 * level), int(100 + 110 * level), int(255 * level))
    if level > 0:
        d.ellipse([c - core, c - core, c + core, c + core], fill=hot)
    d.ellipse([c - 6 * SCALE, c - 8 * SCALE, c, c - 3 * SCALE], fill=(255, 255, 255, int(60 + 80 * level)))
    return reduce(image, (48, 48))


# ---- Pages -------------------------------------------------------------------

W, H = 470, 322


def centred(d, x, y, text, size, fill, bold=False):
    f = font(size, bold)
    w = d.textlength(text, font=f)
    d.text((x - w / 2, y), text, font=f, fill=fill)


def background(d):
    for y in range(H):
        t = y / H
        c = (int(228 - 16 * t), int(230 - 16 * t), int(235 - 15 * t))
        d.line([0, y, W, y], fill=c)
    d.rectangle([0, 0, W, 38], fill=(38, 42, 50))
    d.line([0, 38, W, 38], fill=(20, 22, 26))
    d.text((14, 7), "Brindle", font=font(20, True), fill=HEADER_INK)
    d.text((104, 14), "stereo utility", font=font(11), fill=(150, 156, 168))
    d.text((W - 14 - d.textlength("ORVANE", font=font(11, True)), 14), "ORVANE", font=font(11, True),
           fill=(150, 156, 168))


# Zones: the channel side on the left, the stereo tools on the right.
LEFT_ZONE = [8, 46, 224, 314]
RIGHT_ZONE = [232, 46, 462, 314]

# (label, centre x, top y) of every control, at its position in the layout.
CHANNEL_LABELS = [
    ("Stereo / Mid / Side", 134, 47),
    ("Mono input", 46, 103),
    ("Mid", 86, 127),
    ("Side", 166, 127),
    ("Output", 126, 215),
    ("Bypass", 46, 223),
    ("Reset", 76, 290),
]
STEREO_LABELS = [
    ("Invert L", 264, 47),
    ("Invert R", 296, 97),
    ("Swap", 360, 47),
    ("Mono", 424, 47),
    ("Delay", 304, 127),
    ("Width", 384, 127),
    ("Pan", 344, 215),
]


def about_plate(d):
    # The area that opens the about page: 202, 278 to 271, 307.
    d.rounded_rectangle([202, 278, 270, 306], radius=6, fill=(38, 42, 50), outline=(20, 22, 26))
    centred(d, 236, 281, "Brindle", 11, HEADER_INK, True)
    centred(d, 236, 294, "about", 9, (150, 156, 168))


def page(stereo):
    image = Image.new("RGB", (W, H))
    d = ImageDraw.Draw(image)
    background(d)
    d.rounded_rectangle(LEFT_ZONE, radius=8, fill=PANEL_FILL, outline=PANEL_EDGE)
    if stereo:
        d.rounded_rectangle(RIGHT_ZONE, radius=8, fill=PANEL_FILL, outline=PANEL_EDGE)
    else:
        # Hatched and dimmed: these controls do nothing in mid or side mode.
        zone = Image.new("RGB", (W, H), (222, 224, 229))
        z = ImageDraw.Draw(zone)
        for x in range(RIGHT_ZONE[0] - H, RIGHT_ZONE[2], 8):
            z.line([x, RIGHT_ZONE[3], x + (RIGHT_ZONE[3] - RIGHT_ZONE[1]), RIGHT_ZONE[1]], fill=(210, 212, 218), width=2)
        mask = Image.new("L", (W, H), 0)
        ImageDraw.Draw(mask).rounded_rectangle(RIGHT_ZONE, radius=8, fill=255)
        image.paste(zone, (0, 0), mask)
        d.rounded_rectangle(RIGHT_ZONE, radius=8, outline=(204, 207, 214))
    for text, x, y in CHANNEL_LABELS:
        centred(d, x, y, text, 11, INK)
    for text, x, y in STEREO_LABELS:
        centred(d, x, y, text, 11, INK if stereo else (172, 176, 184))
    # Seats under the knobs.
    for x, y in [(102, 230), (62, 142), (142, 142)] + ([(320, 230), (280, 142), (360, 142)] if stereo else []):
        d.ellipse([x - 1, y - 1, x + 49, y + 49], fill=(232, 234, 238))
    if stereo:
        centred(d, 408, 296, "stereo mode", 9, DIM)
    else:
        centred(d, 408, 288, "unavailable", 11, (190, 74, 52), True)
        centred(d, 408, 301, "in mid / side mode", 9, (160, 96, 84))
    about_plate(d)
    return image


def about_page():
    image = Image.new("RGB", (W, H))
    d = ImageDraw.Draw(image)
    for y in range(H):
        t = y / H
        d.line([0, y, W, y], fill=(int(26 + 10 * t), int(28 + 10 * t), int(34 + 12 * t)))
    d.rounded_rectangle([60, 50, W - 60, H - 50], radius=12, fill=(40, 44, 52), outline=(90, 96, 110))
    centred(d, W / 2, 76, "Brindle", 40, HEADER_INK, True)
    centred(d, W / 2, 128, "stereo utility", 14, (150, 156, 168))
    centred(d, W / 2, 160, "version " + VERSION, 13, HEADER_INK)
    centred(d, W / 2, 184, "made by Orvane", 13, HEADER_INK)
    d.line([120, 214, W - 120, 214], fill=(72, 78, 90))
    centred(d, W / 2, 226, "channel selector, polarity, swap, delay,", 10, (150, 156, 168))
    centred(d, W / 2, 240, "width, panning, gains, mono check and lamp", 10, (150, 156, 168))
    centred(d, W / 2, H - 44, "click anywhere to close", 10, (150, 156, 168))
    return image


def project_version(root):
    """The version in CMakeLists.txt's project() line, the one place it is written."""
    with open(os.path.join(root, "CMakeLists.txt")) as cmake:
        match = re.search(r"project\(Brindle VERSION ([0-9]+\.[0-9]+\.[0-9]+)", cmake.read())
    if not match:
        sys.exit("make_artwork.py: no project(Brindle VERSION ...) in CMakeLists.txt")
    return match.group(1)
# ---- Meter panel --------------------------------------------------------------
# Drawn at x = 470 to the right of the pages. Positions are in editor pixels and must
# match plugin/MeterPanel.h.

PANEL_X, PANEL_W = 470, 250
METER_ZONE = [478, 46, 712, 314]
CORRELATION_BAR = [490, 68, 700, 80]
SCOPE = [490, 102, 619, 231]
LEVEL_TOP, LEVEL_BOTTOM = 110, 286  # +6 dBFS and -60 dBFS
LEVEL_BARS = [646, 658, 682, 694]  # left edges of input L, R and output L, R, 10 wide
CLIP_LAMPS_TOP = 96
TRACK = (38, 42, 50)


def level_y(db):
    return LEVEL_TOP + (6.0 - db) * (LEVEL_BOTTOM - LEVEL_TOP) / 66.0


def meter_panel():
    image = Image.new("RGB", (W + PANEL_W, H))
    d = ImageDraw.Draw(image)
    for y in range(H):
        t = y / H
        c = (int(228 - 16 * t), int(230 - 16 * t), int(235 - 15 * t))
        d.line([0, y, W + PANEL_W, y], fill=c)
    d.rectangle([0, 0, W + PANEL_W, 38], fill=(38, 42, 50))
    d.line([0, 38, W + PANEL_W, 38], fill=(20, 22, 26))
    d.rounded_rectangle(METER_ZONE, radius=8, fill=PANEL_FILL, outline=PANEL_EDGE)
    f = font(9)
    centred(d, 595, 50, "Correlation", 11, INK)
    x0, y0, x1, y1 = CORRELATION_BAR
    d.rectangle([x0 - 1, y0 - 1, x1, y1], outline=PANEL_EDGE)
    d.rectangle([x0, y0, x1 - 1, y1 - 1], fill=TRACK)
    for value, text in ((-1, "-1"), (-0.5, ""), (0, "0"), (0.5, ""), (1, "+1")):
        x = round(595 + 105 * value)
        x = min(x, x1 - 1)
        d.line([x, y1 + 1, x, y1 + 3], fill=DIM)
        if text:
            centred(d, x, y1 + 3, text, 9, DIM)
    # Vectorscope face: mid up, side across, L and R on the diagonals.
    x0, y0, x1, y1 = SCOPE
    d.rectangle([x0 - 1, y0 - 1, x1, y1], outline=PANEL_EDGE)
    d.rectangle([x0, y0, x1 - 1, y1 - 1], fill=TRACK)
    cx, cy = (x0 + x1 - 1) / 2, (y0 + y1 - 1) / 2
    guide = (58, 63, 74)
    d.line([cx, y0, cx, y1 - 1], fill=guide)
    d.line([x0, cy, x1 - 1, cy], fill=guide)
    d.line([x0, y0, x1 - 1, y1 - 1], fill=(48, 52, 62))
    d.line([x1 - 1, y0, x0, y1 - 1], fill=(48, 52, 62))
    d.text((x0 + 3, y0 + 2), "L", font=f, fill=(120, 126, 140))
    d.text((x1 - 9, y0 + 2), "R", font=f, fill=(120, 126, 140))
    d.text((cx + 3, y0 + 2), "M", font=f, fill=(120, 126, 140))
    d.text((x1 - 9, cy + 2), "S", font=f, fill=(120, 126, 140))
    # Level meters with their dBFS scale.
    for left in LEVEL_BARS:
        d.rectangle([left - 1, LEVEL_TOP - 1, left + 10, LEVEL_BOTTOM], outline=PANEL_EDGE)
        d.rectangle([left, LEVEL_TOP, left + 9, LEVEL_BOTTOM - 1], fill=TRACK)
    for db in (6, 0, -6, -12, -20, -30, -40, -60):
        y = round(level_y(db))
        y = min(y, LEVEL_BOTTOM - 1)
        text = "+6" if db > 0 else str(db)
        w = d.textlength(text, font=f)
        d.text((641 - w, y - 6), text, font=f, fill=DIM)
        d.line([643, y, 644, y], fill=DIM)
        d.line([670, y, 679, y], fill=DIM)
    centred(d, 662, 292, "In", 11, INK)
    centred(d, 698, 292, "Out", 11, INK)
    w = d.textlength("clip", font=f)
    d.text((641 - w, CLIP_LAMPS_TOP - 3), "clip", font=f, fill=DIM)
    return image.crop((PANEL_X, 0, PANEL_X + PANEL_W, H))


def main():
    global VERSION
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
    VERSION = project_version(root)
    img = os.path.join(root, "plugin", "img")
    pages = os.path.join(root, "plugin", "backgrounds")
    save(knob_strip(BLUE, False), os.path.join(img, "knob_mid_blue_48.png"))
    save(knob_strip(GREEN, False), os.path.join(img, "knob_mid_green_48.png"))
    save(knob_strip(BLUE, True), os.path.join(img, "knob_left_blue_48.png"))
    save(strip([square_button(32, on, (46, 48, 54), (36, 38, 44), (120, 210, 255)) for on in (False, True)]),
         os.path.join(img, "button_black_32.png"))
    save(strip([square_button(32, on, (92, 34, 32), (200, 52, 42), (255, 214, 170)) for on in (False, True)]),
         os.path.join(img, "button_red_32.png"))
    save(strip([round_button(20, on) for on in (False, True)]), os.path.join(img, "button_red_20.png"))
    save(strip([lamp_frame(i / 31.0) for i in range(32)]), os.path.join(img, "led_red_48.png"))
    save(page(True).convert("RGBA"), os.path.join(pages, "Brindle_Background1.png"))
    save(page(False).convert("RGBA"), os.path.join(pages, "Brindle_Background2.png"))
    save(about_page().convert("RGBA"), os.path.join(pages, "Brindle_About.png"))
    save(meter_panel().convert("RGBA"), os.path.join(pages, "Brindle_Meters.png"))


if __name__ == "__main__":
    main()
