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
import signal
import statistics
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
            proc.terminate()
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()


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


def cpu_ns(pid):
    total = 0
    for task in tasks(pid):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as sched:
                total += int(sched.read().split()[0])
        except FileNotFoundError:
            pass
    return total


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
        everywhere = os.sched_getaffinity(0)
        split = len(everywhere) >= 2
        server_cpus = {min(everywhere)} if split else everywhere
        program_cpus = {max(everywhere)} if split else everywhere
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
    parser.add_argument("--only", default="1,2,3,4,5,6,7,8",
                        help="comma-separated figure numbers to run")
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
