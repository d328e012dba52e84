#!/usr/bin/env python3
"""Runs every benchmark against tavrin and the baseline window, side by side, and prints a table.

Everything that goes through a window system runs on a private Xvfb with openbox; the paint
cost against the board's size runs in-process on the offscreen platform. Absolute figures on a
shared machine are noisy: what counts is each ratio tavrin / baseline, taken in the same run.

Usage: run_bench.py --build BUILD_DIR [--quick] [--only FIGURES] [--out FILE]
"""

import argparse
import ctypes
import json
import os
import shutil
import signal
import socket
import statistics
import struct
import subprocess
import sys
import tempfile
import time

PROGRAMS = {
    # name: (binary under the build directory, window title prefix)
    "tavrin": ("app/tavrin", "Tavrin version"),
    "baseline": ("bench/tavrin_baseline", "Baseline"),
}
SCREEN = "1600x1024x24"  # wide enough for both windows side by side
ROOT_COLOUR = "0x3a6ea5"  # anything but the board's black: start-up waits for black
BANNER_SECONDS = 4.0
# The live stroke's zigzag, as xprobe draws it (pixels): margin, band step, move across.
LIVE_MARGIN, LIVE_BAND_STEP, LIVE_DX = 10, 6, 2
LIVE_RATES = (1000, 0)  # moves a second; 0: as fast as the X server takes them
# Single strokes spread by a fifth either way: the median of many pairs is the figure.
LIVE_PAIRS = 21


def log(text):
    print(text, file=sys.stderr, flush=True)


# ---- the X server ---------------------------------------------------------------------------

class XSession:
    def __init__(self):
        self.procs = []
        read_fd, write_fd = os.pipe()
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", SCREEN, "-nolisten", "tcp",
             "-noreset"], pass_fds=(write_fd,), stderr=subprocess.DEVNULL)
        self.procs.append(xvfb)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        self.env = dict(os.environ, DISPLAY=self.display, QT_QPA_PLATFORM="xcb",
                        QT_ENABLE_HIGHDPI_SCALING="0", LC_ALL="C.UTF-8")
        self.env.pop("WAYLAND_DISPLAY", None)
        self.procs.append(subprocess.Popen(["openbox"], env=self.env, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL))
        time.sleep(1.0)

    def park_pointer(self):
        subprocess.run(["xdotool", "mousemove", "1270", "1010"], env=self.env, check=False)

    def close(self):
        for proc in reversed(self.procs):
            end(proc)


def end(proc):
    proc.terminate()
    try:
        proc.wait(5)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


# ---- /proc ----------------------------------------------------------------------------------

def proc_status(pid, key):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return None


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime, stime


def tasks(pid):
    return os.listdir(f"/proc/{pid}/task")


def task_cpu_ns(pid, task):
    """Scheduler time of one thread of the process; 0 once the thread has ended."""
    try:
        with open(f"/proc/{pid}/task/{task}/schedstat") as sched:
            return int(sched.read().split()[0])
    except FileNotFoundError:
        return 0


def cpu_ns(pid):
    return sum(task_cpu_ns(pid, task) for task in tasks(pid))


def task_counters(pid, name, keys):
    """The sum, over all the process's threads, of the counters named keys in
    /proc/PID/task/TID/<name> (lines "key: value")."""
    total = 0
    for task in tasks(pid):
        try:
            with open(f"/proc/{pid}/task/{task}/{name}") as counters:
                for line in counters:
                    if line.startswith(keys):
                        total += int(line.split()[1])
        except FileNotFoundError:
            pass
    return total


def syscalls(pid):
    """System calls made so far by all the process's threads (reads and writes of any kind)."""
    return task_counters(pid, "io", ("syscr", "syscw"))


def pin(pid, cpus):
    """Keeps every thread of the process (and the threads they start) on these processors."""
    for task in tasks(pid):
        try:
            os.sched_setaffinity(int(task), cpus)
        except (ProcessLookupError, FileNotFoundError):
            pass


def cpu_split():
    """All our processors; the one for the server and the probe; the one for the programs."""
    everywhere = os.sched_getaffinity(0)
    if len(everywhere) < 2:
        return everywhere, everywhere, everywhere
    return everywhere, {min(everywhere)}, {max(everywhere)}


def context_switches(pid):
    return task_counters(pid, "status", ("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches"))


# ---- the programs ---------------------------------------------------------------------------

