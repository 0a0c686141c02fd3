#!/usr/bin/env python3
"""From a press of the scanner's button to the stored JPEG, with the real
programs: Pelidor and Vantrel on the simulated scanner in still mode at
2592 x 1944, the button pressed with tavrel-sim. Each step is timed by the
moment its line appears in Vantrel's log.txt (polled every millisecond),
the end by the moment the picture's file appears in the folder shown.

Usage: bench/press_to_jpeg.py [RUNS] [BUILD_DIR]   (defaults: 10, build)
"""
import os
import shutil
import statistics
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

    try:
        err = open(os.path.join(work, "vantrel.err"), "w+")
        programs.append(subprocess.Popen([os.path.join(BIN, "Pelidor"), pictures], env=env,
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        wait(lambda: '"Pelidor"' in run("tavrel-tool", "windows"))
        programs.append(subprocess.Popen([os.path.join(BIN, "Vantrel")], env=env,
                                         stdout=subprocess.DEVNULL, stderr=err))
        wait(lambda: "Vantrel: running" in open(err.name).read())

        results = []
        for i in range(RUNS + 1):  # the first run warms up
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
                if set(os.listdir(pictures)) - before_files:
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
            if i == 0:
                continue
            marks = [start] + [seen.get(m, start) for m, _ in STEPS] + [stored]
            results.append([1000 * (b - a) for a, b in zip(marks, marks[1:])])

        names = ["press to " + STEPS[0][1]] + [d for _, d in STEPS[1:]] + \
                ["handed over, encoded and stored (file there)"]
        print(f"press to stored JPEG, 2592 x 1944, still mode, {RUNS} runs (median ms):")
        for n, name in enumerate(names):
            print(f"  {statistics.median(r[n] for r in results):8.1f}  {name}")
        totals = [sum(r) for r in results]
        print(f"  {statistics.median(totals):8.1f}  total (min {min(totals):.1f}, "
              f"max {max(totals):.1f})")
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
