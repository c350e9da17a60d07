#!/usr/bin/env python3
"""The parts of `make bench` that run on the host, and its one table.

  report.py idle TREE SECONDS OUT         whole programs side by side, idle
  report.py table RESULTS_DIR             prints the table of figures and goals

The idle phase starts the minimal tray program and Vistero.exe (with 1,000
entries and a change interval, so that its one-minute timer runs) under Wine,
both the same way, and reads from /proc what each Wine process costs while
nothing happens: processor time, the number of times its threads were
scheduled (wake-ups), and its memory once started (whole working set, the
pages only it holds, and the pages of the COM libraries that writing the
Startup shortcut maps). Both run at the same time, so the machine's load
weighs on them alike.
"""

import json
import os
import statistics
import subprocess
import sys
import time

KIB = 1024


def read(path):
    with open(path) as f:
        return f.read()


def process_counters(pid):
    """Processor time (ns) and times scheduled, summed over the threads."""
    cpu = 0
    scheduled = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            fields = read(f"/proc/{pid}/task/{tid}/schedstat").split()
        except OSError:
            continue  # the thread ended meanwhile
        cpu += int(fields[0])
        scheduled += int(fields[2])
    return cpu, scheduled


def process_memory(pid):
    """Resident KiB: the whole working set, the pages only this process
    holds, and the COM libraries' mapped pages."""
    rollup = {}
    for line in read(f"/proc/{pid}/smaps_rollup").splitlines()[1:]:
        name, value = line.split(":", 1)
        rollup[name] = int(value.split()[0])
    com = 0
    current = None
    for line in read(f"/proc/{pid}/smaps").splitlines():
        parts = line.split()
        if "-" in parts[0] and len(parts) >= 5 and ":" not in parts[0]:
            current = parts[5] if len(parts) > 5 else ""
        elif parts[0] == "Rss:" and current and os.path.basename(current).lower() in (
                "ole32.dll", "combase.dll", "rpcrt4.dll"):
            com += int(parts[1])
    return {
        "rss": rollup["Rss"],
        "private": rollup["Private_Clean"] + rollup["Private_Dirty"],
        "com": com,
    }


def program_pid(launched, exe):
    """The process that runs `exe`: the one launched, or, where Wine hands a
    program of the other architecture to a process of its own (Wine 10 runs
    a 32-bit program through "start.exe /exec"), that one."""
    name = os.path.basename(exe).lower()

    def runs(pid):
        try:
            first = read(f"/proc/{pid}/cmdline").split("\0")[0]
        except OSError:
            return False
        return first.replace("\\", "/").lower().endswith("/" + name)

    if runs(launched):
        return launched
    found = [int(pid) for pid in os.listdir("/proc") if pid.isdigit() and runs(pid)]
    if not found:
        raise RuntimeError(f"no process runs {exe}")
    return max(found)


def idle(tree, seconds, out):
    wine = os.environ.get("WINELOADER", "/usr/lib/wine/wine64")
    driver = os.path.join(tree, "bench", "program_bench.exe")
    programs = {
        "minimal": (os.path.join(tree, "bench", "MinimalTray.exe"), "MinimalTrayWnd"),
        "vistero": (os.path.join(tree, "app", "Vistero.exe"), "VisteroWnd"),
    }
    quiet = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
    subprocess.run([wine, driver, "profile", "1000", "60"], check=True, **quiet)
    started = {name: subprocess.Popen([wine, exe, "/startup"], **quiet)
               for name, (exe, _) in programs.items()}
    names = [window for _, window in programs.values()]
    try:
        subprocess.run([wine, driver, "ready", *names], check=True, **quiet)
        pids = {name: program_pid(p.pid, programs[name][0]) for name, p in started.items()}
        # The start ends with the Startup shortcut, written after the icon:
        # give it time to finish before counting anything.
        time.sleep(3)
        memory = {name: process_memory(pid) for name, pid in pids.items()}
        before = {name: process_counters(pid) for name, pid in pids.items()}
        # Sampled twice a second: a wake-up is a run of samples in which the
        # process was scheduled, so that one timer tick, which takes its
        # thread through a few system calls, counts once.
        bursts = {name: 0 for name in started}
        last = dict(before)
        active = {name: False for name in started}
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            time.sleep(min(0.5, max(0.0, end - time.monotonic())))
            for name, pid in pids.items():
                now = process_counters(pid)
                changed = now[1] != last[name][1]
                if changed and not active[name]:
                    bursts[name] += 1
                active[name] = changed
                last[name] = now
        after = last
    finally:
        subprocess.run([wine, driver, "close", *names], **quiet)
        for p in started.values():
            try:
                p.wait(timeout=30)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
    with open(out, "w") as f:
        for name in programs:
            cpu = (after[name][0] - before[name][0]) / 1e6
            wakeups = after[name][1] - before[name][1]
            f.write(f"idle_cpu_{name} {cpu:.3f}\n")
            f.write(f"idle_scheduled_{name} {wakeups}\n")
            f.write(f"idle_wakeups_{name} {bursts[name]}\n")
            for kind, value in memory[name].items():
                f.write(f"memory_{kind}_{name} {value}\n")
        f.write(f"idle_seconds {seconds}\n")