class Bench:
    def __init__(self, build, session, workdir):
        self.build = build
        self.x = session
        self.workdir = workdir
        self.xprobe = os.path.join(build, "bench/tavrin_xprobe")

    def probe(self, *args, timeout=1800, cpus=None):
        result = subprocess.run([self.xprobe, *args], env=self.x.env, capture_output=True,
                                text=True, timeout=timeout,
                                preexec_fn=(lambda: os.sched_setaffinity(0, cpus)) if cpus else None)
        if result.returncode != 0:
            raise RuntimeError(f"xprobe {args[0]} failed: {result.stderr.strip()}")
        return result.stdout

    @staticmethod
    def keys(text):
        values = {}
        for line in text.splitlines():
            if "=" in line and not line.startswith(("run=", "progress")):
                key, value = line.split("=", 1)
                values[key] = value
        return values

    def start(self, name):
        binary, title = PROGRAMS[name]
        self.x.park_pointer()
        out = self.probe("startup", "--name", title, "--log",
                         os.path.join(self.workdir, name + ".log"), "--",
                         os.path.join(self.build, binary))
        values = self.keys(out)
        self.last_start_cpu_ms = float(values["cpu_us_to_first_frame"]) / 1000.0
        return int(values["pid"]), float(values["first_frame_us"]) / 1000.0

    def stop(self, pid):
        try:
            os.kill(pid, signal.SIGTERM)
        except ProcessLookupError:
            return
        deadline = time.time() + 5
        while time.time() < deadline:
            try:
                done, _ = os.waitpid(pid, os.WNOHANG)
            except ChildProcessError:
                done = pid if not os.path.exists(f"/proc/{pid}") else 0
            if done == pid:
                return
            time.sleep(0.05)
        os.kill(pid, signal.SIGKILL)
        try:
            os.waitpid(pid, 0)
        except ChildProcessError:
            pass

    # 5. start-up time and resident memory once started
    def startup(self, name, runs):
        times, rss, cpu = [], [], []
        for _ in range(runs):
            pid, ms = self.start(name)
            cpu.append(self.last_start_cpu_ms)
            time.sleep(1.5)
            rss.append(proc_status(pid, "VmRSS"))
            self.stop(pid)
            times.append(ms)
            time.sleep(0.3)
        return {"first_frame_ms": times, "rss_kib": rss, "cpu_ms": cpu}

    def start_beside(self, name, index):
        pid, _ = self.start(name)
        # Side by side, not overlapping: the window manager would centre both.
        subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                        "^" + PROGRAMS[name][1], "windowmove", str(800 * index), "0"],
                       env=self.x.env, check=False, capture_output=True)
        return pid

    # 6. idle, then 1. latency: both programs side by side in one session, so that the idle
    # seconds are the same seconds for both and the latency runs can alternate between them.
    def idle_and_latency(self, order, idle_seconds, runs, moves):
        pids = {}
        try:
            for index, name in enumerate(order):
                pids[name] = self.start_beside(name, index)
            time.sleep(BANNER_SECONDS)
            for name in order:
                board = self.keys(self.probe("board", "--name", PROGRAMS[name][1]))["board"]
                log(f"  {name}: board at {board}")
                if not board.endswith("x437"):
                    log(f"  warning: {name}'s board is partly hidden")
            before = {n: (cpu_ticks(p), cpu_ns(p), context_switches(p)) for n, p in pids.items()}
            time.sleep(idle_seconds)
            idle = {}
            for name, pid in pids.items():
                ticks0, ns0, switches0 = before[name]
                idle[name] = {"seconds": idle_seconds, "cpu_ticks": cpu_ticks(pid) - ticks0,
                              "cpu_us": (cpu_ns(pid) - ns0) / 1000.0,
                              "switches": context_switches(pid) - switches0}
            latency = {name: [] for name in order}
            for run in range(runs):
                for name in (order if run % 2 == 0 else list(reversed(order))):
                    out = self.probe("latency", "--name", PROGRAMS[name][1], "--runs", "1",
                                     "--first-band", str(run), "--moves", str(moves))
                    for line in out.splitlines():
                        if line.startswith("run="):
                            fields = dict(part.split("=", 1) for part in line.split())
                            samples = [float(v) for v in fields["samples"].split(",") if v]
                            latency[name].append({"missed": int(fields["missed"]),
                                                  "samples": samples})
            return idle, latency
        finally:
            for pid in pids.values():
                self.stop(pid)

    # 7. live strokes: both programs side by side, strokes alternating between them, each in
    # fresh bands of its board; a program whose board is full is started afresh. On a machine
    # of two processors or more, the programs run on the last one and the X server, the window
    # manager and the probe on the first: a stroke's CPU then depends on the program's own work
    # rather than on where the scheduler happened to put four busy threads.
    def live(self, order, pairs, moves, rates):
        pids, bands, boards = {}, {}, {}
        per_band = None
        runs = {name: {rate: [] for rate in rates} for name in order}
        everywhere, server_cpus, program_cpus = cpu_split()
        for proc in self.x.procs:
            pin(proc.pid, server_cpus)

        def restart(name):
            if name in pids:
                self.stop(pids[name])
            pids[name] = self.start_beside(name, order.index(name))
            pin(pids[name], program_cpus)
            time.sleep(BANNER_SECONDS)
            board = self.keys(self.probe("board", "--name", PROGRAMS[name][1]))["board"]
            boards[name] = [int(v) for v in board.split(",")[2].split("x")]
            bands[name] = 0

        try:
            for name in order:
                restart(name)
            for pair in range(pairs):
                for rate in rates:
                    for name in (order if pair % 2 == 0 else list(reversed(order))):
                        width, height = boards[name]
                        per_band = (width - 2 * LIVE_MARGIN) // LIVE_DX + 1
                        need = -(-(moves + 1) // per_band)
                        last_top = LIVE_MARGIN + (bands[name] + need - 1) * LIVE_BAND_STEP
                        if last_top + LIVE_BAND_STEP >= height - LIVE_MARGIN:
                            log(f"  {name}: board full, starting afresh")
                            restart(name)
                        calls = syscalls(pids[name])
                        out = self.keys(self.probe(
                            "live", "--name", PROGRAMS[name][1], "--pid", str(pids[name]),
                            "--moves", str(moves), "--rate-hz", str(rate),
                            "--first-band", str(bands[name]), cpus=server_cpus))
                        calls = syscalls(pids[name]) - calls
                        bands[name] = int(out["next_band"])
                        samples = [float(v) for v in out["latency_us"].split(",") if v]
                        runs[name][rate].append({
                            "sched_us_per_move": float(out["sched_us_per_move"]),
                            "send_us": float(out["send_us"]),
                            "missing": int(out["missing_segments"]), "latency": samples,
                            "syscalls_per_move": calls / moves})
                log(f"  live pair {pair + 1}: " + ", ".join(
                    f"{n} {r} Hz {runs[n][r][-1]['sched_us_per_move']:.1f} µs" for r in rates
                    for n in order))
            return runs
        finally:
            for pid in pids.values():
                self.stop(pid)
            for proc in self.x.procs:
                pin(proc.pid, everywhere)

    # 2. a burst of moves queued while the program is stopped
    def burst(self, name, moves, gap_us):
        pid, _ = self.start(name)
        try:
            time.sleep(BANNER_SECONDS)
            out = self.probe("burst", "--name", PROGRAMS[name][1], "--pid", str(pid),
                             "--moves", str(moves), "--gap-us", str(gap_us))
            return self.keys(out)
        finally:
            self.stop(pid)

    # 4. resident memory over a very long stroke
    def memory(self, name, segments):
        pid, _ = self.start(name)
        try:
            time.sleep(BANNER_SECONDS)
            out = self.probe("memory", "--name", PROGRAMS[name][1], "--pid", str(pid),
                             "--segments", str(segments))
            values = self.keys(out)
            values["progress"] = [line for line in out.splitlines() if line.startswith("progress")]
            return values
        finally:
            self.stop(pid)

    # 3. paint cost per segment against the board's size, in-process
    def paint(self, repetitions, min_time):
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", QT_ENABLE_HIGHDPI_SCALING="0",
                   LC_ALL="C.UTF-8")
        result = subprocess.run(
            [os.path.join(self.build, "bench/tavrin_paint_bench"), "--benchmark_format=json",
             f"--benchmark_repetitions={repetitions}", f"--benchmark_min_time={min_time}",
             # Small and large boards take turns, so that a change in the machine's load
             # does not land on one of them only.
             "--benchmark_enable_random_interleaving=true",
             "--benchmark_report_aggregates_only=true"],
            env=env, capture_output=True, text=True, timeout=1800)
        if result.returncode != 0:
            raise RuntimeError("paint bench failed: " + result.stderr[-2000:])
        data = json.loads(result.stdout)
        figures = {}
        for entry in data["benchmarks"]:
            if entry.get("aggregate_name") == "median":
                figures[entry["run_name"]] = {"cpu_ns": entry["cpu_time"],
                                              "real_ns": entry["real_time"],
                                              "error": entry.get("error_message")}
            if entry.get("error_occurred"):
                figures.setdefault(entry["run_name"], {})["error"] = entry.get("error_message")
        return figures


