#!/usr/bin/env python3
"""Speed benchmarks of Tarvix: run by tools/bench.sh after it has built build-bench/.

For every size and every log style: generates a log once (kept in build-bench/data/),
then, with the file in the page cache, measures in the same run
  - wc -l                          the yardstick,
  - tarvix-report --what summary   the full analysis as tarvix-report runs it,
  - IndexBench                     the line index of the log view,
each the best of three runs, with its peak resident memory; and, for the styles of
--outputs (default tmail), the peak memory of tarvix-report writing every --what in
every --format (its output thrown away). Prints a table and writes bench/results.json.
"""

import argparse
import json
import os
import platform
import shutil
import signal
import subprocess
import sys
import threading
import time

STYLES = ["plain", "bink", "frontdoor", "custom", "tmail", "brake", "binkplus", "fhmail", "sfmail", "argus", "binkd",
          "tmailerr"]

# Share of the lines of the error-heavy T-Mail log (tmailerr) that are line errors.
ERROR_LINE_SHARE = 0.02

# Targets: throughput as a share of wc -l's in the same run, index memory a line,
# peak memory of an analysis above the file size.
ANALYSIS_MIN_RATIO = 1 / 8
INDEX_MIN_RATIO = 1 / 4
INDEX_MAX_BYTES_PER_LINE = 8
ANALYSIS_MAX_EXTRA_MB = 128

MB = 1 << 20


def parse_size(text):
    units = {"K": 1 << 10, "M": 1 << 20, "G": 1 << 30}
    t = text.strip().upper()
    if t and t[-1] in units:
        return int(float(t[:-1]) * units[t[-1]])
    return int(t)


class Style:
    """How a style's log is generated and which tarvix-report options analyse it."""

    def __init__(self, name, tools, root, size):
        self.name = name
        self.dir = os.path.join(root, name)
        n = str(size)
        d = self.dir
        genlog = [os.path.join(tools, "tarvix-genlog"), "--style", name, "--size", n, "--seed", "1",
                  "--out", os.path.join(d, name + ".log")]
        year = ["--year", "2026"]
        table = {
            "plain": (genlog, name + ".log", ["--style", "plain"] + year),
            "bink": (genlog, name + ".log", ["--style", "bink"] + year),
            "frontdoor": (genlog, name + ".log", ["--style", "frontdoor"] + year),
            "custom": (genlog, name + ".log",
                       ["--style", "custom", "--set", "LineMask=yyyy-mm-dd hh:nn:ss", "--set", "ErrWords=ERROR"]
                       + year),
            # A log this large is a busy station's: some 100 calls and sessions a day,
            # as the other generators write (their logs hold 40 to 180 sessions a day).
            "tmail": ([os.path.join(tools, "tarvix-gentmail"), "--out", d, "--seed", "1", "--log-size", n,
                       "--sessions-per-day", "100"],
                      "t-mail.log",
                      ["--style", "tmail", "--mailer-dir", d, "--set", "TMVersion=2604", "--set", "TaskNo=1",
                       "--year", "2003", "--drive", "C=" + d]),
            # The same log with calls to an unknown address alias, each a line error.
            "tmailerr": ([os.path.join(tools, "tarvix-gentmail"), "--out", d, "--seed", "1", "--log-size", n,
                          "--sessions-per-day", "100"],
                         "t-mail.log",
                         ["--style", "tmail", "--mailer-dir", d, "--set", "TMVersion=2604", "--set", "TaskNo=1",
                          "--year", "2003", "--drive", "C=" + d]),
            "brake": ([os.path.join(tools, "tarvix-genbrake"), "--out", d, "--seed", "1", "--log-size", n],
                      "brake716.log", ["--style", "brake", "--mailer-dir", d, "--set", "BrkVersion=716"] + year),
            "binkplus": ([os.path.join(tools, "tarvix-genbinkplus"), "--seed", "1", "--log-size", n,
                          "--events-per-day", "100", d],
                         "binkley.log", ["--style", "binkplus", "--mailer-dir", d, "--drive", "C=" + d] + year),
            "fhmail": ([os.path.join(tools, "tarvix-genfhmail"), "--seed", "1", "--log-size", n, d],
                       "fhmail.log", ["--style", "fhmail", "--mailer-dir", d] + year),
            "sfmail": ([os.path.join(tools, "tarvix-gensfmail"), d, "--seed", "1", "--log-size", n],
                       "sf-mail.log", ["--style", "sfmail", "--mailer-dir", d] + year),
            "argus": ([os.path.join(tools, "tarvix-genargus"), "--out", d, "--seed", "1", "--log-size", n],
                      "argus-3131.log", ["--style", "argus", "--mailer-dir", d] + year),
            "binkd": ([os.path.join(tools, "tarvix-genbinkd"), "--out", d, "--seed", "1", "--log-size", n],
                      "binkd.log", ["--style", "binkd", "--mailer-dir", d] + year),
        }
        self.generate, log, self.report_args = table[name]
        self.log = os.path.join(d, log)
        self.damage = name == "tmailerr"

    def ensure(self):
        """Generates the log unless a complete one of the same options is there."""
        stamp = os.path.join(self.dir, ".generated")
        want = json.dumps(self.generate)
        if os.path.exists(stamp) and os.path.exists(self.log):
            with open(stamp) as f:
                if f.read() == want:
                    return 0.0
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        start = time.perf_counter()
        subprocess.run(self.generate, check=True, stdout=subprocess.DEVNULL)
        # Generators that write several logs: only the one measured is kept.
        for entry in os.listdir(self.dir):
            path = os.path.join(self.dir, entry)
            if entry.endswith(".log") and path != self.log and os.path.getsize(path) > MB:
                os.remove(path)
        if self.damage:
            add_error_lines(self.log)
        with open(stamp, "w") as f:
            f.write(want)
        return time.perf_counter() - start


