#!/usr/bin/env python3
"""Rounds of the channel flood (tools/flood_server.py) taken in by HexChat and
by the real Quillmere.exe, in turn, each with its window shown; called by
tools/flood_compare.sh, which builds, installs and starts the display.

For each client the time runs from the flood's first line (the server's
clock) until every line has been taken in and the client's process is idle:
  HexChat:   its PONG to the PING after the flood (it answers only after
             handling every line before it), then its CPU time stops growing
  Quillmere: the flood's last line is in a chat buffer (read from outside by
             flood_window_probe.exe), then its CPU time stops growing
"Stops growing" is the start of the quiet time after it, in which the process
uses at most 20 ms of CPU a second (/proc/PID/stat, sampled every 50 ms). Also printed: the CPU time it used, its
resident size afterwards (VmRSS) and, for Quillmere, the slowest answer of its
main window to a WM_NULL sent every ~20 ms from the click on Connect until the
last line was shown.
"""
import argparse
import os
import queue
import shutil
import statistics
import subprocess
import sys
import threading
import time

TICK = os.sysconf("SC_CLK_TCK")


class RoundFailed(Exception):
    pass


def lines_of(stream, sink):
    """Copies a child's output lines to a queue, so that waits can time out."""
    def run():
        for line in stream:
            sink.put(line.rstrip("\n"))
        sink.put(None)
    threading.Thread(target=run, daemon=True).start()


def wait_line(lines, prefix, seconds, seen):
    """The first line of `seen` or, waiting up to `seconds`, of `lines` that
    starts with `prefix`; every line read is kept in `seen`."""
    deadline = time.time() + seconds
    while True:
        try:
            line = lines.get_nowait()
        except queue.Empty:
            break
        if line is not None:
            seen.append(line)
    for line in seen:
        if line.startswith(prefix):
            return line
    while time.time() < deadline:
        try:
            line = lines.get(timeout=max(0.01, deadline - time.time()))
        except queue.Empty:
            break
        if line is None:
            return None
        seen.append(line)
        if line.startswith(prefix):
            return line
    return None


