#!/usr/bin/env python3
"""From a press of the scanner's button to the stored file, as JPEG, 8-bit
TIFF and 16-bit TIFF, with the real programs: Pelidor and Vantrel on the
simulated scanner in still mode at 2592 x 1944, the format chosen in the
dialog's boxes by tavrel-tool message, the button pressed with tavrel-sim.
Each step is timed by the moment its line appears in Vantrel's log.txt
(polled every millisecond), the end by the moment the picture's file appears
in the folder shown (it is written under a hidden name and renamed when whole).

Usage: bench/press_to_file.py [RUNS] [BUILD_DIR]   (defaults: 10, build)
"""
import os
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
RUNS = int(sys.argv[1]) if len(sys.argv) > 1 else 10
BUILD = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else os.path.join(HERE, "..", "build"))
BIN = os.path.join(BUILD, "bin")

# Log lines of one capture in still mode, in the order they come.
STEPS = [
    ("StillPin Snap!", "button seen by the poller"),
    ("Enter CallBack!", "still delivered"),
    ("Post Command!", "still converted to BGR"),
    ("No Image Processing", "capture thread started"),
    ("Mapping File!", "cropped, resampled, processed"),
]

# name, choice in the format box 1043, in the bit-depth box 1044, the stored
# file's extension and bits per sample.
FORMATS = [
    ("JPEG", 0, 0, ".jpg", 8),
    ("TIFF 24", 1, 0, ".tiff", 8),
    ("TIFF 48", 1, 1, ".tiff", 16),
]


def bits_per_sample(path):
    """8 for a JPEG; for a TIFF, from its first directory (libtiff writes it
    after the pixels)."""
    with open(path, "rb") as f:
        head = f.read(8)
        if head[:2] == b"\xff\xd8":
            return 8
        order = {b"II": "<", b"MM": ">"}.get(head[:2])
        if order is None:
            return None
        f.seek(struct.unpack(order + "I", head[4:8])[0])
        for _ in range(struct.unpack(order + "H", f.read(2))[0]):
            tag, _, count, value = struct.unpack(order + "HHI4s", f.read(12))
            if tag == 258:  # BitsPerSample, inline for up to two values
                if count > 2:
                    f.seek(struct.unpack(order + "I", value)[0])
                    value = f.read(2)
                return struct.unpack(order + "H", value[:2])[0]
    return None