def add_error_lines(path):
    """Adds calls to an unknown address alias to a T-Mail log until ERROR_LINE_SHARE of
    its lines are such calls. They go after the lines that leave the mailer waiting (no
    session open), where a call is parsed, dated with the stamp of that line."""
    tmp = path + ".tmp"
    lines = bad = 0
    with open(path, "rb") as src, open(tmp, "wb") as dst:
        for line in src:
            dst.write(line)
            lines += 1
            if b"Waiting for calls" not in line or line[2:3] != b"/":
                continue
            stamp = line[:15]
            while bad < (lines + bad) * ERROR_LINE_SHARE:
                dst.write(stamp + b"Calling Nowhere, 1-2-3, BUSY\r\n")
                bad += 1
    os.replace(tmp, path)


def run_once(argv, timeout):
    """Runs a program once: processor seconds (user + system), wall seconds, peak
    resident memory (kB) and standard output."""
    read_end, write_end = os.pipe()
    start = time.perf_counter()
    pid = os.posix_spawnp(argv[0], argv, os.environ, file_actions=[
        (os.POSIX_SPAWN_DUP2, write_end, 1),
        (os.POSIX_SPAWN_CLOSE, read_end),
        (os.POSIX_SPAWN_OPEN, 2, "/dev/null", os.O_WRONLY, 0)])
    os.close(write_end)
    killer = threading.Timer(timeout, os.kill, (pid, signal.SIGKILL))
    killer.start()
    chunks = []
    with os.fdopen(read_end, "rb") as pipe:
        while True:
            chunk = pipe.read(1 << 16)
            if not chunk:
                break
            chunks.append(chunk)
    _, status, usage = os.wait4(pid, 0)
    wall = time.perf_counter() - start
    killer.cancel()
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        raise RuntimeError("%s (status %d): %s" % ("timed out" if code == -signal.SIGKILL else "failed", code,
                                                 " ".join(argv)))
    return usage.ru_utime + usage.ru_stime, wall, usage.ru_maxrss, b"".join(chunks)


def peak_of(argv, timeout):
    """Runs a program once with its output thrown away: its peak resident memory (kB)."""
    pid = os.posix_spawnp(argv[0], argv, os.environ, file_actions=[
        (os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0),
        (os.POSIX_SPAWN_OPEN, 2, os.devnull, os.O_WRONLY, 0)])
    killer = threading.Timer(timeout, os.kill, (pid, signal.SIGKILL))
    killer.start()
    _, status, usage = os.wait4(pid, 0)
    killer.cancel()
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        raise RuntimeError("failed (status %d): %s" % (code, " ".join(argv)))
    return usage.ru_maxrss


WHATS = ["summary", "days", "sessions", "freqs", "dialstat", "all"]
FORMATS = ["table", "csv", "json"]


