#!/usr/bin/env python3
"""Reframing, end to end: videos made by ffmpeg at test time, reframed by
lx360render, read back with ffmpeg.

- Every frame of a lossless reframe equals lx360render's still render of
  that input frame (extracted as PPM) at the view the camera path gives for
  the frame's time; the same for a turning still panorama.
- The audio comes along (copied or encoded anew) with the input's length,
  and --start/--duration cut both streams.
- Bad input ends with status 2, one line naming the culprit, and no file
  under the output name; a video that breaks off still gives its frames.

    reframe_check.py LX360RENDER WORK_DIR
"""
import glob
import json
import os
import shutil
import struct
import subprocess
import sys

BIN = sys.argv[1]
WORK = os.path.join(sys.argv[2], "reframe_check")
failures = []


def fail(text):
    failures.append(text)
    print("FAIL: " + text)


def run(args, **kw):
    return subprocess.run(args, capture_output=True, **kw)


def ffmpeg(*args):
    r = run(["ffmpeg", "-v", "error", "-y", *args])
    if r.returncode != 0:
        sys.exit("ffmpeg failed: %s\n%s" % (" ".join(args), r.stderr.decode()))


def probe(path):
    r = run(["ffprobe", "-v", "error", "-show_streams", "-show_format", "-of", "json", path])
    return json.loads(r.stdout) if r.returncode == 0 else None


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def video_pts(path):
    info = probe(path)
    stream = next(s for s in info["streams"] if s["codec_type"] == "video")
    num, den = (int(v) for v in stream["time_base"].split("/"))
    r = run(["ffprobe", "-v", "error", "-select_streams", "v", "-show_entries", "frame=pts",
             "-of", "csv=p=0", path])
    return [int(line.split(",")[0]) for line in r.stdout.decode().split()], num, den


def lerp(a, b, u):
    return f32(a + (b - a) * u)


def path_view(keys, t):
    """The camera path's view at t (keys need no clamping here)."""
    if t <= keys[0][0]:
        return keys[0][1:]
    if t >= keys[-1][0]:
        return keys[-1][1:]
    n = 1
    while keys[n][0] <= t:
        n += 1
    a, b = keys[n - 1], keys[n]
    u = (t - a[0]) / (b[0] - a[0])
    return tuple(lerp(a[i], b[i], u) for i in (1, 2, 3))


def read_bmp_rows(path):
    """BGR bytes of each row, top row first, from lx360render's 32-bit BMP."""
    data = open(path, "rb").read()
    width, height = struct.unpack_from("<ii", data, 18)
    pixels = data[54:]
    rows = []
    for r in range(height - 1, -1, -1):
        row = pixels[r * width * 4:(r + 1) * width * 4]
        rows.append(bytes(b for i, b in enumerate(row) if i % 4 != 3))
    return width, height, b"".join(rows)