# ---- 8. the registry file's reading time, in-process --------------------------------------

def parse_times(build, runs):
    """{shape: [(MiB, ms), ...]}: CPU time to read a registry file and release what was read."""
    result = subprocess.run([os.path.join(build, "bench/tavrin_parse_bench"), "--runs", str(runs)],
                            capture_output=True, text=True, timeout=1800, check=True)
    times = {}
    for line in result.stdout.splitlines()[1:-1]:
        shape, mib, ms = line.split()[:3]
        times.setdefault(shape, []).append((float(mib), float(ms)))
    return times


def parse_rows(times):
    worst_ms, worst_shape = max((ms, shape) for shape, runs in times.items() for _, ms in runs)
    # Linear: the time per MiB of the largest file over that of the smallest (a square: 16).
    growth = {shape: (runs[-1][1] / runs[-1][0]) / (runs[0][1] / runs[0][0])
              for shape, runs in times.items()}
    steepest = max(growth, key=growth.get)
    return [(f"8. Registry file read and released, slowest under the 16 MiB cap (ms CPU; {worst_shape})",
             fmt(worst_ms), "", "", "≤ 500", "yes" if worst_ms <= 500 else "no"),
            (f"8. Registry file, time per MiB at 16 MiB / at 1 MiB, steepest shape ({steepest})",
             fmt(growth[steepest], 2), "", "", "≤ 2", "yes" if growth[steepest] <= 2 else "no")]
# ---- Wayland --------------------------------------------------------------------------------
# The same two programs on headless sway (wlroots), whose seat takes a real pointer: wayvnc
# makes a virtual pointer on it and a small RFB client here drives it. sway refuses to run as
# root, so it and every client run as nobody. Needs sway, wayvnc and grim.

AS_NOBODY = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"]
WAYLAND_OUTPUT = "1280x900"
WAYLAND_BOARD_TOP = 40  # logical pixels from the client area's top: below either menu bar
WAYLAND_PAIRS = 9
WAYLAND_MOVES = 2000  # a continuous stroke, at LIVE_RATES[0] moves a second
WAYLAND_ISOLATED = (30, 0.1)  # moves and the pause before each
WAYLAND_BURST = 300  # moves queued while the program is stopped, 1 ms apart


