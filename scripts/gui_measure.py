#!/usr/bin/env python3
"""Start-up time and resident memory of the GUI program, offscreen.

Start-up: wall time from exec to the start-up guide's box line on stderr
(VOXMERE_AUTO_ANSWER=1 prints "BOX: title: text" where the box opens).
Memory: VmRSS two seconds after the guide, with the editor opened by
VOXMERE_BENCH_OPEN_EDITOR=1, and without it for comparison. With
LIBRARY_DATA_HOME set (an XDG data folder whose voxmere/library.sqlite holds
an indexed collection), also with the library window open on it
(VOXMERE_BENCH_OPEN_LIBRARY=1), five seconds after the guide; and with the
bank under construction filled and the duplicates of the whole library shown
(VOXMERE_BENCH_OPEN_LIBRARY=2), two seconds after the program says they show.
"""
import os
import signal
import statistics
import subprocess
import sys
import threading
import time

GUIDE = "BOX: 最初に設定してください"


DUPLICATES = "BENCH: duplicates shown"


def start(program, open_editor, library_home=None, library_mode="1"):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", VOXMERE_AUTO_ANSWER="1")
    env.pop("VOXMERE_BENCH_OPEN_EDITOR", None)
    env.pop("VOXMERE_BENCH_OPEN_LIBRARY", None)
    if open_editor:
        env["VOXMERE_BENCH_OPEN_EDITOR"] = "1"
    if library_home:
        env["XDG_DATA_HOME"] = library_home
        env["VOXMERE_BENCH_OPEN_LIBRARY"] = library_mode
    t0 = time.monotonic()
    proc = subprocess.Popen([program, "--virtual-dx7"], env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    return proc, t0


def wait_for_guide(proc, timeout=30.0):
    """Seconds (monotonic) when the guide line arrived, and the list that
    collects the rest of stderr as it is drained."""
    seen = threading.Event()
    when = []
    cpu = []
    lines = []

    def read():
        for raw in proc.stderr:
            line = raw.decode("utf-8", "replace")
            lines.append(line)
            if not seen.is_set() and line.startswith(GUIDE):
                when.append(time.monotonic())
                cpu.append(cpu_ms(proc.pid))
                seen.set()

    threading.Thread(target=read, daemon=True).start()
    if not seen.wait(timeout):
        stop(proc)
        sys.exit("no start-up guide within %.0f s; stderr:\n%s" % (timeout, "".join(lines)))
    wait_for_guide.cpu = cpu[0]
    return when[0], lines


def cpu_ms(pid):
    """User and system time of the process so far, in ms: on a machine
    shared with other work the wall time says how busy it is, this not."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) * 1000.0 / os.sysconf("SC_CLK_TCK")


def stop(proc):
    proc.send_signal(signal.SIGTERM)
    try:
        proc.wait(10)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise RuntimeError("no VmRSS")


def main():
    program = sys.argv[1] if len(sys.argv) > 1 else "build/program/voxmere"
    runs = int(os.environ.get("STARTUP_RUNS", "10"))
    times = []
    cpus = []
    for _ in range(runs):
        proc, t0 = start(program, False)
        times.append((wait_for_guide(proc)[0] - t0) * 1000.0)
        cpus.append(wait_for_guide.cpu)
        stop(proc)
    print("load average %s" % " ".join(open("/proc/loadavg").read().split()[:3]))
    print("start-up to guide (ms), %d runs: %s" % (runs, " ".join("%.1f" % t for t in times)), flush=True)
    print("start-up to guide median: %.1f ms (min %.1f, max %.1f)" %
          (statistics.median(times), min(times), max(times)))
    print("CPU time (user + system) to the guide median: %.0f ms (min %.0f, max %.0f; %d ms ticks)" %
          (statistics.median(cpus), min(cpus), max(cpus), 1000 // os.sysconf("SC_CLK_TCK")))
    for open_editor in (False, True):
        proc, _ = start(program, open_editor)
        _, lines = wait_for_guide(proc)
        time.sleep(2.0)
        kib = rss_and_stop(proc, lines)
        print("resident memory %s: %.1f MiB (VmRSS %d kB)" %
              ("with the editor open" if open_editor else "main window only", kib / 1024.0, kib))
    library_home = os.environ.get("LIBRARY_DATA_HOME")
    if library_home:
        measure_library(program, library_home, "1")
        measure_library(program, library_home, "2")


def rss_and_stop(proc, lines):
    """VmRSS of the running program, which is then stopped. Any box after
    the guide means a window did not open as asked."""
    boxes = [l for l in lines if l.startswith("BOX: ") and not l.startswith(GUIDE)]
    if proc.poll() is not None:
        sys.exit("the program ended early (status %s)" % proc.returncode)
    kib = rss_kib(proc.pid)
    stop(proc)
    if boxes:
        sys.exit("unexpected box: %s" % boxes[0].strip())
    return kib


def measure_library(program, library_home, mode):
    proc, _ = start(program, False, library_home, mode)
    _, lines = wait_for_guide(proc)
    if mode == "2":
        deadline = time.monotonic() + 300.0
        while not any(l.startswith(DUPLICATES) for l in lines):
            if proc.poll() is not None or time.monotonic() > deadline:
                stop(proc)
                sys.exit("the duplicates never showed; stderr:\n%s" % "".join(lines))
            time.sleep(0.2)
        time.sleep(2.0)
    else:
        time.sleep(5.0)
    kib = rss_and_stop(proc, lines)
    if mode == "2":
        said = [l.strip() for l in lines if l.startswith(DUPLICATES)][0]
        print("resident memory with the bank under construction filled and the duplicates shown "
              "(%s): %.1f MiB (VmRSS %d kB)" % (said[len("BENCH: "):], kib / 1024.0, kib))
    else:
        print("resident memory with the library window open: %.1f MiB (VmRSS %d kB)" % (kib / 1024.0, kib))


if __name__ == "__main__":
    main()