def decoded_frames(path, width, height):
    """BGR bytes of every frame, rows top-down, as ffmpeg decodes the file."""
    r = run(["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "bgr24", "-"])
    size = width * height * 3
    data = r.stdout
    return [data[i:i + size] for i in range(0, len(data) - size + 1, size)]


def still_render(picture, view, extra, out):
    yaw, pitch, fov = view
    args = [BIN, "--in", picture, "--out", out, "--yaw", "%.9g" % yaw, "--pitch", "%.9g" % pitch,
            "--fov", "%.9g" % fov, *extra]
    r = run(args)
    if r.returncode != 0:
        sys.exit("still render failed: %s\n%s" % (" ".join(args), r.stderr.decode()))
    return read_bmp_rows(out)


def compare_frames(name, reframed, frames, views, extra):
    size_args = [a for a in extra]
    for i, (picture, view) in enumerate(zip(frames, views)):
        w, h, expected = still_render(picture, view, size_args, os.path.join(WORK, "still.bmp"))
        if i == 0:
            got_frames = decoded_frames(reframed, w, h)
            if len(got_frames) != len(frames):
                fail("%s: %d frames, expected %d" % (name, len(got_frames), len(frames)))
                return
        if got_frames[i] != expected:
            fail("%s: frame %d differs from the still render at view %s" % (name, i, view))
            return


def reframe(args, expect_status=0):
    r = run([BIN, *args])
    if r.returncode != expect_status:
        fail("%s: status %d, expected %d: %s" % (" ".join(args), r.returncode, expect_status,
                                                 r.stderr.decode()[:300]))
    return r


def camera_path_file(keys):
    path = os.path.join(WORK, "camera.path")
    with open(path, "w") as f:
        f.write("# time,yaw,pitch,fov\n\n")
        f.write("".join("%g,%g,%g,%g\n" % k for k in keys))
    return path


def extract_pictures(video, prefix):
    pattern = os.path.join(WORK, prefix + "_%03d.ppm")
    for old in glob.glob(os.path.join(WORK, prefix + "_*.ppm")):
        os.remove(old)
    ffmpeg("-i", video, "-f", "image2", "-pix_fmt", "rgb24", pattern)
    return sorted(glob.glob(os.path.join(WORK, prefix + "_*.ppm")))


def check_byte_exact():
    video = os.path.join(WORK, "rgb.mkv")
    ffmpeg("-f", "lavfi", "-i", "testsrc2=size=400x200:rate=10:duration=1.2",
           "-c:v", "ffv1", "-pix_fmt", "bgr0", video)
    frames = extract_pictures(video, "in")
    pts, num, den = video_pts(video)

    keys = [(0.0, 170.0, -10.0, 80.0), (0.45, 190.0, 20.0, 60.0), (0.9, 215.0, 0.0, 100.0)]
    path = camera_path_file(keys)
    views = [path_view(keys, (p * num) / den) for p in pts]

    for name, extra in (("default settings", ["--size", "320x180"]),
                        ("draft, soften, inverse", ["--quality", "draft", "--filter", "soften",
                                                    "--effect", "inverse", "--size", "98x62"]),
                        ("viewer's size, sharpen, fog", ["--filter", "sharpen", "--effect", "fog"])):
        for container in ("mkv", "avi"):
            out = os.path.join(WORK, "exact." + container)
            reframe(["--in", video, "--out", out, "--lossless", "--path", path, "--quiet", *extra])
            compare_frames("%s into .%s" % (name, container), out, frames, views, extra)

    # A 4:2:0 video, whose frames are converted only where each view reads
    # them: a path that looks up to the pole and back down, and one behind.
    video420 = os.path.join(WORK, "yuv420.mkv")
    ffmpeg("-f", "lavfi", "-i", "testsrc2=size=800x400:rate=10:duration=1.2",
           "-c:v", "ffv1", "-pix_fmt", "yuv420p", video420)
    frames420 = extract_pictures(video420, "yuv")
    pts, num, den = video_pts(video420)
    keys = [(0.0, -60.0, -5.0, 70.0), (0.5, 20.0, 85.0, 90.0), (1.0, 175.0, -30.0, 50.0)]
    path = camera_path_file(keys)
    views = [path_view(keys, (p * num) / den) for p in pts]
    out = os.path.join(WORK, "exact420.mkv")
    reframe(["--in", video420, "--out", out, "--lossless", "--path", path, "--size", "320x180", "--quiet"])
    compare_frames("4:2:0 video into .mkv", out, frames420, views, ["--size", "320x180"])

    panorama = os.path.join(WORK, "panorama.ppm")
    shutil.copy(frames[3], panorama)
    out = os.path.join(WORK, "still.avi")
    reframe(["--in", panorama, "--out", out, "--lossless", "--fps", "5", "--duration", "1",
             "--turn", "40", "--yaw", "-100", "--pitch", "15", "--fov", "70", "--quiet"])
    views = [(f32(-100.0 + 40.0 * (i / 5.0)), 15.0, 70.0) for i in range(5)]
    compare_frames("turning still panorama", out, [panorama] * 5, views, [])


def stream_seconds(info, kind):
    for s in info["streams"]:
        if s["codec_type"] == kind:
            if "duration" in s:
                return float(s["duration"])
            tags = s.get("tags", {})
            for key, value in tags.items():
                if key.upper().startswith("DURATION"):
                    h, m, sec = value.split(":")
                    return int(h) * 3600 + int(m) * 60 + float(sec)
            return float(info["format"]["duration"])
    return None


def check_audio():
    video = os.path.join(WORK, "av.mkv")
    ffmpeg("-f", "lavfi", "-i", "testsrc2=size=256x128:rate=25:duration=2",
           "-f", "lavfi", "-i", "sine=frequency=440:duration=2",
           "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "pcm_s16le", video)
    cases = [("mkv", [], "pcm_s16le", 2.0), ("mp4", [], "aac", 2.0), ("webm", [], "opus", 2.0),
             ("mov", ["--start", "0.6", "--duration", "0.8"], "pcm_s16le", 0.8),
             ("webm", ["--start", "0.5", "--duration", "1"], "opus", 1.0),
             ("mkv", ["--start", "1.2", "--duration", "5"], "pcm_s16le", 0.8)]
    for container, cut, codec, seconds in cases:
        out = os.path.join(WORK, "audio." + container)
        if reframe(["--in", video, "--out", out, "--size", "128x72", "--quiet", *cut]).returncode != 0:
            continue
        info = probe(out)
        audio = [s for s in info["streams"] if s["codec_type"] == "audio"]
        name = ".%s %s" % (container, " ".join(cut))
        if len(audio) != 1 or audio[0]["codec_name"] != codec:
            fail("%s: audio streams %s, expected one %s" % (name, [a["codec_name"] for a in audio], codec))
            continue
        for kind in ("audio", "video"):
            got = stream_seconds(info, kind)
            if got is None or abs(got - seconds) > 0.08:
                fail("%s: %s lasts %s s, expected %s" % (name, kind, got, seconds))
    out = os.path.join(WORK, "silent.mp4")
    if reframe(["--in", video, "--out", out, "--no-audio", "--quiet"]).returncode == 0:
        if any(s["codec_type"] == "audio" for s in probe(out)["streams"]):
            fail("--no-audio: the output has audio")


def expect_error(name, needle, args, out):
    r = run([BIN, *args])
    lines = r.stderr.decode().splitlines()
    if r.returncode != 2 or len(lines) != 1 or needle not in lines[0]:
        fail("%s: status %d, stderr %r" % (name, r.returncode, r.stderr.decode()[:300]))
    if os.path.exists(out):
        fail("%s: left a file under the output name" % name)
    folder = os.path.dirname(out) or "."
    left = [f for f in os.listdir(folder) if f.endswith(".partial")] if os.path.isdir(folder) else []
    if left:
        fail("%s: left temporary files %s" % (name, left))


def check_errors():
    video = os.path.join(WORK, "av.mkv")
    out = os.path.join(WORK, "bad.mp4")
    text = os.path.join(WORK, "notes.mp4")
    with open(text, "w") as f:
        f.write("this is not a video\n")
    bad_path = os.path.join(WORK, "bad.path")
    with open(bad_path, "w") as f:
        f.write("# keyframes\n0,0,0,90\n\n1,10,0\n")
    falling = os.path.join(WORK, "falling.path")
    with open(falling, "w") as f:
        f.write("0,0,0,90\n2,10,0,90\n1,10,0,90\n")
    header_only = os.path.join(WORK, "header_only.mkv")
    with open(video, "rb") as src, open(header_only, "wb") as dst:
        dst.write(src.read(400))
    expect_error("text file", "notes.mp4: not a picture or video", ["--in", text, "--out", out], out)
    expect_error("missing file", "missing.mkv", ["--in", os.path.join(WORK, "missing.mkv"), "--out", out], out)
    expect_error("path line", "bad.path: line 4", ["--in", video, "--out", out, "--path", bad_path], out)
    expect_error("path order", "falling.path: line 3", ["--in", video, "--out", out, "--path", falling], out)
    expect_error("no path file", "nowhere.path", ["--in", video, "--out", out, "--path",
                                                   os.path.join(WORK, "nowhere.path")], out)
    expect_error("size", "--size", ["--in", video, "--out", out, "--size", "2x600"], out)
    expect_error("preset", "--preset", ["--in", video, "--out", out, "--preset", "glacial"], out)
    expect_error("fps of a video", "--fps", ["--in", video, "--out", out, "--fps", "12"], out)
    expect_error("no frame", "header_only.mkv", ["--in", header_only, "--out", out], out)
    too_wide = os.path.join(WORK, "too_wide.mkv")
    ffmpeg("-f", "lavfi", "-i", "color=size=16400x8:rate=5:duration=0.2", "-c:v", "ffv1", too_wide)
    expect_error("size the core refuses", "too_wide.mkv: video refused", ["--in", too_wide, "--out", out], out)
    panorama = os.path.join(WORK, "panorama.ppm")
    expect_error("--start of a picture", "--start", ["--in", panorama, "--out", out, "--start", "1"], out)
    unwritable = os.path.join(WORK, "no-such-dir", "out.mkv")
    expect_error("unwritable", "no-such-dir", ["--in", video, "--out", unwritable], unwritable)


def check_broken_video():
    video = os.path.join(WORK, "av.mkv")
    broken = os.path.join(WORK, "broken.mkv")
    data = open(video, "rb").read()
    with open(broken, "wb") as f:
        f.write(data[:len(data) * 6 // 10])
    out = os.path.join(WORK, "broken_out.mkv")
    r = reframe(["--in", broken, "--out", out, "--size", "128x72", "--quiet"])
    lines = r.stderr.decode().splitlines()
    if r.returncode == 0:
        if len(lines) != 1 or "broken.mkv" not in lines[0] or "breaks off at frame" not in lines[0]:
            fail("broken video: warning %r" % lines)
        frames = len(decoded_frames(out, 128, 72))
        if not 5 <= frames < 50:
            fail("broken video: %d frames" % frames)


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    check_byte_exact()
    check_audio()
    check_errors()
    check_broken_video()
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