class RfbPointer:
    """A pointer through a VNC server: RFB 3.8, no security, a shared session; nothing is read
    after the server's greeting, since no picture is ever asked for."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port))
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        read = self.sock.makefile("rb").read
        read(12)
        self.sock.sendall(b"RFB 003.008\n")
        if 1 not in read(read(1)[0]):
            raise RuntimeError("the VNC server wants a password")
        self.sock.sendall(b"\x01")
        if read(4) != bytes(4):
            raise RuntimeError("the VNC server refused the session")
        self.sock.sendall(b"\x01")  # ClientInit: shared
        read(struct.unpack(">I", read(24)[20:])[0])  # ServerInit and the desktop's name

    def move(self, x, y, left=False):
        self.sock.sendall(struct.pack(">BBHH", 5, 1 if left else 0, x, y))


def wait_for(what, check, limit=15.0):
    deadline = time.time() + limit
    while time.time() < deadline:
        value = check()
        if value:
            return value
        time.sleep(0.05)
    raise RuntimeError("timed out waiting for " + what)


def wait_idle(pid, quiet=0.03, limit=60.0):
    """Waits until the process has used no CPU for `quiet` seconds."""
    last, since, deadline = cpu_ns(pid), time.time(), time.time() + limit
    while time.time() < deadline:
        time.sleep(0.005)
        now = cpu_ns(pid)
        if now != last:
            last, since = now, time.time()
        elif time.time() - since >= quiet:
            return


def busy_until(moment):
    # time.sleep() oversleeps by more than a fast mouse's interval.
    while time.perf_counter() < moment:
        pass


class WaylandSession(XSession):  # shares close()
    def __init__(self, workdir):
        self.procs = []
        top = os.path.join(workdir, "wayland")
        os.mkdir(top)
        os.chmod(workdir, 0o711)  # nobody passes through to its own folders
        folders = {}
        for name in ("run", "home"):
            folders[name] = os.path.join(top, name)
            os.mkdir(folders[name], 0o700)
            os.chown(folders[name], 65534, 65534)
        config = os.path.join(top, "config")
        with open(config, "w") as out:
            out.write(f"output HEADLESS-1 resolution {WAYLAND_OUTPUT} scale 1\n"
                      'for_window [app_id=".*"] floating enable\ndefault_border none\n')
        os.chmod(config, 0o644)
        self.run = folders["run"]
        self.env = {"PATH": os.environ["PATH"], "HOME": folders["home"],
                    "XDG_RUNTIME_DIR": self.run, "LC_ALL": "C.UTF-8"}
        self.procs.append(subprocess.Popen(
            AS_NOBODY + ["sway", "-c", config], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            env=dict(self.env, WLR_BACKENDS="headless", WLR_LIBINPUT_NO_DEVICES="1",
                     WLR_RENDERER="pixman")))
        socket_name = wait_for("sway", lambda: next(
            (n for n in os.listdir(self.run) if n.startswith("wayland-") and "." not in n), None))
        self.env["WAYLAND_DISPLAY"] = socket_name
        self.env["SWAYSOCK"] = os.path.join(self.run, wait_for("sway's socket", lambda: next(
            (n for n in os.listdir(self.run) if n.startswith("sway-ipc")), None)))
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        self.procs.append(subprocess.Popen(AS_NOBODY + ["wayvnc", "127.0.0.1", str(port)],
                                           env=self.env, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL))
        self.pointer = wait_for("wayvnc", lambda: self.connect(port))
        outputs = self.swaymsg("get_outputs")
        self.refresh_hz = outputs[0]["current_mode"]["refresh"] / 1000.0

    @staticmethod
    def connect(port):
        try:
            return RfbPointer(port)
        except OSError:
            return None

    def swaymsg(self, kind, *command):
        out = subprocess.run(["swaymsg", "-t", kind, *command], env=self.env, capture_output=True,
                             text=True, check=True).stdout
        return json.loads(out) if out.strip() else None

    def client_area(self, pid):
        """The window's client area (x, y, width, height) in logical pixels, or None."""
        nodes = [self.swaymsg("get_tree")]
        while nodes:
            node = nodes.pop()
            if node.get("pid") == pid and node.get("visible"):
                r, w = node["rect"], node["window_rect"]
                return r["x"] + w["x"], r["y"] + w["y"], w["width"], w["height"]
            nodes += node.get("nodes", []) + node.get("floating_nodes", [])
        return None

    def start(self, binary, left, debug_log=None):
        env = dict(self.env, QT_QPA_PLATFORM="wayland", QT_ENABLE_HIGHDPI_SCALING="0")
        if debug_log:
            env["WAYLAND_DEBUG"] = "client"
        with open(debug_log or os.devnull, "w") as log_file:
            proc = subprocess.Popen(AS_NOBODY + [binary], env=env, stdout=subprocess.DEVNULL,
                                    stderr=log_file)
        wait_for("the window", lambda: self.client_area(proc.pid))
        self.swaymsg("command", f"[pid={proc.pid}] move position {left} 20")
        area = wait_for("the window's move", lambda: (lambda a: a and a[0] == left and a)(
            self.client_area(proc.pid)))
        time.sleep(BANNER_SECONDS)
        return proc, area

    def screenshot(self):
        """The screen as its width and its RGB bytes, row after row."""
        data = subprocess.run(AS_NOBODY + ["grim", "-t", "ppm", "-"], env=self.env,
                              capture_output=True, check=True).stdout
        _, size, _, pixels = data.split(b"\n", 3)  # grim writes "P6\nW H\n255\n"
        return int(size.split()[0]), pixels


def wayland_available():
    missing = [tool for tool in ("sway", "wayvnc", "grim", "setpriv") if not shutil.which(tool)]
    missing += ["root"] if os.geteuid() != 0 else []
    if missing:
        log("wayland: skipped, missing " + ", ".join(missing))
    return not missing


def wayland_zigzag(area, moves, first_band):
    """The live strokes' zigzag on the board of a client area, every point a corner; bands
    wrap round to the top of the board."""
    x0, y0, width, height = area
    top0 = y0 + WAYLAND_BOARD_TOP + LIVE_MARGIN
    bands = (height - WAYLAND_BOARD_TOP - 2 * LIVE_MARGIN) // LIVE_BAND_STEP
    across = (width - 2 * LIVE_MARGIN) // LIVE_DX
    points, band = [], first_band
    while len(points) < moves + 1:
        top = top0 + (band % bands) * LIVE_BAND_STEP
        for i in range(across + 1):
            column = i if band % 2 == 0 else across - i
            points.append((x0 + LIVE_MARGIN + column * LIVE_DX, top + (3 if i % 2 else 0)))
        band += 1
    return points[:moves + 1]