def cpu_seconds(pid):
    try:
        with open(f"/proc/{pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
    except OSError:
        raise RoundFailed(f"the process {pid} ended while it was watched")
    return (int(fields[11]) + int(fields[12])) / TICK


def resident_mb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return float("nan")


def thread_cpu(pid):
    """CPU seconds of each thread of `pid`, summed by thread name (/proc)."""
    by_name = {}
    try:
        tasks = os.listdir(f"/proc/{pid}/task")
    except OSError:
        return by_name
    for task in tasks:
        try:
            with open(f"/proc/{pid}/task/{task}/stat") as stat:
                text = stat.read()
        except OSError:
            continue
        name = text[text.index("(") + 1:text.rindex(")")]
        fields = text.rsplit(")", 1)[1].split()
        by_name[name] = by_name.get(name, 0) + (int(fields[11]) + int(fields[12])) / TICK
    return by_name


def pong_delay(lines, seen):
    """Seconds from the flood's first line to the client's PONG, as the server printed them."""
    wait_line(lines, "flood server: PONG", 5, seen)
    for line in seen:
        if line.startswith("flood server: PONG"):
            return float(line.split()[3])
    return float("nan")


def writing_figures(path, keep_in):
    """The program's own figures of its writing (QUILLMERE_QUEUE_STATS): the
    last totals line, and the runs that took each path."""
    figures = {"runs": 0, "fresh_runs": 0, "carry_runs": 0, "cut_runs": 0, "first_text": None, "last_write": None}
    if keep_in and os.path.exists(path):
        shutil.copy(path, keep_in)
    try:
        with open(path) as stats:
            lines = stats.read().splitlines()
    except OSError:
        return None
    for line in lines:
        words = line.split()
        if not words:
            continue
        if words[0] == "totals":
            figures.update({k: float(v) for k, v in (w.split("=", 1) for w in words[1:])})
        elif words[0] == "held" and figures["first_text"] is None:
            figures["first_text"] = float(words[1])
        elif words[0] in ("timer", "user") and len(words) >= 13:
            if int(words[4]) > 0:
                if figures["first_text"] is None and int(words[8]) > 1000:
                    figures["first_text"] = float(words[1])
                figures["last_write"] = float(words[1]) + float(words[2]) / 1000
            figures["runs"] += 1
            fresh, carried, cuts = int(words[9]), int(words[10]), int(words[11])
            figures["fresh_runs"] += fresh > 0
            figures["carry_runs"] += carried > 0
            figures["cut_runs"] += cuts > 0
    return figures if "timer_runs" in figures else None


def describe_writing(f):
    if not f:
        return "no writing figures"
    other = f.get("cpu_process", 0) - f.get("cpu_ui", 0) - f.get("cpu_receive", 0)
    return (f"slices {f['timer_runs']:.0f} (+{f['user_runs']:.0f} by user actions), "
            f"held {f['holds']:.0f} times {f['held_s']:.2f} s; "
            f"paths: fresh control {f['fresh']:.0f} (in {f['fresh_runs']} runs), "
            f"carried {f['carried']:.0f} ({f['carried_text'] / 1000:.0f} k chars), "
            f"putting fresh controls in place {f.get('renewing_s', 0):.2f} s (slowest "
            f"{f.get('slowest_renewal_ms', 0):.0f} ms), "
            f"front cuts {f['cuts']:.0f} ({f['cut_text'] / 1000:.0f} k chars, in {f['cut_runs']} runs); "
            f"pieces written {f['pieces']:.0f}, skipped {f['skipped']:.0f}; "
            f"slowest slice {f['slowest_run_ms']:.0f} ms; "
            f"CPU ui {f.get('cpu_ui', 0):.2f} s, receive {f.get('cpu_receive', 0):.2f} s, other {other:.2f} s; "
            f"chat text {f.get('chat_text', 0) / 1000:.0f} k chars")


def find_quillmere(after, seconds):
    """The Wine process running Quillmere.exe (not the explorer desktop that
    started it), started by this round."""
    deadline = time.time() + seconds
    while time.time() < deadline:
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open(f"/proc/{entry}/cmdline", "rb") as f:
                    command = f.read().decode("latin-1").lower()
            except OSError:
                continue
            if "quillmere.exe" in command and "explorer" not in command and int(entry) > 0:
                try:
                    # Wine's loader shows the same command line for a moment
                    # before the program itself, with its libraries and
                    # window, makes the process this large.
                    if os.stat(f"/proc/{entry}").st_mtime >= after - 1 and resident_mb(int(entry)) > 20:
                        return int(entry)
                except OSError:
                    continue
        time.sleep(0.1)
    raise RoundFailed(f"no Quillmere.exe process appeared within {seconds} s")


def stop(processes):
    for process in processes:
        if process is None:
            continue
        try:
            process.kill()
        except (ProcessLookupError, AttributeError):
            pass
    for process in processes:
        if process is not None:
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass


class Killable:
    """A bare process id (the Wine process of Quillmere.exe is not our child)."""

    def __init__(self, pid):
        self.pid = pid

    def kill(self):
        try:
            os.kill(self.pid, 9)
        except ProcessLookupError:
            pass

    def wait(self, timeout):
        deadline = time.time() + timeout
        while time.time() < deadline and os.path.exists(f"/proc/{self.pid}"):
            time.sleep(0.05)


def watch_until_idle(pid, done, timeout, not_counted=lambda: []):
    """Samples the CPU time of `pid` every 50 ms until `done()` gives a time
    and the process then used at most 20 ms of CPU in one second; returns the
    end of its last busy moment and its CPU time then. The end is taken from
    the samples, not from `done()`: the probe looks at the window only now and
    then, so as not to load it. CPU time used within the spans `not_counted()`
    gives (the probe's own reads of the window) makes no moment busy."""
    samples = []  # (time, CPU seconds, CPU seconds that count)
    done_at = None
    deadline = time.time() + timeout
    while time.time() < deadline:
        now, cpu = time.time(), cpu_seconds(pid)
        if samples:
            before, cpu_before, counted = samples[-1]
            skip = any(start - 0.1 <= now and before <= end + 0.1 for start, end in not_counted())
            samples.append((now, cpu, counted + (0 if skip else cpu - cpu_before)))
        else:
            samples.append((now, cpu, cpu))
        if done_at is None:
            done_at = done()
        if done_at is not None:
            # Quiet: the last second (all of it after the end was seen) used
            # at most 20 ms.
            window = [s for s in samples if s[0] >= now - 1.0]
            if window[0][0] >= done_at and now - window[0][0] >= 0.95 and window[-1][2] - window[0][2] <= 0.02 + 1e-9:
                # Back from the last sample while the process stays quiet.
                last_t, _, last_counted = samples[-1]
                end = len(samples) - 1
                while end > 0:
                    t, _, counted = samples[end - 1]
                    if last_counted - counted > 0.02 * max(1.0, last_t - t) + 1e-9:
                        break
                    end -= 1
                return samples[end][0], samples[end][1]
        time.sleep(0.05)
    # Why: still working (its CPU time grows), or done and never quiet, or
    # quiet and never done.
    now, cpu_now, _ = samples[-1]
    recent = [s for s in samples if s[0] >= now - 5]
    rate = (cpu_now - recent[0][1]) / max(0.05, now - recent[0][0])
    state = (f"the end was seen {now - done_at:.0f} s before" if done_at is not None
             else "the end (the last line, or the PONG) was never seen")
    raise RoundFailed(f"the process did not become idle within {timeout:.0f} s: {state}; it used {cpu_now:.1f} s "
                      f"of CPU, {rate * 100:.0f}% of a core over the last 5 s")


def start_server(args, port, log):
    server = subprocess.Popen(
        [sys.executable, os.path.join(args.root, "tools", "flood_server.py"), "--port", str(port), "--lines",
         str(args.lines), "--senders", str(args.senders), "--hold", "600", "--timeout", str(args.timeout)],
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    lines, seen = queue.Queue(), log
    lines_of(server.stdout, lines)
    # The server builds its flood before it listens (about a second for
    # 100,000 lines on a busy machine): a client started earlier is refused
    # and, like HexChat, may never try again.
    if not wait_line(lines, "flood server: waiting", 60, seen):
        stop([server])
        raise RoundFailed(f"the flood server did not listen on 127.0.0.1:{port} within 60 s: {seen[-3:]}")
    return server, lines, seen


def first_line_time(lines, seen, who, port, why_not):
    line = wait_line(lines, "flood server: first line at unix", 60, seen)
    if not line:
        raise RoundFailed(f"{who} did not connect and register on 127.0.0.1:{port} within 60 s ({why_not()})")
    return float(line.split()[-1])


def hexchat_round(args, port):
    server, lines, seen = start_server(args, port, [])
    client = None
    try:
        env = {"HOME": "/home/floodbench", "DISPLAY": args.display, "PATH": os.environ["PATH"]}
        client = subprocess.Popen(
            ["setpriv", "--reuid", "floodbench", "--regid", "floodbench", "--init-groups", "hexchat", "-n", "-d",
             args.hexchat_config, f"--url=irc://127.0.0.1:{port}/"],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        start = first_line_time(lines, seen, "HexChat", port,
                                lambda: "HexChat exited" if client.poll() is not None else "HexChat is running")

        def ponged():
            line = wait_line(lines, "flood server: PONG", 0, seen)
            return time.time() if line else None

        rss_start = resident_mb(client.pid)
        end, cpu_end = watch_until_idle(client.pid, ponged, args.timeout)
        threads = sorted(thread_cpu(client.pid).items(), key=lambda item: -item[1])[:3]
        return {"seconds": end - start, "cpu": cpu_end, "rss": resident_mb(client.pid), "rss_start": rss_start,
                "pong": pong_delay(lines, seen), "threads": ", ".join(f"{name} {cpu:.2f} s" for name, cpu in threads)}
    finally:
        stop([client, server])


def quillmere_round(args, port):
    server, lines, seen = start_server(args, port, [])
    desktop = probe = None
    quillmere = None
    stats_path = os.path.join(args.run_dir, f"writing_{port}.txt")
    try:
        env = dict(os.environ, WINEPREFIX=args.wine_prefix, DISPLAY=args.display,
                   QUILLMERE_QUEUE_STATS="Z:" + stats_path.replace("/", "\\"))
        started = time.time()
        desktop = subprocess.Popen(
            [args.wine, "explorer", "/desktop=FloodBench,1600x900", os.path.join(args.run_dir, "Quillmere.exe")],
            cwd=args.run_dir, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        quillmere = Killable(find_quillmere(started, 60))
        probe = subprocess.Popen(
            [args.wine, args.probe, "127.0.0.1", str(port), f" #{args.lines - 1}", str(args.timeout),
             "FloodBench"], env=env,
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        probe_lines, probe_seen = queue.Queue(), []
        lines_of(probe.stdout, probe_lines)

        def probe_state():
            wait_line(probe_lines, "\0", 0, probe_seen)
            failed = [line for line in probe_seen if line.startswith(("failed", "buffers-end"))]
            if failed:
                return "; ".join(failed)
            return probe_seen[-1] if probe_seen else "the probe said nothing"

        start = first_line_time(lines, seen, "Quillmere", port, probe_state)
        rss_start = resident_mb(quillmere.pid)

        def shown():
            line = wait_line(probe_lines, "last-line", 0, probe_seen)
            if line:
                return float(line.split()[1])
            if any(line.startswith("failed") for line in probe_seen):
                raise RoundFailed(f"Quillmere: {probe_state()}")
            if probe.poll() is not None and not wait_line(probe_lines, "last-line", 1, probe_seen):
                raise RoundFailed(f"the probe ended (status {probe.returncode}) without finding the last line: "
                                  f"{probe_seen[-3:]}")
            return None

        def probe_reads():
            return [(float(line.split()[1]), float(line.split()[2])) for line in probe_seen if line.startswith("read ")]

        end, cpu_end = watch_until_idle(quillmere.pid, shown, args.timeout, probe_reads)
        slowest = wait_line(probe_lines, "slowest-answer-ms", 10, probe_seen)
        shown_at = wait_line(probe_lines, "last-line", 0, probe_seen)
        writing = writing_figures(stats_path, args.keep_stats)
        # The program's figures use Wine's performance counter: Linux's raw monotonic clock.
        to_unix = time.time() - time.clock_gettime(time.CLOCK_MONOTONIC_RAW)
        moments = [("text waiting", writing and writing["first_text"]), ("last write done", writing and writing["last_write"])]
        timeline = [f"{name} {at + to_unix - start:+.2f} s" for name, at in moments if at]
        if shown_at:
            timeline.append(f"last line seen {float(shown_at.split()[1]) - start:+.2f} s")
        timeline.append(f"busy until {end - start:+.2f} s")
        return {"timeline": ", ".join(timeline), "writing": writing,"seconds": end - start, "cpu": cpu_end, "rss": resident_mb(quillmere.pid), "rss_start": rss_start,
                "pong": pong_delay(lines, seen),
                "slowest_ms": float(slowest.split()[1]) if slowest else float("nan"),
                "slowest_at": float(slowest.split()[3]) - start if slowest else float("nan")}
    finally:
        stop([probe, quillmere, server])
        # The Wine desktop ends by itself once its last program is gone;
        # killed with its window still up, it can leave the display broken
        # for the next round.
        if desktop is not None:
            try:
                desktop.wait(timeout=10)
            except subprocess.TimeoutExpired:
                stop([desktop])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--lines", type=int, default=100000)
    parser.add_argument("--senders", type=int, default=50)
    parser.add_argument("--timeout", type=float, default=180)
    parser.add_argument("--port", type=int, default=7700, help="first port; each client run takes the next one")
    parser.add_argument("--keep-stats", default="", help="a folder to keep Quillmere's figures files in")
    for name in ("root", "display", "hexchat-config", "wine", "wine-prefix", "run-dir", "probe"):
        parser.add_argument("--" + name, required=True)
    args = parser.parse_args()

    results = []
    port = args.port
    for round_number in range(1, args.rounds + 1):
        load = open("/proc/loadavg").read().split()[0]
        outcome = {}
        # Alternate who goes first, so that neither always meets the other's leftovers.
        order = [("HexChat", hexchat_round), ("Quillmere", quillmere_round)]
        if round_number % 2 == 0:
            order.reverse()
        for name, run in order:
            port += 1
            try:
                outcome[name] = run(args, port)
            except RoundFailed as failure:
                outcome[name] = None
                print(f"round {round_number}: {name} failed: {failure}", flush=True)
        h, q = outcome.get("HexChat"), outcome.get("Quillmere")
        text = [f"round {round_number} (load {load}):"]
        if h:
            text.append(f"HexChat {h['seconds']:.2f} s (CPU {h['cpu']:.1f} s: {h['threads']}; RSS {h['rss_start']:.0f} "
                        f"-> {h['rss']:.0f} MB; PONG {h['pong']:.2f} s);")
        if q:
            text.append(f"Quillmere {q['seconds']:.2f} s (CPU {q['cpu']:.1f} s, RSS {q['rss_start']:.0f} -> "
                        f"{q['rss']:.0f} MB, PONG {q['pong']:.2f} s, "
                        f"slowest window answer {q['slowest_ms']:.0f} ms, {q['slowest_at']:+.1f} s from the first line);")
        if h and q:
            text.append(f"HexChat / Quillmere {h['seconds'] / q['seconds']:.2f}")
        print(" ".join(text), flush=True)
        if q:
            print(f"  round {round_number} Quillmere writing: {describe_writing(q['writing'])}", flush=True)
            print(f"  round {round_number} Quillmere from the first line: {q['timeline']}", flush=True)
        results.append((h, q))

    pairs = [(h, q) for h, q in results if h and q]
    hs = [h["seconds"] for h, _ in results if h]
    qs = [q["seconds"] for _, q in results if q]
    if hs:
        print(f"median HexChat {statistics.median(hs):.2f} s, "
              f"RSS {statistics.median([h['rss'] for h, _ in results if h]):.0f} MB")
    if qs:
        print(f"median Quillmere {statistics.median(qs):.2f} s, "
              f"RSS {statistics.median([q['rss'] for _, q in results if q]):.0f} MB, slowest window answer "
              f"{max(q['slowest_ms'] for _, q in results if q):.0f} ms (worst round)")
    if pairs:
        ratios = [h["seconds"] / q["seconds"] for h, q in pairs]
        print(f"median of the rounds' HexChat / Quillmere: {statistics.median(ratios):.2f} ({len(pairs)} rounds); "
              f"slowest round's {min(ratios):.2f} (goal: at least 2)")
    if qs:
        print(f"Quillmere's slowest round / fastest: {max(qs) / min(qs):.2f} (goal: under 1.5); latest PONG "
              f"{max(q['pong'] for _, q in results if q):.2f} s (goal: 1 s); RSS after the flood "
              f"{statistics.median([q['rss'] for _, q in results if q]):.0f} MB, of which the flood added "
              f"{statistics.median([q['rss'] - q['rss_start'] for _, q in results if q]):.0f} MB (the chat controls "
              f"and what the queue still held)")
    if len(pairs) < args.rounds:
        print(f"{args.rounds - len(pairs)} of {args.rounds} rounds without both figures (see the reasons above)")
    return 0 if pairs else 1


if __name__ == "__main__":
    sys.exit(main())
