#!/usr/bin/env python3
"""A second model of the renderer's arithmetic, written apart from the C++ in
plain Python (doubles, rounded to 32-bit floats where a float is kept),
checked byte for byte against lx360render's output frames.

    model_check.py LX360RENDER WORK_DIR
"""
import math
import os
import struct
import subprocess
import sys


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def rne(x):
    return int(round(x))  # Python rounds halves to even


PI_F = f32(math.pi)
DEG = f32(0.017453292)


class Model:
    def __init__(self, width, height, pixels, wide, eye_lens):
        self.W, self.H = width, height
        self.src = pixels  # bytes, bottom-up rows, 4 bytes a pixel, with slack
        self.prepare(wide, eye_lens)

    # Source preparation.
    def prepare(self, wide, eye_lens):
        W, H = self.W, self.H
        if H < 400:
            self.h = H
            self.w = 4 * (rne(f32(1.3333) * H) // 4)
        else:
            self.w, self.h = (1064, 600) if wide else (800, 600)
        self.pixel_angle = f32(2.0 / self.w)
        self.aspect = f32(self.h / self.w)
        self.x_first = -((self.w - 1) >> 1)
        self.y_first = -(self.h >> 1)

        self.secant = []
        t = 0.0
        for _ in range(4096):
            t = f32(t + 1.0 / 4096)
            self.secant.append(rne(4096 * math.sqrt(t * t + 1)))
        self.secant.append(rne(4096 * math.sqrt(2.0)))

        ppr = f32(W / (PI_F * 2))
        mid_row, mid_col = rne(H / 2), rne(W / 2)
        self.quarter, self.half = 64 * W, 128 * W
        self.angle, self.row_up, self.row_down = [], [], []
        self.col_fr, self.col_fl, self.col_br, self.col_bl = [], [], [], []

        def wrap(c):
            return c + W if c < 0 else (c - W if c >= W else c)

        t = 0.0
        for i in range(4097):
            t = f32(t + 1.0 / 4096)
            if i < 4096:
                alpha = math.pi / 2 if t == 1.0 else math.atan(t / (1 - t))
                self.angle.append(rne(alpha * ppr * 256 + 0.5))
                a = rne(alpha * ppr + 0.5)
            else:
                self.angle.append(rne(PI_F * ppr / 2 * 256 + 0.5))
                a = rne(PI_F * ppr / 2 + 0.5)
            self.col_bl.append(wrap(a))
            self.row_up.append(min(max(mid_row + a, 0), H - 1))
            self.row_down.append(min(max(mid_row - a + 1, 1), H))
            self.col_fr.append(wrap(mid_col + a))
            self.col_fl.append(wrap(mid_col - a))
            self.col_br.append(wrap(W - a))

        pitch_max, pitch_min = 90.0, -90.0
        fov_start = f32(125.0)
        v = f32(180.0 * H / W)
        if v < pitch_max:
            pitch_max = v
        if -v > pitch_min:
            # A band no higher than the eye-lens margin is shown without it.
            pitch_min = f32(-v + (eye_lens if 2 * v > eye_lens else 0))
        h = v
        while 2 * h >= pitch_max - pitch_min:
            fov_start = f32(fov_start / f32(1.00999999))
            h = self.half_vfov(fov_start)
        self.initial = (-90.0, 0.0, fov_start)
        self.limits = (pitch_min, pitch_max)

    def half_vfov(self, fov):
        return f32(math.atan(math.tan(fov * f32(0.0087266397)) * self.aspect) * f32(57.29578))

    def matrix(self, yaw, pitch, fov):
        fov_rad = f32(DEG * fov)
        plane = f32(self.pixel_angle * math.tan(0.5 * fov_rad))
        fixed = f32(131072 / fov_rad) if fov_rad > 0.3 else f32(131072 / 0.3)
        th, ps = f32(DEG * pitch), f32(DEG * yaw)
        ct, st = f32(math.cos(th)), f32(math.sin(th))
        cp, sp = f32(math.cos(ps)), f32(math.sin(ps))
        P = [[1, 0, 0], [0, ct, -st], [0, st, ct]]
        Q = [[cp, 0, sp], [0, 1, 0], [-sp, 0, cp]]
        R = [[f32(sum(Q[r][k] * P[k][c] for k in range(3))) for c in range(3)] for r in range(3)]
        for r in range(3):
            for c in range(2):
                R[r][c] = f32(R[r][c] * plane)
        return [[rne(R[r][c] * fixed + 0.5) for c in range(3)] for r in range(3)]

    # Kernels.
    def pixel(self, col, row):
        at = row * 4 * self.W + 4 * col
        return self.src[at:at + 4]

    def length(self, p, q):
        return (self.secant[(q << 12) // p] * p) >> 12

    def nearest(self, m, out):
        W = self.W
        for r in range(self.h):
            y = self.y_first + 1 + r
            Y = m[1][1] * y + m[1][2]
            table, v = (self.row_up, Y) if Y >= 0 else (self.row_down, -Y)
            s = v << 12
            for k in range(self.w):
                x = self.x_first + 1 + k
                X = m[0][0] * x + m[0][1] * y + m[0][2]
                Z = m[2][0] * x + m[2][1] * y + m[2][2]
                if Z == 0:
                    col = 3 * (W >> 2) if X > 0 else W >> 2
                    i = s // (v + abs(X))
                else:
                    side, along = abs(X), abs(Z)
                    if side > along:
                        rho, c = self.length(side, along), 4096 - (along << 12) // (side + along)
                    else:
                        rho, c = self.length(along, side), (side << 12) // (side + along)
                    if Z > 0:
                        col = self.col_fr[c] if X > 0 else self.col_fl[c]
                    else:
                        col = self.col_bl[c] if X < 0 else self.col_br[c]
                    i = s // (v + rho)
                at = 4 * (r * self.w + k)
                out[at:at + 4] = self.pixel(col, table[i])

    def angle_of(self, a, b):
        if a > 0:
            return self.angle[(b << 12) // (a + b)] if b > 0 else -self.angle[(-b << 12) // (a - b)]
        if a == 0:
            return self.quarter if b > 0 else -self.quarter
        if b < 0:
            return self.angle[(-b << 12) // (-a - b)] - self.half
        return self.half - self.angle[(b << 12) // (-a + b)]

    def bilinear(self, m, out):
        W, H = self.W, self.H
        cx, cy = W >> 1, (H - 1) >> 1
        for r in range(1, self.h):
            y = self.y_first + r
            Y = m[1][1] * y + m[1][2]
            for k in range(self.w - 1):
                x = self.x_first + 1 + k
                X = m[0][0] * x + m[0][1] * y + m[0][2]
                Z = m[2][0] * x + m[2][1] * y + m[2][2]
                lam = self.angle_of(Z, X)
                p, q = abs(Z), abs(X)
                rho = self.length(p, q) if p > q else (0 if q == 0 else self.length(q, p))
                phi = self.angle_of(rho, Y)
                col, row = (lam >> 8) + cx, (phi >> 8) + cy
                if col < 0 or row < 0 or col > W - 1 or row > H - 2:
                    continue
                fx, fy = lam & 255, phi & 255
                right = 0 if col == W - 1 else col + 1
                L, R = self.pixel(col, row), self.pixel(right, row)
                L2, R2 = self.pixel(col, row + 1), self.pixel(right, row + 1)
                at = 4 * (r * self.w + k)
                for b in range(3):
                    top = fx * R[b] + (255 - fx) * L[b]
                    bottom = fx * R2[b] + (255 - fx) * L2[b]
                    out[at + b] = ((top >> 4) * ((255 - fy) << 4) + (bottom >> 4) * (fy << 4)) >> 16
                out[at + 3] = 0


def make_source(path, width, height):
    """A PPM with smooth structure and fine noise; returns bottom-up BGRX bytes."""
    rows = []
    seed = 12345
    for r in range(height):
        row = bytearray()
        for c in range(width):
            seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
            red = ((c * 255 // max(1, width - 1)) ^ (seed >> 20)) & 255
            green = ((r * 255 // max(1, height - 1)) + (seed >> 24)) & 255
            blue = ((c * 7 + r * 13) ^ (seed >> 16)) & 255
            row += bytes((red, green, blue))
        rows.append(row)
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (width, height))
        for row in rows:
            f.write(row)
    pixels = bytearray((width + 4) * (height + 4) * 4)
    for r, row in enumerate(reversed(rows)):  # row 0 is the bottom
        for c in range(width):
            at = 4 * (r * width + c)
            pixels[at:at + 4] = bytes((row[3 * c + 2], row[3 * c + 1], row[3 * c], 255))
    return pixels


def main():
    render, work = sys.argv[1], sys.argv[2]
    os.makedirs(work, exist_ok=True)

    # Known table ends for the sample panorama's width.
    sample_width = Model(3500, 3, bytes((3500 + 4) * 7 * 4), 1, 0)
    assert sample_width.angle[4095] == 224000 and sample_width.angle[4096] == 224001

    sources = [(97, 41), (203, 101), (64, 5), (1001, 500)]
    views = [
        ("high", None, None, None, 1, 0),
        ("draft", None, None, None, 1, 0),
        ("high", 0.0, 0.0, 90.0, 0, 0),
        ("draft", 179.95, -12.5, 70.0, 1, 0),
        ("high", -180.0, 89.0, 120.0, 1, 4),
        ("draft", 33.3, 90.0, 45.0, 0, 0),
        ("high", 271.7, -90.0, 25.0, 1, 0),
        ("high", -45.0, 60.0, 140.0, 0, 4),
    ]
    passed = failed = 0
    for width, height in sources:
        ppm = os.path.join(work, "model_%dx%d.ppm" % (width, height))
        pixels = make_source(ppm, width, height)
        # The full-size frame is slow in Python: two views of it are enough.
        for n, (quality, yaw, pitch, fov, wide, eye) in enumerate(views if height < 400 else views[2:4]):
            model = Model(width, height, pixels, wide, eye)
            y0, p0, f0 = model.initial
            yaw_, pitch_, fov_ = (yaw if yaw is not None else y0, pitch if pitch is not None else p0,
                                  fov if fov is not None else f0)
            out = bytearray(4 * model.w * model.h)
            m = model.matrix(f32(yaw_), f32(pitch_), f32(fov_))
            (model.nearest if quality == "draft" else model.bilinear)(m, out)

            bmp = os.path.join(work, "model_%dx%d_%d.bmp" % (width, height, n))
            args = [render, "--in", ppm, "--out", bmp, "--quality", quality, "--wide", str(wide),
                    "--eye-lens", str(eye)]
            for name, value in (("--yaw", yaw), ("--pitch", pitch), ("--fov", fov)):
                if value is not None:
                    args += [name, repr(value)]
            subprocess.run(args, check=True)
            with open(bmp, "rb") as f:
                data = f.read()
            got = data[54:]
            label = "%dx%d view %d %s" % (width, height, n, " ".join(args[5:]))
            if got == bytes(out):
                passed += 1
            else:
                failed += 1
                diff = sum(1 for a, b in zip(got, out) if a != b)
                print("differs: %s (%d bytes of %d, sizes %d/%d)" % (label, diff, len(out), len(got), len(out)))
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