def wayland_stroke(pointer, points, pause):
    """A press at the first point, then a move to each point `pause` seconds after the one
    before, the left button held; the caller releases it at the point returned."""
    pointer.move(*points[0])
    time.sleep(0.05)
    pointer.move(*points[0], left=True)
    due = time.perf_counter()
    for point in points[1:]:
        due += pause
        busy_until(due)
        pointer.move(*point, left=True)
    return points[-1]


def wayland_commits(log_path):
    """From a WAYLAND_DEBUG=client log: for each stroke, the times (ms) of its pointer motions
    (press to release) and of the commits of the window's surface until the next press."""
    surface, strokes, clock = None, [], 0.0
    with open(log_path, errors="replace") as log_file:
        for line in log_file:
            if not line.startswith("["):
                continue
            stamp, _, message = line[1:].partition("]")
            # Microseconds of the real-time clock modulo 2^32, printed as milliseconds.
            ms = float(stamp)
            while ms < clock - 2 ** 31 / 1000:
                ms += 2 ** 32 / 1000
            clock = ms
            message = message.strip()
            if surface is None and ".get_xdg_surface(" in message:
                surface = message.rsplit("wl_surface@", 1)[1].rstrip(")")
            elif message.startswith("wl_pointer@") and ".button(" in message:
                if message.endswith(", 1)"):
                    strokes.append({"motions": [], "commits": []})
                else:
                    strokes[-1]["end"] = ms
            elif message.startswith("wl_pointer@") and ".motion(" in message:
                if strokes and "end" not in strokes[-1]:
                    strokes[-1]["motions"].append(ms)
            elif strokes and message == f"-> wl_surface@{surface}.commit()":
                # The last moves' commit may come after the release.
                strokes[-1]["commits"].append(ms)
    return strokes


def wayland_delays(stroke):
    """For each motion, milliseconds until the first commit after it."""
    delays, commits = [], iter(stroke["commits"])
    commit = next(commits, None)
    for motion in stroke["motions"]:
        while commit is not None and commit < motion:
            commit = next(commits, None)
        if commit is not None:
            delays.append(commit - motion)
    return delays


def wayland_regime(build, workdir, pairs, moves):
    """CPU per move alternating in pairs (no WAYLAND_DEBUG: its writes cost CPU), a zig-zag
    queued while each program is stopped, then commits and delays from one logged session."""
    order = ["tavrin", "baseline"]
    binaries = {name: os.path.join(build, PROGRAMS[name][0]) for name in order}
    session = WaylandSession(workdir)
    everywhere, server_cpus, program_cpus = cpu_split()
    result = {name: {"cpu_us_per_move": [], "main_us_per_move": [], "missing_corners": 0}
              for name in order}
    result["refresh_hz"] = session.refresh_hz
    procs = {}
    try:
        for proc in session.procs:
            pin(proc.pid, server_cpus)
        os.sched_setaffinity(0, server_cpus)
        period = 1.0 / LIVE_RATES[0]
        bands_per_stroke = moves // 300 + 1  # a band takes about 300 moves on either board
        for index, name in enumerate(order):
            procs[name] = session.start(binaries[name], 10 + 640 * index)
            pin(procs[name][0].pid, program_cpus)
        for name in order:
            (proc, area), pid = procs[name], procs[name][0].pid
            # On the fresh board, before the strokes below draw over it.
            points = wayland_zigzag(area, WAYLAND_BURST, 0)
            session.pointer.move(*points[0])
            wait_idle(pid)
            session.pointer.move(*points[0], left=True)
            wait_idle(pid)
            os.kill(pid, signal.SIGSTOP)
            due = time.perf_counter()
            for point in points[1:]:
                due += 0.001
                busy_until(due)
                session.pointer.move(*point, left=True)
            time.sleep(0.05)
            os.kill(pid, signal.SIGCONT)
            wait_idle(pid, 0.1)
            session.pointer.move(*points[-1])
            session.pointer.move(1270, 890)  # sway draws the pointer into the picture
            wait_idle(pid, 0.1)
            width, pixels = session.screenshot()
            result[name]["missing_corners"] = sum(
                pixels[3 * (y * width + x):3 * (y * width + x) + 3] == bytes(3) for x, y in points)
        for pair in range(pairs):
            for name in (order if pair % 2 == 0 else list(reversed(order))):
                (proc, area), pid = procs[name], procs[name][0].pid
                points = wayland_zigzag(area, moves, 2 + pair * bands_per_stroke)
                session.pointer.move(*points[0])
                wait_idle(pid)
                before, main_before = cpu_ns(pid), task_cpu_ns(pid, pid)
                last = wayland_stroke(session.pointer, points, period)
                wait_idle(pid)
                result[name]["cpu_us_per_move"].append((cpu_ns(pid) - before) / 1000.0 / moves)
                result[name]["main_us_per_move"].append(
                    (task_cpu_ns(pid, pid) - main_before) / 1000.0 / moves)
                session.pointer.move(*last)
                log(f"  wayland pair {pair + 1}, {name}: "
                    f"{result[name]['cpu_us_per_move'][-1]:.1f} µs per move")
        for name in order:
            end(procs.pop(name)[0])
        for index, name in enumerate(order):
            log_path = os.path.join(workdir, f"wayland-{name}.log")
            proc, area = session.start(binaries[name], 10 + 640 * index, debug_log=log_path)
            pin(proc.pid, program_cpus)
            procs[name] = (proc, area)
            session.pointer.move(*wayland_stroke(session.pointer, wayland_zigzag(area, moves, 0),
                                                 period))
            count, pause = WAYLAND_ISOLATED
            session.pointer.move(*wayland_stroke(
                session.pointer, wayland_zigzag(area, count, bands_per_stroke + 1), pause))
            wait_idle(proc.pid, 0.1)
            end(procs.pop(name)[0])
            strokes = wayland_commits(log_path)
            for kind, stroke in zip(("continuous", "isolated"), strokes):
                result[name][kind] = {"moves": len(stroke["motions"]),
                                      "commits": len(stroke["commits"]),
                                      "seconds": (stroke["commits"][-1] - stroke["commits"][0]) / 1000.0,
                                      "delays_ms": wayland_delays(stroke)}
        return result
    finally:
        for proc, _ in procs.values():
            end(proc)
        os.sched_setaffinity(0, everywhere)
        session.close()