def figures(path):
    """name -> list of numbers, from lines "name value ..."."""
    result = {}
    if os.path.exists(path):
        for line in read(path).splitlines():
            parts = line.split()
            if len(parts) >= 2:
                try:
                    result[parts[0]] = [float(x) for x in parts[1:]]
                except ValueError:
                    pass
    return result


def core_medians(path):
    """Google Benchmark's medians in ms, by benchmark name."""
    result = {}
    if not os.path.exists(path):
        return result
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
    for b in json.loads(read(path))["benchmarks"]:
        if b.get("aggregate_name") == "median":
            name = b["run_name"].replace("/manual_time", "")
            result[name] = b["real_time"] * scale[b["time_unit"]]
    return result


class Table:
    def __init__(self):
        self.rows = []
        self.missed = 0

    def section(self, title):
        self.rows.append((title, None, None, None))

    def row(self, figure, value, goal="", met=None):
        if met is False:
            self.missed += 1
        verdict = "" if met is None else ("met" if met else "MISSED")
        self.rows.append((figure, value, goal, verdict))

    def print(self):
        widths = [max(len(r[i] or "") for r in self.rows) for i in range(3)]
        header = ("Figure", "Value", "Goal", "")
        widths = [max(w, len(h)) for w, h in zip(widths, header)]
        line = "+-" + "-+-".join("-" * w for w in widths) + "-+--------+"
        print(line)
        print("| " + " | ".join(h.ljust(w) for h, w in zip(header, widths)) + " | Result |")
        print(line)
        for figure, value, goal, verdict in self.rows:
            if value is None:
                print("| " + figure.ljust(sum(widths) + 3 * len(widths) + 6) + " |")
                continue
            print("| " + figure.ljust(widths[0]) + " | " + value.rjust(widths[1]) + " | " +
                  goal.ljust(widths[2]) + " | " + verdict.ljust(6) + " |")
        print(line)


def ms(value):
    if value is None:
        return "n/a"
    return f"{value:.3f} ms" if value < 1 else f"{value:.1f} ms"


