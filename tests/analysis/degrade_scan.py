#!/usr/bin/python3
"""Turn a page rendered by the virtual printer into a simulated scan.

usage: degrade_scan.py PAGE.png OUT.png|OUT.jpg [options]

PAGE.png is a 360 ppi rendering of an A4 sheet with a 60-pixel grey surround,
which is cut off first.  OUT is what a scanner or a phone could hand back,
made with Pillow's resampling so the page readers also see scans that the
C++ degrader did not make.  Steps, in order: crop the surround; damage at
360 ppi (stains, creases, covers, cut); paper tint; resample (--dpi,
--stretch); lid; rotate; perspective; turn; lighting; blur; noise; grey or
b/w; save.  Damage positions are inches on the upright sheet from its
top-left corner.

Rotation grows the image so no corner of the sheet is lost.  Rotation,
perspective and turn are one projective mapping (bicubic), so the page is
interpolated once, and all that shows outside the scanned area gets one
colour: the lid colour, the table colour 404040 for a photo without lid
(--perspective with --lid 0), or 303030 with --lid-open.  The scan is built
in tiles straight into the output: 2400 dpi A4 with a lid needs ~3.3 GB.

examples:
  degrade_scan.py page.png scan.png
  degrade_scan.py page.png scan.jpg --dpi 600 --rotate 1.5 --lid 0.3 --jpeg 70
  degrade_scan.py page.png photo.jpg --dpi 200 --perspective 0.03 --vignette 0.3
"""
import argparse
import math
import os
import sys

import numpy as np
from PIL import Image, ImageFilter

SOURCE_PPI = 360
SURROUND_PX = 60
STAIN_TINT = np.array([0xC8, 0xA0, 0x60], np.float32) / 255
TABLE = (0x40, 0x40, 0x40)
DARK_ROOM = (0x30, 0x30, 0x30)
BW_LEVEL = 160
TILE_WIDTH = 2048
STRIP_PIXELS = 8_000_000  # per strip; bounds the numpy working memory
FILTERS = {"box": Image.Resampling.BOX, "bilinear": Image.Resampling.BILINEAR,
           "bicubic": Image.Resampling.BICUBIC, "lanczos": Image.Resampling.LANCZOS}
TURNS = {90: Image.Transpose.ROTATE_90, 180: Image.Transpose.ROTATE_180,
         270: Image.Transpose.ROTATE_270}


class Failure(Exception):
    pass


class Parser(argparse.ArgumentParser):
    def error(self, message):  # usage mistakes exit 1 like every other failure
        self.print_usage(sys.stderr)
        sys.exit(f"{self.prog}: error: {message}")


def colour(text):
    text = text.lstrip("#")
    if len(text) != 6:
        raise ValueError(text)
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def numbers(text):
    return [float(v) for v in text.split(",")]