def wayland_rows(w):
    t, b = w["tavrin"], w["baseline"]
    ratios = [x / y for x, y in zip(t["cpu_us_per_move"], b["cpu_us_per_move"])]
    r = statistics.median(ratios)
    rows = [(f"W. Wayland, {LIVE_RATES[0]} moves/s: CPU per move, median of {len(ratios)} pairs "
             f"(µs); ratio median [spread of the pairs]",
             fmt(statistics.median(t["cpu_us_per_move"]), 1),
             fmt(statistics.median(b["cpu_us_per_move"]), 1),
             f"{fmt(r, 2)} [{fmt(min(ratios), 2)}–{fmt(max(ratios), 2)}]", "≤ 0.4 ×",
             "yes" if r <= 0.4 else "no")]
    def threads(p):  # the main thread's share and that of Qt's Wayland event threads
        main = statistics.median(p["main_us_per_move"])
        rest = statistics.median(x - y for x, y in zip(p["cpu_us_per_move"], p["main_us_per_move"]))
        return f"{fmt(main, 1)}; {fmt(rest, 1)}"
    rows.append(("W. Wayland: CPU per move on the main thread; on the other threads (µs), medians",
                 threads(t), threads(b), "", "(information)", ""))
    if "continuous" in t and "continuous" in b:
        def per_frame(s):  # the intervals between the stroke's commits, against the frames
            return (s["commits"] - 1) / (s["seconds"] * w["refresh_hz"])
        tc, bc = t["continuous"], b["continuous"]
        rows.append((f"W. Wayland, {LIVE_RATES[0]} moves/s: commits per move; per frame of the "
                     f"compositor ({fmt(w['refresh_hz'], 0)} Hz)",
                     f"{fmt(tc['commits'] / tc['moves'], 3)}; {fmt(per_frame(tc), 2)}",
                     f"{fmt(bc['commits'] / bc['moves'], 3)}; {fmt(per_frame(bc), 2)}", "",
                     "≤ 1 per frame", "yes" if per_frame(tc) <= 1.0 else "no"))
        for kind in ("continuous", "isolated"):
            td, bd = t[kind]["delays_ms"], b[kind]["delays_ms"]
            rows.append((f"W. Wayland, {kind} moves: pointer event to the commit that carries it, "
                         f"median; worst (ms); moves",
                         f"{fmt(statistics.median(td), 2)}; {fmt(max(td), 2)}; {len(td)}",
                         f"{fmt(statistics.median(bd), 2)}; {fmt(max(bd), 2)}; {len(bd)}",
                         fmt(ratio(statistics.median(td), statistics.median(bd)), 2),
                         "(information)", ""))
    rows.append((f"W. Wayland: corners missing from a zig-zag of {WAYLAND_BURST} moves queued "
                 "while the program is stopped", str(t["missing_corners"]),
                 str(b["missing_corners"]), "", "0", "yes" if t["missing_corners"] == 0 else "no"))
    return rows


# ---- statistics and the table ---------------------------------------------------------------

def percentile(values, fraction):
    ordered = sorted(values)
    if not ordered:
        return float("nan")
    index = min(len(ordered) - 1, max(0, round(fraction * (len(ordered) - 1))))
    return ordered[index]


def ratio(a, b):
    return a / b if b else float("nan")


def fmt(value, digits=1):
    if value is None or value != value:
        return "n/a"
    return f"{value:.{digits}f}"