def measure_outputs(rep_argv, file_bytes, timeout):
    """The peak memory above the file size (MB) of every --what in every --format."""
    base = [a for a in rep_argv if a != "--what" and a not in WHATS]
    peaks = {}
    for what in WHATS:
        for fmt in FORMATS:
            kb = peak_of(base + ["--what", what, "--format", fmt], timeout)
            peaks[what + "/" + fmt] = round((kb * 1024 - file_bytes) / MB, 1)
    return peaks


def measure(programs, runs, timeout):
    """Runs the programs in turn, runs rounds, so that the load of the machine falls
    on all of them alike. For each: the best processor time, the best wall time, the
    largest peak memory (kB) and the last standard output."""
    results = [[None, None, 0, b""] for _ in programs]
    for _ in range(runs):
        for argv, r in zip(programs, results):
            cpu, wall, peak, out = run_once(argv, timeout)
            r[0] = cpu if r[0] is None else min(r[0], cpu)
            r[1] = wall if r[1] is None else min(r[1], wall)
            r[2] = max(r[2], peak)
            r[3] = out
    return [tuple(r) for r in results]


def warm(path):
    with open(path, "rb") as f:
        while f.read(1 << 24):
            pass


def fmt_ratio(r):
    return "1/%.1f" % (1 / r) if r < 1 else "%.2f" % r


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--results", required=True)
    ap.add_argument("--styles", default=",".join(STYLES))
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--report", help="another tarvix-report to measure (a comparison)")
    ap.add_argument("--outputs", default="tmail",
                    help="styles whose every --what and --format is measured for peak memory")
    ap.add_argument("--outputs-only", action="store_true",
                    help="measure only the peak memory of the outputs (no wc, index, allocations)")
    ap.add_argument("sizes", nargs="*", default=["100M", "1G"])
    args = ap.parse_args()

    build = os.path.abspath(args.build)
    tools = os.path.join(build, "tools")
    report = os.path.abspath(args.report) if args.report else os.path.join(build, "cli", "tarvix-report")
    index = os.path.join(build, "bench", "IndexBench")
    allocs = os.path.join(build, "bench", "AllocBench")
    styles = [s for s in args.styles.split(",") if s]
    for s in styles:
        if s not in STYLES:
            sys.exit("bench: unknown style " + s)
    # Custom logs are only read as such when the settings enable them.
    config = os.path.join(build, "data", "bench.ini")
    os.makedirs(os.path.dirname(config), exist_ok=True)
    with open(config, "w") as f:
        f.write("[General]\nEnableCustomHighlighting=1\n")

    rows = []
    header = ("%-5s %-9s %6s %7s | %6s %6s %6s %5s %7s | %6s %6s %6s %6s %5s | %s" %
              ("size", "style", "MB", "wc MB/s", "ana s", "MB/s", "ratio", "+MB", "alloc/l", "idx s", "MB/s",
               "ratio", "B/line", "RSS", "ok"))
    print(header)
    print("-" * len(header))
    for size_text in args.sizes:
        size = parse_size(size_text)
        root = os.path.join(build, "data", size_text)
        for name in styles:
            style = Style(name, tools, root, size)
            gen = style.ensure()
            log = style.log
            file_bytes = os.path.getsize(log)
            warm(log)
            timeout = max(120, file_bytes / MB)  # seconds
            rep_argv = [report, "--config", config, "--what", "summary"] + style.report_args + [log]
            outputs = None
            if name in args.outputs.split(","):
                outputs = measure_outputs(rep_argv, file_bytes, timeout)
                worst = max(outputs, key=outputs.get)
                print("%-5s %-9s %6.0f   output peaks above the file, MB: %s; largest %s %.0f (target <= %d)" %
                      (size_text, name, file_bytes / MB,
                       " ".join("%s=%.0f" % (k, v) for k, v in outputs.items()), worst, outputs[worst],
                       ANALYSIS_MAX_EXTRA_MB), flush=True)
            if args.outputs_only:
                rows.append({"size": size_text, "style": name, "file_bytes": file_bytes,
                             "output_peak_over_file_mb": outputs,
                             "targets_met": {"output_peak": outputs is None or
                                             max(outputs.values()) <= ANALYSIS_MAX_EXTRA_MB}})
                continue
            (wc_s, wc_wall, wc_kb, _), (an_s, an_wall, an_kb, _), (ix_s, ix_wall, ix_kb, ix_out) = measure(
                [["wc", "-l", log], rep_argv, [index, log]], args.runs, timeout)
            ix = json.loads(ix_out)
            # The allocations once, outside the timed runs (counting costs a little).
            al = json.loads(run_once([allocs] + rep_argv[1:], timeout)[3])
            mbps = lambda s: file_bytes / MB / s
            row = {
                "size": size_text, "style": name, "file": os.path.relpath(log, build),
                "file_bytes": file_bytes, "lines": ix["lines"],
                "generated_seconds": round(gen, 3),
                "wc": {"seconds": wc_s, "wall_seconds": wc_wall, "mb_per_s": mbps(wc_s), "peak_kb": wc_kb},
                "analysis": {"seconds": an_s, "wall_seconds": an_wall, "mb_per_s": mbps(an_s), "peak_kb": an_kb,
                             "ratio_to_wc": wc_s / an_s,
                             "peak_over_file_mb": (an_kb * 1024 - file_bytes) / MB,
                             "argv": rep_argv[1:]},
                "index": {"seconds": ix_s, "wall_seconds": ix_wall, "mb_per_s": mbps(ix_s), "peak_kb": ix_kb,
                          "ratio_to_wc": wc_s / ix_s, "build_seconds": ix["seconds"],
                          "index_bytes": ix["index_bytes"], "bytes_per_line": ix["index_bytes_per_line"]},
                "allocations": al,
            }
            if outputs is not None:
                row["output_peak_over_file_mb"] = outputs
            checks = {
                "analysis_ratio": row["analysis"]["ratio_to_wc"] >= ANALYSIS_MIN_RATIO,
                "index_ratio": row["index"]["ratio_to_wc"] >= INDEX_MIN_RATIO,
                "index_bytes_per_line": row["index"]["bytes_per_line"] <= INDEX_MAX_BYTES_PER_LINE,
                "analysis_peak": row["analysis"]["peak_over_file_mb"] <= ANALYSIS_MAX_EXTRA_MB,
            }
            if outputs is not None:
                checks["output_peak"] = max(outputs.values()) <= ANALYSIS_MAX_EXTRA_MB
            row["targets_met"] = checks
            rows.append(row)
            failed = [k for k, v in checks.items() if not v]
            print("%-5s %-9s %6.0f %7.0f | %6.3f %6.0f %6s %5.0f %7.3f | %6.3f %6.0f %6s %6.2f %5.0f | %s" %
                  (size_text, name, file_bytes / MB, mbps(wc_s), an_s, mbps(an_s),
                   fmt_ratio(row["analysis"]["ratio_to_wc"]), row["analysis"]["peak_over_file_mb"],
                   al["allocations_per_line"], ix_s,
                   mbps(ix_s), fmt_ratio(row["index"]["ratio_to_wc"]), row["index"]["bytes_per_line"],
                   ix_kb / 1024, "yes" if not failed else "NO: " + ",".join(failed)), flush=True)

    print()
    print("Seconds are processor seconds (user + system) of the whole program, the best of %d runs taken in" % args.runs)
    print("turns with the others; wall times are in the JSON file. ratio: throughput as a share of wc -l's")
    print("in the same run (targets: analysis >= 1/8, index >= 1/4);")
    print("+MB: peak memory of the analysis above the file size (target <= 128); alloc/l: allocations of the")
    print("analysis a line (records included); B/line: index bytes a line (target <= 8); RSS: peak memory of")
    print("the index program in MB (the mapped file counts).")
    result = {
        "machine": {"cpus": os.cpu_count(), "platform": platform.platform(),
                    "cpu": next((l.split(":", 1)[1].strip() for l in open("/proc/cpuinfo")
                                 if l.startswith("model name")), "")},
        "runs": args.runs,
        "targets": {"analysis_min_ratio_to_wc": ANALYSIS_MIN_RATIO, "index_min_ratio_to_wc": INDEX_MIN_RATIO,
                    "index_max_bytes_per_line": INDEX_MAX_BYTES_PER_LINE,
                    "analysis_max_peak_over_file_mb": ANALYSIS_MAX_EXTRA_MB},
        "results": rows,
    }
    with open(args.results, "w") as f:
        json.dump(result, f, indent=1)
        f.write("\n")
    print("written: " + args.results)
    return 0 if all(all(r["targets_met"].values()) for r in rows) else 1


if __name__ == "__main__":
    sys.exit(main())