def whole_program(t, arch, wine_name, program, idle_figures, median, ratio_row):
    """The rows of one architecture's Vistero.exe against its minimal tray program."""
    starts = int(program["start_icon_minimal_1000"][3]) if "start_icon_minimal_1000" in program else 0
    t.section(f"Whole program, {wine_name}, against the minimal tray program ({starts} alternating starts each)")
    for phase, label in (("empty", "empty profile"), ("1000", "1,000 entries")):
        minimal = median(program, f"start_icon_minimal_{phase}")
        vistero = median(program, f"start_icon_vistero_{phase}")
        t.row(f"Start to icon, minimal tray program ({label} run)", ms(minimal))
        t.row(f"Start to icon, Vistero.exe /startup, {label}", ms(vistero))
        ratio_row(f"Start to icon, Vistero against minimal, {label}", vistero, minimal, 1.2)
    minimal_ws = median(program, "working_set_minimal_1000")
    vistero_ws = median(program, "working_set_vistero_1000")
    t.row("Working set after start, minimal tray program",
          f"{minimal_ws:.0f} KiB" if minimal_ws else "n/a")
    if minimal_ws and vistero_ws:
        extra = vistero_ws - minimal_ws
        t.row("Working set after start, Vistero above minimal, 1,000 entries", f"{extra:.0f} KiB",
              "at most 2048 KiB", extra <= 2048)
    private_extra = None
    if "memory_private_vistero" in idle_figures:
        private_extra = median(idle_figures, "memory_private_vistero") - median(idle_figures, "memory_private_minimal")
        t.row("Private pages after start, Vistero above minimal, 1,000 entries", f"{private_extra:.0f} KiB",
              "at most 2048 KiB", private_extra <= 2048)
        t.row("  of the working set: COM libraries (ole32, combase, rpcrt4)",
              f"{median(idle_figures, 'memory_com_vistero'):.0f} KiB")
    seconds = median(idle_figures, "idle_seconds")
    if seconds:
        cpu_min = median(idle_figures, "idle_cpu_minimal")
        cpu_vis = median(idle_figures, "idle_cpu_vistero")
        t.row(f"Idle {seconds:.0f} s: processor time, minimal tray program", ms(cpu_min))
        t.row(f"Idle {seconds:.0f} s: processor time, Vistero (1,000 entries, timer on)", ms(cpu_vis),
              "within 15.6 ms of minimal", abs(cpu_vis - cpu_min) < 15.6)
        ticks = int(seconds // 60)
        wake_min = int(median(idle_figures, "idle_wakeups_minimal"))
        wake_vis = int(median(idle_figures, "idle_wakeups_vistero"))
        sched_vis = int(median(idle_figures, "idle_scheduled_vistero"))
        t.row(f"Idle {seconds:.0f} s: wake-ups, minimal tray program", f"{wake_min}")
        t.row(f"Idle {seconds:.0f} s: wake-ups, Vistero ({sched_vis} times scheduled)", f"{wake_vis}",
              f"at most {ticks + 1} (minute timer)", wake_vis - wake_min <= ticks + 1)


def table(results):
    core = core_medians(os.path.join(results, "core.json"))
    wine = figures(os.path.join(results, "windows.txt"))
    sizes = figures(os.path.join(results, "sizes.txt"))
    t = Table()

    def median(source, name):
        return source[name][0] if name in source else None

    def ratio_row(figure, big, small, limit=None):
        if big is None or small is None or small == 0:
            t.row(figure, "n/a", f"at most {limit:g}x" if limit else "", False if limit else None)
        elif limit is None:
            t.row(figure, f"{big / small:.1f}x")
        else:
            r = big / small
            t.row(figure, f"{r:.1f}x", f"at most {limit:g}x", r <= limit)

    def under(figure, value, limit, unit_text):
        t.row(figure, ms(value), f"under {unit_text}", value is not None and value < limit)

    t.section("Core, native (Google Benchmark, Release, medians)")
    under("Add 1,000 new paths into a set of 10,000", core.get("AddNewPaths/10000/1000"), 100, "100 ms")
    under("PickRandom over 10,000 entries", core.get("PickRandom/10000/0"), 0.5, "0.5 ms")
    under("PickRandom over 10,000 entries, sum of weights past 2^32", core.get("PickRandom/10000/1"), 0.5, "0.5 ms")
    for op, bench in (("Load", "LoadFromDocument"), ("Save", "SaveToDocument")):
        t.row(f"{op} 1,000 entries, in-memory profile", ms(core.get(f"{bench}/1000")))
        t.row(f"{op} 10,000 entries, in-memory profile", ms(core.get(f"{bench}/10000")))
        ratio_row(f"{op}: 10,000 against 1,000 entries, in memory", core.get(f"{bench}/10000"),
                  core.get(f"{bench}/1000"))
    instructions = figures(os.path.join(results, "instructions.txt"))
    if "load_instructions_1000" in instructions and "load_instructions_10000" in instructions:
        ratio_row("Load: instructions executed, 10,000 against 1,000 (callgrind)",
                  median(instructions, "load_instructions_10000"), median(instructions, "load_instructions_1000"))

    runs = int(wine["file_load_1000"][3]) if "file_load_1000" in wine else 0
    t.section(f"Under Wine (QueryPerformanceCounter, medians of {runs} runs)")
    for op in ("load", "save"):
        name = op.capitalize()
        t.row(f"{name} 1,000 entries through the profile file", ms(median(wine, f"file_{op}_1000")))
        under(f"{name} 10,000 entries through the profile file", median(wine, f"file_{op}_10000"), 50, "50 ms")
        ratio_row(f"{name}: 10,000 against 1,000 entries, through the file",
                  median(wine, f"file_{op}_10000"), median(wine, f"file_{op}_1000"), 12)
    t.row("  the file alone: read 10,000 entries' file", ms(median(wine, "file_read_only_10000")))
    t.row("  the file alone: write, flush, move it and its backup", ms(median(wine, "file_write_only_10000")))
    t.row("FillList, Wallpapers page, 1,000 entries", ms(median(wine, "fill_list_1000")))
    under("FillList, Wallpapers page, 5,000 entries", median(wine, "fill_list_5000"), 1000, "1 s")
    t.row("  the list control alone: the same 5,000 rows, no page", ms(median(wine, "bare_list_5000")))
    t.row("SetWallpaper, stored for the next logon", ms(median(wine, "set_wallpaper_stored")))

    for arch, wine_name in (("x64", "x86-64, Wine 8"), ("x86", "x86, Wine 10's WoW64")):
        missing = os.path.join(results, "x86-missing.txt")
        if arch == "x86" and os.path.exists(missing):
            t.section(f"Whole program, {wine_name}: not measured here: {read(missing).strip()}")
            continue
        whole_program(t, arch, wine_name, figures(os.path.join(results, f"program-{arch}.txt")),
                      figures(os.path.join(results, f"idle-{arch}.txt")), median, ratio_row)

    t.section("Executables (stripped)")
    for arch in ("x64", "x86"):
        v = median(sizes, f"size_vistero_{arch}")
        m = median(sizes, f"size_minimal_{arch}")
        if arch == "x64":
            t.row("Vistero.exe x64", f"{v / KIB:.0f} KiB" if v else "n/a", "under 400 KiB", bool(v) and v < 400 * KIB)
        else:
            t.row("Vistero.exe x86", f"{v / KIB:.0f} KiB" if v else "n/a")
        t.row(f"minimal tray program {arch}", f"{m / KIB:.0f} KiB" if m else "n/a")
    imports = median(sizes, "imports_system_only")
    t.row("Vistero.exe imports only Windows system DLLs (both)", "yes" if imports else "no",
          "scripts/check-imports", bool(imports))
    t.print()
    return t.missed


if __name__ == "__main__":
    if sys.argv[1] == "idle":
        idle(sys.argv[2], float(sys.argv[3]), sys.argv[4])
    elif sys.argv[1] == "table":
        missed = table(sys.argv[2])
        print(f"{missed} goal(s) missed" if missed else "every goal met")