def summarise(results):
    rows = []
    t, b = results["tavrin"], results["baseline"]

    if "latency" in t:
        def latency_stats(runs):
            medians = [statistics.median(r["samples"]) for r in runs if r["samples"]]
            p90s = [percentile(r["samples"], 0.9) for r in runs if r["samples"]]
            missed = sum(r["missed"] for r in runs)
            moves = sum(len(r["samples"]) for r in runs) + missed
            return statistics.median(medians), min(medians), max(medians), \
                statistics.median(p90s), missed, moves
        tm, tmin, tmax, tp90, tmiss, tmoves = latency_stats(t["latency"])
        bm, bmin, bmax, bp90, bmiss, bmoves = latency_stats(b["latency"])
        r = ratio(tm, bm)
        rows.append(("1. Latency, move to pixel on screen, median of run medians (µs) [spread]",
                     f"{fmt(tm, 0)} [{fmt(tmin, 0)}–{fmt(tmax, 0)}]",
                     f"{fmt(bm, 0)} [{fmt(bmin, 0)}–{fmt(bmax, 0)}]",
                     fmt(r, 2), "≤ 1.0 ×", "yes" if r <= 1.0 and tmiss == 0 else "no"))
        rows.append(("1. Latency, 90th percentile, median of runs (µs); moves never drawn",
                     f"{fmt(tp90, 0)}; {tmiss}/{tmoves}", f"{fmt(bp90, 0)}; {bmiss}/{bmoves}",
                     fmt(ratio(tp90, bp90), 2), "(information)", ""))

    if "burst" in t:
        def burst_stats(bursts):
            sched = [float(one["sched_us_per_move"]) for one in bursts]
            stat = [float(one["stat_us_per_move"]) for one in bursts]
            missing = max(int(one["missing_corners"]) for one in bursts)
            return statistics.median(sched), min(sched), max(sched), statistics.median(stat), \
                missing
        tsc, tmin, tmax, tc, tmiss = burst_stats(t["burst"])
        bsc, bmin, bmax, bc, bmiss = burst_stats(b["burst"])
        r = ratio(tsc, bsc)
        moves = t["burst"][0]["moves"]
        count = len(t["burst"])
        rows.append((f"2. CPU per move, median of {count} bursts of {moves} moves (µs) [spread]; "
                     f"utime+stime {fmt(tc, 1)} / {fmt(bc, 1)}",
                     f"{fmt(tsc, 1)} [{fmt(tmin, 1)}–{fmt(tmax, 1)}]",
                     f"{fmt(bsc, 1)} [{fmt(bmin, 1)}–{fmt(bmax, 1)}]", fmt(r, 2), "≤ 1.0 ×",
                     "yes" if r <= 1.0 else "no"))
        rows.append(("2. Moves not drawn (corners missing from the screen), worst burst",
                     f"{tmiss} of {moves}", f"{bmiss} of {moves}", "", "0",
                     "yes" if tmiss == 0 else "no"))

    if "live" in t:
        for rate in LIVE_RATES:
            tr, br = t["live"][rate], b["live"][rate]
            pairs = len(tr)
            ratios = [x["sched_us_per_move"] / y["sched_us_per_move"] for x, y in zip(tr, br)]
            r = statistics.median(ratios)
            tc = statistics.median(x["sched_us_per_move"] for x in tr)
            bc = statistics.median(y["sched_us_per_move"] for y in br)
            how = f"{rate} moves/s" if rate else "as fast as the server takes them"
            rows.append((f"7. Live, {how}: CPU per move, median of {pairs} pairs (µs); "
                         f"ratio median [spread of the pairs]",
                         fmt(tc, 2), fmt(bc, 2),
                         f"{fmt(r, 2)} [{fmt(min(ratios), 2)}–{fmt(max(ratios), 2)}]",
                         "≤ 1.0 ×", "yes" if r <= 1.0 else "no"))
            if rate:
                tl = [statistics.median(x["latency"]) for x in tr if x["latency"]]
                bl = [statistics.median(y["latency"]) for y in br if y["latency"]]
                lr = [a / c for a, c in zip(tl, bl)]
                r = statistics.median(lr)
                rows.append((f"7. Live, {how}: latency move to pixel, median of run medians "
                             f"(µs) [spread]; ratio median of pairs [spread]",
                             f"{fmt(statistics.median(tl), 0)} [{fmt(min(tl), 0)}–{fmt(max(tl), 0)}]",
                             f"{fmt(statistics.median(bl), 0)} [{fmt(min(bl), 0)}–{fmt(max(bl), 0)}]",
                             f"{fmt(r, 2)} [{fmt(min(lr), 2)}–{fmt(max(lr), 2)}]",
                             "≤ 1.0 ×", "yes" if r <= 1.0 else "no"))
            if all("syscalls_per_move" in x for x in tr + br):
                ts = statistics.median(x["syscalls_per_move"] for x in tr)
                bs = statistics.median(y["syscalls_per_move"] for y in br)
                rows.append((f"7. Live, {how}: reads and writes (system calls) per move, all threads, median",
                             fmt(ts, 1), fmt(bs, 1), fmt(ts / bs, 2), "(information)", ""))
            tm = sum(x["missing"] for x in tr)
            bm = sum(y["missing"] for y in br)
            rows.append((f"7. Live, {how}: segments missing from the screen, all runs",
                         str(tm), str(bm), "", "0", "yes" if tm == 0 else "no"))

    if "paint" in results:
        p = results["paint"]

        def cost(prog, size):
            return p.get(f"segment/{prog}/{size}", {}).get("cpu_ns", float("nan")) / 1000.0
        ts, tl = cost("tavrin", "634x437"), cost("tavrin", "3840x2160")
        bs, bl = cost("baseline", "634x437"), cost("baseline", "3840x2160")
        rows.append(("3. Paint cost per segment, 634×437 → 3840×2160 (µs CPU)",
                     f"{fmt(ts, 2)} → {fmt(tl, 2)}", f"{fmt(bs, 2)} → {fmt(bl, 2)}",
                     "", "", ""))
        tr = ratio(tl, ts)
        rows.append(("3. Paint cost, large board / small board", fmt(tr, 2),
                     fmt(ratio(bl, bs), 2), "", "≤ 1.2", "yes" if tr <= 1.2 else "no"))

    if "memory" in t:
        tg, bg = int(t["memory"]["growth_kib"]), int(b["memory"]["growth_kib"])
        segments = int(t["memory"]["segments"])
        rows.append((f"4. Resident memory after {segments:,} segments less after 1,000 (KiB)",
                     str(tg), str(bg), "", "< 1024", "yes" if tg < 1024 else "no"))

    if "startup" in t:
        tm = statistics.median(t["startup"]["first_frame_ms"])
        bm = statistics.median(b["startup"]["first_frame_ms"])
        r = ratio(tm, bm)
        runs = len(t["startup"]["first_frame_ms"])
        rows.append((f"5. Start-up to first board frame, median of {runs} (ms) [spread]",
                     f"{fmt(tm)} [{fmt(min(t['startup']['first_frame_ms']))}–"
                     f"{fmt(max(t['startup']['first_frame_ms']))}]",
                     f"{fmt(bm)} [{fmt(min(b['startup']['first_frame_ms']))}–"
                     f"{fmt(max(b['startup']['first_frame_ms']))}]",
                     fmt(r, 2), "≤ 1.1 ×", "yes" if r <= 1.1 else "no"))
        tc = statistics.median(t["startup"]["cpu_ms"])
        bc = statistics.median(b["startup"]["cpu_ms"])
        rows.append(("5. CPU time used up to the first frame, median (ms)", fmt(tc), fmt(bc),
                     fmt(ratio(tc, bc), 2), "(information)", ""))
        tr = statistics.median(t["startup"]["rss_kib"]) / 1024
        br = statistics.median(b["startup"]["rss_kib"]) / 1024
        r = ratio(tr, br)
        rows.append(("5. Resident memory once started (MiB)", fmt(tr), fmt(br), fmt(r, 2),
                     "≤ 1.1 ×", "yes" if r <= 1.1 else "no"))

    if "idle" in t:
        ti, bi = t["idle"], b["idle"]
        rows.append((f"6. Idle {ti['seconds']} s after the banner: CPU (µs; clock ticks)",
                     f"{fmt(ti['cpu_us'], 0)}; {ti['cpu_ticks']}",
                     f"{fmt(bi['cpu_us'], 0)}; {bi['cpu_ticks']}", "", "0 ticks",
                     "yes" if ti["cpu_ticks"] == 0 else "no"))
        rows.append((f"6. Idle {ti['seconds']} s: context switches (all threads)",
                     str(ti["switches"]), str(bi["switches"]), "", "≤ 5",
                     "yes" if ti["switches"] <= 5 else "no"))

    if "parse" in results:
        rows += parse_rows(results["parse"])
    if "wayland" in results:
        rows += wayland_rows(results["wayland"])

    lines = ["| figure | tavrin | baseline | tavrin / baseline | target | met |",
             "|---|---|---|---|---|---|"]
    for row in rows:
        lines.append("| " + " | ".join(row) + " |")
    return "\n".join(lines)


