#!/usr/bin/python3
"""Runs every benchmark program and the two peers; prints one table.

Each bench_* program prints rows "BENCH<TAB>case<TAB>median s<TAB>peak MiB"
(the peak is the process's resident set while the case ran, which includes
what earlier cases of the same program still hold), the sizes of files it
saved as "SIZE<TAB>case<TAB>bytes" and notes as "# text".
The peers (python3-xlwt, Spreadsheet::WriteExcel) write the same formatted
inventory sheet of 32,767 items; their time is set against ours for the
same work (layout and save of the sheet) and against our whole run, and
their file against the one our layout and save made of the same items.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build-release"
HERE = os.path.dirname(os.path.abspath(__file__))
PEER_ITEMS = 32767
PEER_RUNS = 5
# The case of ours that does what the peers do: lay the sheet out and save it;
# and our whole generation run, which does that and more.
OURS_FOR_PEERS = "layout+save 32767 items"
OURS_WHOLE_RUN = "generation run 32767 items"


# Bytes of the files the benchmark programs saved, by case.
SIZES = {}


def run_ours():
    """Rows (case, median s, peak MiB) of every bench program, and its notes
    (lines starting with "# "); the sizes it prints go into SIZES."""
    rows, notes = [], []
    bench_dir = os.path.join(BUILD, "bench")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    for name in sorted(os.listdir(bench_dir)):
        path = os.path.join(bench_dir, name)
        if not (name.startswith("bench_") and os.path.isfile(path) and os.access(path, os.X_OK)):
            continue
        out = subprocess.run([path], env=env, capture_output=True, text=True, check=True).stdout
        for line in out.splitlines():
            parts = line.split("\t")
            if len(parts) == 4 and parts[0] == "BENCH":
                rows.append((parts[1], float(parts[2]), float(parts[3])))
            elif len(parts) == 3 and parts[0] == "SIZE":
                SIZES[parts[1]] = int(parts[2])
            elif line.startswith("# "):
                notes.append(line[2:])
    return rows, notes


def run_peer(label, argv):
    """Median time and peak memory of one peer program over PEER_RUNS runs."""
    times, peak = [], 0.0
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "peer.xls")
        for _ in range(PEER_RUNS):
            start = time.perf_counter()
            child = subprocess.Popen(argv + [str(PEER_ITEMS), out])
            # wait4 gives this child's own peak, not the largest of every
            # child so far (our benchmark programs ran before).
            _, status, usage = os.wait4(child.pid, 0)
            times.append(time.perf_counter() - start)
            if os.waitstatus_to_exitcode(status) != 0:
                sys.exit(f"{label}: the peer program failed")
            peak = max(peak, usage.ru_maxrss / 1024)
        size = os.path.getsize(out)
    return (label, statistics.median(times), peak, size)


CAPTIONS = ["Inventory ID", "Name", "Description", "Unit Price", "Quantity in Stock", "Reorder Level",
            "Reorder Time in Days", "Quantity in Reorder", "Discontinued?"]
SAMPLES = [["Hammer", "Building tool", "46.99", "14", "2", "6", "10", "Yes"],
           ["Nails", "fastening parts", "6.99", "754", "600", "2", "1500", "No"],
           ["Screws", "fastening parts", "10.99", "898", "500", "1", "1000", "No"]]


def libreoffice_copy(csv_path, extension, folder):
    """The CSV as LibreOffice saves it in another format (.xlsx, .ods)."""
    profile = "-env:UserInstallation=file://" + os.path.join(folder, "profile")
    subprocess.run(["soffice", profile, "--headless", "--infilter=CSV:44,34,76,1", "--convert-to", extension,
                    "--outdir", folder, csv_path], check=True, capture_output=True)
    return os.path.splitext(csv_path)[0] + "." + extension


def run_command_line():
    """Rows (case, median s, peak MiB) of the command line as a process:
    generate from a CSV file of 32,767 items, import of that file and of
    LibreOffice's .xlsx and .ods of it, and the refusal of a CSV of a
    million items."""
    import csv
    program = os.path.join(BUILD, "quorvale")
    rows = []
    with tempfile.TemporaryDirectory() as tmp:
        items = os.path.join(tmp, "items.csv")
        with open(items, "w", newline="", encoding="utf-8") as f:
            writer = csv.writer(f)
            writer.writerow(CAPTIONS)
            for i in range(1, PEER_ITEMS + 1):
                writer.writerow([str(i)] + SAMPLES[(i - 1) % 3])
        million = os.path.join(tmp, "million.csv")
        with open(million, "w", newline="", encoding="utf-8") as f:
            writer = csv.writer(f)
            writer.writerow(CAPTIONS)
            for i in range(1, 1000001):
                writer.writerow([str(i)] + SAMPLES[(i - 1) % 3])
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(tmp, "config"), XDG_DATA_HOME=os.path.join(tmp, "data"))
        env.pop("DISPLAY", None)
        cases = [(f"command line: generate {PEER_ITEMS} items from CSV",
                  [program, "generate", os.path.join(tmp, "out.xls"), "--items", items], 0),
                 (f"command line: generate {PEER_ITEMS} items as .xlsx",
                  [program, "generate", os.path.join(tmp, "out.xlsx"), "--items", items], 0),
                 (f"command line: import {PEER_ITEMS} items from CSV", [program, "import", items, "--replace"], 0)]
        for extension in ["xlsx", "ods"]:
            copy = libreoffice_copy(items, extension, tmp)
            cases.append((f"command line: import {PEER_ITEMS} items from LibreOffice's .{extension}",
                          [program, "import", copy, "--replace"], 0))
        cases.append(("command line: refuse a CSV of 1,000,000 items (53 MB)",
                      [program, "import", million, "--replace"], 1))
        for label, argv, expected in cases:
            times, peak = [], 0.0
            for _ in range(PEER_RUNS):
                start = time.perf_counter()
                child = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                _, status, usage = os.wait4(child.pid, 0)
                times.append(time.perf_counter() - start)
                if os.waitstatus_to_exitcode(status) != expected:
                    sys.exit(f"{label}: the command ended with {os.waitstatus_to_exitcode(status)}")
                peak = max(peak, usage.ru_maxrss / 1024)
            rows.append((label, statistics.median(times), peak))
    return rows


def main():
    rows, notes = run_ours()
    rows += run_command_line()
    ours = dict((name, secs) for name, secs, _ in rows)
    peers = [run_peer("python3-xlwt, 32767 items", ["/usr/bin/python3", os.path.join(HERE, "peer_xlwt.py")]),
             run_peer("Spreadsheet::WriteExcel, 32767 items", ["perl", os.path.join(HERE, "peer_writeexcel.pl")])]

    print(f"| case | median | peak memory |")
    print(f"|---|---:|---:|")
    for name, secs, mib in rows:
        print(f"| {name} | {secs * 1000:.1f} ms | {mib:.0f} MiB |")
    print()
    for note in notes:
        print(f"- {note}")
    print()
    print(f"| peer (same formatted sheet) | median | peak memory | file size | our file / peer file "
          f"| peer time / our {OURS_FOR_PEERS} | peer time / our whole run |")
    print(f"|---|---:|---:|---:|---:|---:|---:|")

    def ratio(secs, case):
        return f"{secs / ours[case]:.1f}x" if case in ours else "n/a"

    our_size = SIZES.get(OURS_FOR_PEERS)
    for label, secs, mib, size in peers:
        share = f"{100 * our_size / size:.0f}%" if our_size else "n/a"
        print(f"| {label} | {secs * 1000:.0f} ms | {mib:.0f} MiB | {size / 1024:.0f} KiB | {share} "
              f"| {ratio(secs, OURS_FOR_PEERS)} | {ratio(secs, OURS_WHOLE_RUN)} |")
    if our_size:
        print()
        print(f"- our file of the peers' {PEER_ITEMS} items ({OURS_FOR_PEERS}): {our_size / 1024:.0f} KiB")


if __name__ == "__main__":
    main()