def parse_args(argv):
    p = Parser(prog="degrade_scan.py", description=__doc__.split("\n\n", 2)[2],
               usage="%(prog)s PAGE.png OUT.png|OUT.jpg [options]",
               formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("page", help="360 ppi page with its 60-pixel surround")
    p.add_argument("out", help="output, .png or .jpg/.jpeg")
    p.add_argument("--dpi", type=int, default=300, help="scan resolution, 150..2400 (300)")
    p.add_argument("--filter", choices=["auto", *FILTERS], default="auto",
                   help="resampling filter; auto = box when shrinking, else bicubic")
    p.add_argument("--stretch", type=float, default=0, metavar="PERCENT",
                   help="sheet longer (+) or shorter (-) along its height")
    p.add_argument("--paper", type=colour, metavar="RRGGBB", help="paper tint")
    p.add_argument("--lid", type=float, default=0, metavar="INCHES", help="lid border width")
    p.add_argument("--lid-colour", type=colour, default=(0xE8, 0xE8, 0xE4), metavar="RRGGBB",
                   help="lid colour (E8E8E4)")
    p.add_argument("--rotate", type=float, default=0, metavar="DEG",
                   help="skew, counter-clockwise positive, image grows to fit")
    p.add_argument("--turn", type=int, choices=[0, 90, 180, 270], default=0,
                   help="whole scan turned counter-clockwise")
    p.add_argument("--perspective", type=float, default=0, metavar="AMOUNT",
                   help="top edge narrower than the bottom by this fraction")
    p.add_argument("--vignette", type=float, default=0, metavar="STRENGTH",
                   help="corners darkened to 1 - STRENGTH")
    p.add_argument("--gradient", type=float, default=0, metavar="STRENGTH",
                   help="darker towards the right edge")
    p.add_argument("--gradient-down", type=float, default=0, metavar="STRENGTH",
                   help="darker towards the bottom edge")
    p.add_argument("--lid-open", action="store_true",
                   help="dark surround, shaded right edge band, grey cast")
    p.add_argument("--stain", type=numbers, action="append", default=[], metavar="X,Y,R",
                   help="coffee stain of radius R (repeatable)")
    p.add_argument("--crease", type=float, action="append", default=[], metavar="X",
                   help="vertical fold X inches from the left (repeatable)")
    p.add_argument("--cut", type=float, metavar="Y", help="sheet missing below Y inches")
    p.add_argument("--cover", type=numbers, action="append", default=[], metavar="X,Y,W,H",
                   help="white paper laid over the rectangle (repeatable)")
    p.add_argument("--blur", type=float, default=0, metavar="SIGMA", help="in scan pixels")
    p.add_argument("--noise", type=float, default=0, metavar="SIGMA",
                   help="Gaussian noise per channel")
    look = p.add_mutually_exclusive_group()
    look.add_argument("--grey", action="store_true", help="save greyscale")
    look.add_argument("--bw", action="store_true", help="save black and white")
    p.add_argument("--jpeg", type=int, default=85, metavar="Q", help="JPEG quality (85)")
    p.add_argument("--seed", type=int, default=1, help="for all randomness (1)")
    a = p.parse_args(argv)
    checks = [(150 <= a.dpi <= 2400, "--dpi must be 150..2400"),
              (-20 < a.stretch < 20, "--stretch must be within +-20 percent"),
              (0 <= a.lid <= 4, "--lid must be 0..4 inches"),
              (0 <= a.perspective < 0.5, "--perspective must be 0..0.5"),
              (all(0 <= v <= 1 for v in (a.vignette, a.gradient, a.gradient_down)),
               "lighting strengths must be 0..1"),
              (all(len(s) == 3 and s[2] > 0 for s in a.stain), "--stain needs X,Y,R with R > 0"),
              (all(len(c) == 4 and min(c[2:]) > 0 for c in a.cover),
               "--cover needs X,Y,W,H with W, H > 0"),
              (a.cut is None or a.cut > 0, "--cut must be positive"),
              (a.blur >= 0 and a.noise >= 0, "--blur and --noise must not be negative"),
              (1 <= a.jpeg <= 100, "--jpeg must be 1..100"),
              (a.seed >= 0, "--seed must not be negative"),
              (os.path.splitext(a.out)[1].lower() in (".png", ".jpg", ".jpeg"),
               "OUT must end in .png, .jpg or .jpeg")]
    for ok, message in checks:
        if not ok:
            p.error(message)
    return a


def load_sheet(path):
    page = Image.open(path).convert("RGB")
    w, h = page.size
    if w <= 2 * SURROUND_PX + 100 or h <= 2 * SURROUND_PX + 100:
        raise Failure(f"{path}: {w} x {h} is too small for a page")
    return np.array(page.crop((SURROUND_PX, SURROUND_PX, w - SURROUND_PX, h - SURROUND_PX)))


def add_stain(sheet, x, y, r, rng):
    """Coffee-like: mottled tint, a darker dried rim, a wobbly outline."""
    cx, cy, r = x * SOURCE_PPI, y * SOURCE_PPI, r * SOURCE_PPI
    h, w = sheet.shape[:2]
    x0, x1 = max(0, int(cx - 1.3 * r)), min(w, int(cx + 1.3 * r) + 1)
    y0, y1 = max(0, int(cy - 1.3 * r)), min(h, int(cy + 1.3 * r) + 1)
    if x0 >= x1 or y0 >= y1:
        return
    yy, xx = np.mgrid[y0:y1, x0:x1].astype(np.float32)
    angle = np.arctan2(yy - cy, xx - cx)
    wobble = sum(rng.uniform(0.03, 0.1) / k ** 0.7 * np.sin(k * angle + rng.uniform(0, 7))
                 for k in (2, 3, 5, 8, 13))  # big lobes and small ripples
    d = np.hypot(xx - cx, yy - cy) / (r * (1 + wobble))
    coarse = Image.fromarray(rng.integers(0, 256, (6, 6), dtype=np.uint8))
    mottle = np.asarray(coarse.resize((x1 - x0, y1 - y0), Image.Resampling.BICUBIC),
                        np.float32) / 255
    body = np.clip((1.02 - d) / 0.05, 0, 1) * (0.35 + 0.3 * mottle)
    rim = 0.6 * np.exp(-((d - 0.97) / 0.03) ** 2)
    factor = ((1 - body[..., None] * (1 - STAIN_TINT))
              * (1 - rim[..., None] * (1 - STAIN_TINT)))
    sheet[y0:y1, x0:x1] = (sheet[y0:y1, x0:x1] * factor + 0.5).astype(np.uint8)


def add_crease(sheet, x, rng):
    """A fold: dark line, lit on its left, shaded on its right, gently wavy."""
    h, w = sheet.shape[:2]
    cx, reach = x * SOURCE_PPI, 48  # the sides fade out within ~0.1 inch
    x0, x1 = max(0, int(cx) - reach), min(w, int(cx) + reach + 1)
    if x0 >= x1:
        return
    y = np.arange(h, dtype=np.float32)[:, None]
    centre = (cx + 4 * np.sin(2 * np.pi * y / rng.uniform(1200, 2000) + rng.uniform(0, 7))
              + 1.5 * np.sin(2 * np.pi * y / rng.uniform(300, 500) + rng.uniform(0, 7)))
    dx = np.arange(x0, x1, dtype=np.float32)[None, :] + 0.5 - centre
    band = sheet[:, x0:x1].astype(np.float32)
    shade = np.where(dx > 0, 1 - 0.18 * np.exp(-dx / 12), 1)
    band *= ((1 - 0.5 * np.exp(-(dx / 1.2) ** 2)) * shade)[..., None]
    band += (255 - band) * np.where(dx < 0, 0.3 * np.exp(dx / 12), 0)[..., None]  # lit side
    sheet[:, x0:x1] = np.clip(band + 0.5, 0, 255).astype(np.uint8)


def damage(sheet, args, rng):
    for x, y, r in args.stain:
        add_stain(sheet, x, y, r, rng)
    for x in args.crease:
        add_crease(sheet, x, rng)
    for x, y, w, h in args.cover:  # a plain white slip lies over everything else
        sheet[max(0, round(y * SOURCE_PPI)):max(0, round((y + h) * SOURCE_PPI)),
              max(0, round(x * SOURCE_PPI)):max(0, round((x + w) * SOURCE_PPI))] = 255
    if args.cut is not None:
        keep = round(args.cut * SOURCE_PPI)
        if keep >= sheet.shape[0]:
            raise Failure(f"--cut {args.cut} is below the end of the sheet")
        sheet = sheet[:keep]
    return sheet


def tint_and_shade(sheet, args):
    """Paper tint, and the dimmer band along the right edge under a half-open lid."""
    factor = np.ones((1, sheet.shape[1], 3), np.float32)
    if args.paper:
        factor *= np.array(args.paper, np.float32) / 255
    if args.lid_open:
        band = 1.5 * SOURCE_PPI
        x = np.arange(sheet.shape[1], dtype=np.float32) + 0.5
        t = np.clip((x - (sheet.shape[1] - band)) / band, 0, 1)
        factor *= (1 - 0.3 * t * t)[None, :, None]
    if args.paper or args.lid_open:
        sheet = (sheet * factor + 0.5).astype(np.uint8)
    return Image.fromarray(sheet)


def translate(x, y):
    return np.array([[1, 0, x], [0, 1, y], [0, 0, 1]], float)


def homography(src, dst):
    rows, rhs = [], []
    for (x, y), (u, v) in zip(src, dst):
        rows += [[x, y, 1, 0, 0, 0, -u * x, -u * y], [0, 0, 0, x, y, 1, -v * x, -v * y]]
        rhs += [u, v]
    return np.append(np.linalg.solve(np.array(rows, float), np.array(rhs, float)), 1).reshape(3, 3)


class Scan:
    """The resampled sheet on the lid, and the mapping from there to the output."""

    def __init__(self, sheet, args):
        self.sheet = sheet
        h360, w360 = sheet.height, sheet.width
        self.sw = round(w360 * args.dpi / SOURCE_PPI)
        self.sh = round(h360 * args.dpi / SOURCE_PPI * (1 + args.stretch / 100))
        self.sx, self.sy = self.sw / w360, self.sh / h360
        shrink = args.dpi < SOURCE_PPI  # box: a sensor cell averages the paper it sees
        self.filter = FILTERS[args.filter if args.filter != "auto" else
                              "box" if shrink else "bicubic"]
        self.lid = round(args.lid * args.dpi)
        self.w, self.h = self.sw + 2 * self.lid, self.sh + 2 * self.lid
        self.border = DARK_ROOM if args.lid_open else args.lid_colour
        self.fill = (DARK_ROOM if args.lid_open else TABLE if self.lid == 0 and args.perspective
                     else args.lid_colour)
        self.exact = args.rotate == 0 and args.perspective == 0
        self.turn = TURNS.get(args.turn)
        t = math.radians(args.rotate)
        c, s = math.cos(t), math.sin(t)
        nw = math.ceil(self.w * abs(c) + self.h * abs(s) - 1e-6)
        nh = math.ceil(self.w * abs(s) + self.h * abs(c) - 1e-6)
        rotate = translate(nw / 2, nh / 2) @ np.array([[c, s, 0], [-s, c, 0], [0, 0, 1]]) \
            @ translate(-self.w / 2, -self.h / 2)
        a = args.perspective * nw / 2
        corners = [(0, 0), (nw, 0), (nw, nh), (0, nh)]
        keystone = homography(corners, [(a, 0), (nw - a, 0), (nw, nh), (0, nh)])
        turn = {0: np.eye(3), 90: [[0, 1, 0], [-1, 0, nw], [0, 0, 1]],
                180: [[-1, 0, nw], [0, -1, nh], [0, 0, 1]],
                270: [[0, -1, nh], [1, 0, 0], [0, 0, 1]]}[args.turn]
        self.inverse = np.linalg.inv(np.array(turn, float) @ keystone @ rotate)
        self.size = (nh, nw) if args.turn in (90, 270) else (nw, nh)

    def region(self, x0, y0, x1, y1):
        """Pixels [x0,x1) x [y0,y1) of the sheet on its lid, resampled on demand."""
        out = Image.new("RGB", (x1 - x0, y1 - y0), self.border)
        ox0, oy0 = max(x0, self.lid), max(y0, self.lid)
        ox1, oy1 = min(x1, self.lid + self.sw), min(y1, self.lid + self.sh)
        if ox0 < ox1 and oy0 < oy1:
            w360, h360 = self.sheet.size  # clamped: rounding must not step off the sheet
            box = ((ox0 - self.lid) / self.sx, (oy0 - self.lid) / self.sy,
                   min(w360, (ox1 - self.lid) / self.sx), min(h360, (oy1 - self.lid) / self.sy))
            out.paste(self.sheet.resize((ox1 - ox0, oy1 - oy0), self.filter, box=box),
                      (ox0 - x0, oy0 - y0))
        return out

    def tile(self, u0, v0, u1, v1):
        pts = self.inverse @ np.array([[u0, u1, u1, u0], [v0, v0, v1, v1], [1, 1, 1, 1]], float)
        xs, ys = pts[0] / pts[2], pts[1] / pts[2]
        if self.exact:  # only a right-angle turn: pixels map one to one
            box = [round(v) for v in (xs.min(), ys.min(), xs.max(), ys.max())]
            region = self.region(*box)
            return region.transpose(self.turn) if self.turn is not None else region
        x0, y0 = max(0, math.floor(xs.min()) - 3), max(0, math.floor(ys.min()) - 3)
        x1, y1 = min(self.w, math.ceil(xs.max()) + 3), min(self.h, math.ceil(ys.max()) + 3)
        if x0 >= x1 or y0 >= y1:
            return Image.new("RGB", (u1 - u0, v1 - v0), self.fill)
        local = translate(-x0, -y0) @ self.inverse @ translate(u0, v0)
        coeffs = tuple((local / local[2, 2]).flatten()[:8])
        return self.region(x0, y0, x1, y1).transform(
            (u1 - u0, v1 - v0), Image.Transform.PERSPECTIVE, coeffs,
            Image.Resampling.BICUBIC, fillcolor=self.fill)

    def rows(self, v0, v1):
        strip = Image.new("RGB", (self.size[0], v1 - v0))
        for u0 in range(0, self.size[0], TILE_WIDTH):
            strip.paste(self.tile(u0, v0, min(self.size[0], u0 + TILE_WIDTH), v1), (u0, 0))
        return strip


def light(strip, top, size, args):
    if not (args.vignette or args.gradient or args.gradient_down or args.lid_open):
        return strip
    w, h = size
    u = (np.arange(w, dtype=np.float32) + 0.5) / w
    v = (np.arange(top, top + strip.height, dtype=np.float32) + 0.5) / h
    f = np.ones((strip.height, w), np.float32)
    if args.vignette:  # radial quadratic, exactly 1 - strength in the corners
        r2 = ((u - 0.5) ** 2 * w * w)[None, :] + ((v - 0.5) ** 2 * h * h)[:, None]
        f *= 1 - args.vignette * r2 / (0.25 * (w * w + h * h))
    f *= (1 - args.gradient * u)[None, :] * (1 - args.gradient_down * v)[:, None]
    arr = np.asarray(strip, np.float32)  # a fresh array: worked on in place
    arr *= f[..., None]
    if args.lid_open:  # stray light: whites a little dimmer, blacks a little lifted
        arr *= 0.93
        arr += 10
    return to_image(arr)


def to_image(arr):
    arr += 0.5
    return Image.fromarray(np.clip(arr, 0, 255, out=arr).astype(np.uint8))


def add_noise(strip, sigma, rng):
    noise = rng.standard_normal((strip.height, strip.width, len(strip.getbands())), np.float32)
    noise *= sigma
    noise += np.asarray(strip, np.float32)
    return to_image(noise)


def render(scan, args, mode):
    w, h = scan.size
    out = Image.new(mode, (w, h))
    step = max(32, STRIP_PIXELS // w)
    margin = math.ceil(4 * args.blur) + 2 if args.blur else 0
    for index, v0 in enumerate(range(0, h, step)):
        v1 = min(h, v0 + step)
        top, bottom = max(0, v0 - margin), min(h, v1 + margin)
        strip = light(scan.rows(top, bottom), top, scan.size, args)
        if args.blur:
            strip = strip.filter(ImageFilter.GaussianBlur(args.blur))
        strip = strip.crop((0, v0 - top, w, v1 - top))
        if args.noise:
            strip = add_noise(strip, args.noise, np.random.default_rng((args.seed, index)))
        if args.grey or args.bw:
            strip = strip.convert("L")
        if args.bw:
            strip = strip.point(lambda p: 255 if p >= BW_LEVEL else 0)
            if mode == "1":
                strip = strip.convert("1", dither=Image.Dither.NONE)
        out.paste(strip, (0, v0))
    return out


def main(argv):
    args = parse_args(argv)
    jpeg = os.path.splitext(args.out)[1].lower() != ".png"
    try:
        rng = np.random.default_rng(args.seed)
        sheet = tint_and_shade(damage(load_sheet(args.page), args, rng), args)
        scan = Scan(sheet, args)
        mode = "RGB" if not (args.grey or args.bw) else "1" if args.bw and not jpeg else "L"
        out = render(scan, args, mode)
        if jpeg:
            out.save(args.out, "JPEG", quality=args.jpeg, dpi=(args.dpi, args.dpi))
        else:
            out.save(args.out, "PNG", dpi=(args.dpi, args.dpi), compress_level=1)  # the pixels matter, not the size
    except (Failure, OSError, ValueError, MemoryError) as e:
        sys.exit(f"degrade_scan.py: error: {e}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