# ---- main -----------------------------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True)
    parser.add_argument("--quick", action="store_true",
                        help="fewer runs and moves: figures for a first look only")
    parser.add_argument("--only", default="1,2,3,4,5,6,7,8,w",
                        help="comma-separated figure numbers to run (w: the Wayland regime)")
    parser.add_argument("--out", help="also write the table and the raw figures here (.md, .json)")
    args = parser.parse_args()
    only = set(args.only.split(","))
    quick = args.quick

    # Programs started by xprobe are orphaned to us, so that we can reap them.
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER

    results = {"tavrin": {}, "baseline": {}}
    session = XSession()
    try:
        with tempfile.TemporaryDirectory(prefix="tavrin-bench-") as workdir:
            bench = Bench(os.path.abspath(args.build), session, workdir)
            bench.probe("root", "--colour", ROOT_COLOUR)
            order = ["tavrin", "baseline"]
            if "5" in only:
                log("start-up ...")
                runs = 3 if quick else 11
                per = {name: {"first_frame_ms": [], "rss_kib": [], "cpu_ms": []} for name in order}
                for _ in range(runs):  # interleaved, so that drift hits both alike
                    for name in order:
                        one = bench.startup(name, 1)
                        for key in one:
                            per[name][key] += one[key]
                for name in order:
                    results[name]["startup"] = per[name]
            if "6" in only or "1" in only:
                log("idle and latency ...")
                idle, latency = bench.idle_and_latency(order, 10, 3 if quick else 7, 300)
                for name in order:
                    if "6" in only:
                        results[name]["idle"] = idle[name]
                    if "1" in only:
                        results[name]["latency"] = latency[name]
            if "7" in only:
                log("live strokes ...")
                live = bench.live(order, 3 if quick else LIVE_PAIRS, 1000, LIVE_RATES)
                for name in order:
                    results[name]["live"] = live[name]
            if "2" in only:
                # CPU per move swings with how many moves land in each paint: several bursts,
                # alternating, and their median.
                for name in order:
                    results[name]["burst"] = []
                for run in range(1 if quick else 5):
                    for name in (order if run % 2 == 0 else list(reversed(order))):
                        log(f"burst {run + 1}: {name} ...")
                        results[name]["burst"].append(
                            bench.burst(name, 5000 if quick else 20000, 300))
            if "4" in only:
                for name in order:
                    log(f"memory: {name} ...")
                    results[name]["memory"] = bench.memory(name, 100000 if quick else 1000000)
            if "3" in only:
                log("paint cost ...")
                results["paint"] = bench.paint(3 if quick else 9, 0.2 if quick else 0.3)
            if "8" in only:
                log("registry file reading ...")
                results["parse"] = parse_times(bench.build, 1 if quick else 3)
            if "w" in only and wayland_available():
                log("wayland ...")
                results["wayland"] = wayland_regime(bench.build, workdir,
                                                    3 if quick else WAYLAND_PAIRS, WAYLAND_MOVES)
    finally:
        session.close()

    table = summarise(results)
    print(table)
    if args.out:
        base = os.path.splitext(args.out)[0]
        with open(base + ".md", "w") as out:
            out.write(table + "\n")
        with open(base + ".json", "w") as out:
            json.dump(results, out, indent=1)


if __name__ == "__main__":
    main()
