#!/usr/bin/env python3
"""Presented frames per second and processor time per frame of the bench window's live view.

    python3 tools/present_bench.py [--program build/bin/tervix] [--seconds 10] [--repeat 2]

For each camera (640 x 512 and 1280 x 1024 detectors at 50 and 60 Hz, made from the shipped Camera2)
the window runs maximized on its own Xvfb screen of 1920 x 1200 with Mesa's software OpenGL. The
frames are counted where they reach the screen, from the lines `tervix --frame-log` writes; the
processor time is the whole process's (every thread, the GL rasterizer's included), from
/proc/PID/stat over the same interval. Not part of ./test.sh: it takes a minute or two and its
figures depend on the machine and on what else runs on it, so the load average is printed beside them.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
DATA = os.path.join(ROOT, "data")


def camera_file(source, width, height, rate):
    """Camera2's file with another detector format (same pixel angle) and frame rate."""
    lines = open(source).read().split("\n")
    fields = lines[5].split()
    scale_x, scale_y = width / float(fields[8]), height / float(fields[9])
    fields[1] = "%f" % (float(fields[1]) * scale_x)  # fields of view
    fields[2] = "%f" % (float(fields[2]) * scale_y)
    fields[8], fields[9] = str(width), str(height)  # sensor format
    lines[5] = " ".join(fields) + " "
    optics = lines[7].split()
    # The line ends: three-field flag, frame rate, atmosphere temperature, 0, blur mode, 0.
    optics[-5] = "%f" % rate
    lines[7] = " ".join(optics)
    detector = lines[16].split()
    detector[7], detector[8] = str(width), str(height)  # matrix columns and rows
    lines[16] = " " + " ".join(detector)
    return "\n".join(lines)


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        stat = f.read()
    fields = stat[stat.rindex(")") + 2:].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")  # utime + stime


def frames_between(log, start, end):
    count = 0
    with open(log) as f:
        for line in f:
            parts = line.split()
            if len(parts) == 2 and start <= float(parts[0]) < end:
                count += 1
    return count


def measure(program, folder, warmup, seconds, display):
    log = os.path.join(folder, "frames.log")
    if os.path.exists(log):
        os.remove(log)
    env = dict(os.environ, DISPLAY=display, LIBGL_ALWAYS_SOFTWARE="1")
    process = subprocess.Popen([program, "--frame-log", log], cwd=folder, env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(warmup)
        if process.poll() is not None:
            raise RuntimeError("the window program ended early")
        t0, c0 = time.monotonic(), cpu_seconds(process.pid)
        time.sleep(seconds)
        t1, c1 = time.monotonic(), cpu_seconds(process.pid)
    finally:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
    frames = frames_between(log, t0, t1)
    fps = frames / (t1 - t0)
    cpu = (c1 - c0) / (t1 - t0)
    return fps, cpu, (c1 - c0) * 1000.0 / frames if frames else float("inf")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--program", default=os.path.join(ROOT, "build", "bin", "tervix"))
    parser.add_argument("--seconds", type=float, default=10.0)
    parser.add_argument("--warmup", type=float, default=4.0)
    parser.add_argument("--repeat", type=int, default=1)
    args = parser.parse_args()
    program = os.path.abspath(args.program)

    display_number = 99
    while os.path.exists("/tmp/.X%d-lock" % display_number):
        display_number += 1
    display = ":%d" % display_number
    server = subprocess.Popen(["Xvfb", display, "-screen", "0", "1920x1200x24", "-nolisten", "tcp"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1.0)
    print("load average before: %s" % " ".join(open("/proc/loadavg").read().split()[:3]))
    print("%-10s %5s %8s %7s %12s %6s" % ("camera", "Hz", "frames/s", "of rate", "CPU ms/frame", "CPU %"))
    try:
        for width, height in ((640, 512), (1280, 1024)):
            for rate in (50.0, 60.0):
                folder = tempfile.mkdtemp(prefix="tervix_present_")
                with open(os.path.join(folder, "camera1.par"), "w") as f:
                    f.write(camera_file(os.path.join(DATA, "camera2.par"), width, height, rate))
                shutil.copy(os.path.join(DATA, "mira.tag"), folder)
                shutil.copy(os.path.join(DATA, "Atmosphere.ini"), folder)
                for _ in range(args.repeat):
                    fps, cpu, per_frame = measure(program, folder, args.warmup, args.seconds, display)
                    print("%-10s %5.0f %8.2f %6.1f%% %12.2f %5.0f%%" % (
                        "%dx%d" % (width, height), rate, fps, 100.0 * fps / rate, per_frame, 100.0 * cpu))
                    sys.stdout.flush()
                shutil.rmtree(folder)
    finally:
        server.terminate()
        server.wait()
    print("load average after: %s" % " ".join(open("/proc/loadavg").read().split()[:3]))


if __name__ == "__main__":
    main()