def main():
    work = tempfile.mkdtemp(prefix="tavrel-press-")
    env = dict(os.environ)
    env.update(
        TAVREL_RUNTIME_DIR=os.path.join(work, "run"),
        TAVREL_HOME=os.path.join(work, "home"),
        TAVREL_SCANNER="simulated",
        QT_QPA_PLATFORM="offscreen",
    )
    os.makedirs(env["TAVREL_RUNTIME_DIR"], mode=0o700)
    os.makedirs(env["TAVREL_HOME"])
    pictures = os.path.join(work, "Pictures")
    os.makedirs(pictures)
    log = os.path.join(env["TAVREL_HOME"], "log.txt")
    programs = []

    def run(*args):
        return subprocess.run([os.path.join(BIN, args[0]), *args[1:]], env=env,
                              capture_output=True, text=True).stdout

    def wait(condition, seconds=60):
        deadline = time.monotonic() + seconds
        while not condition():
            if time.monotonic() > deadline:
                raise SystemExit("timed out")
            time.sleep(0.001)

    def read_log():
        try:
            with open(log, encoding="utf-8", errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def choose(box, entry):
        # CBN_SELCHANGE with the entry, as a user's choice in the box.
        subprocess.run([os.path.join(BIN, "tavrel-tool"), "message", "--class", "Tavrel Camera",
                        "WM_COMMAND", str(box | 1 << 16), str(entry)], env=env, check=True,
                       capture_output=True)

    def capture():
        """One press to the stored file: the step times (ms) and the file's name."""
        before_log = len(read_log())
        before_files = set(os.listdir(pictures))
        # Pressed once the latch is clear; a press while the sensor is
        # being programmed is dropped, as designed, and pressed again.
        wait(lambda: "button: 0x0000" in run("tavrel-sim", "status"))
        start = time.monotonic()
        run("tavrel-sim", "press")
        seen = {}
        while True:
            now = time.monotonic()
            text = read_log()[before_log:]
            for marker, _ in STEPS:
                if marker not in seen and marker in text:
                    seen[marker] = now
            # The temporary file is hidden; the picture is there once renamed.
            added = {n for n in os.listdir(pictures) if not n.startswith(".")} - before_files
            if added:
                stored = now
                break
            if now - start > 30:
                if "StillPin Snap!" not in text:  # dropped: press again
                    start = time.monotonic()
                    run("tavrel-sim", "press")
                    continue
                raise SystemExit("no picture:\n" + text)
            time.sleep(0.001)
        # The capture ends (button back, latch cleared) before the next press.
        wait(lambda: "Capture End!" in read_log()[before_log:])
        marks = [start] + [seen.get(m, start) for m, _ in STEPS] + [stored]
        return [1000 * (b - a) for a, b in zip(marks, marks[1:])], added.pop()

    try:
        # The format boxes are offered (Pelidor fills the program folder with
        # the rest of the defaults).
        with open(os.path.join(env["TAVREL_HOME"], "Can48Bit.ini"), "w") as f:
            f.write("[Can48Bit]\nCan48Bit=1\n")
        err = open(os.path.join(work, "vantrel.err"), "w+")
        programs.append(subprocess.Popen([os.path.join(BIN, "Pelidor"), pictures], env=env,
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        wait(lambda: '"Pelidor"' in run("tavrel-tool", "windows"))
        programs.append(subprocess.Popen([os.path.join(BIN, "Vantrel")], env=env,
                                         stdout=subprocess.DEVNULL, stderr=err))
        wait(lambda: "Vantrel: running" in open(err.name).read())

        names = ["press to " + STEPS[0][1]] + [d for _, d in STEPS[1:]] + \
                ["handed over, encoded and stored (file there)"]
        table = {}
        for label, box_format, box_depth, extension, bits in FORMATS:
            choose(1043, box_format)
            choose(1044, box_depth)
            results = []
            for i in range(RUNS + 1):  # the first run warms up
                steps, name = capture()
                path = os.path.join(pictures, name)
                if not name.endswith(extension) or bits_per_sample(path) != bits:
                    raise SystemExit(f"{label}: stored {name} with {bits_per_sample(path)} bits")
                os.remove(path)  # the folder stays small, as the road does not depend on it
                if i:
                    results.append(steps)
            table[label] = results

        print(f"press to stored file, 2592 x 1944 still mode (stored 2400 x 1800), "
              f"{RUNS} runs each, median ms:")
        print(f"  {'step':46s}" + "".join(f"{label:>10s}" for label, *_ in FORMATS))
        for n, name in enumerate(names):
            print(f"  {name:46s}" + "".join(
                f"{statistics.median(r[n] for r in table[label]):10.1f}"
                for label, *_ in FORMATS))
        print(f"  {'total':46s}" + "".join(
            f"{statistics.median(sum(r) for r in table[label]):10.1f}" for label, *_ in FORMATS))
        print(f"  {'total, min':46s}" + "".join(
            f"{min(sum(r) for r in table[label]):10.1f}" for label, *_ in FORMATS))
        print(f"  {'total, max':46s}" + "".join(
            f"{max(sum(r) for r in table[label]):10.1f}" for label, *_ in FORMATS))
    finally:
        for window in ("Tavrel Camera", "Pelidor"):
            run("tavrel-tool", "message", "--class", window, "WM_CLOSE")
        for p in programs:
            try:
                p.wait(timeout=120)
            except subprocess.TimeoutExpired:
                p.kill()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
