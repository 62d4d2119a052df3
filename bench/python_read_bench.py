"""Reading speed of the Python package against animtool: the processor time of reading the
1280x720, 300-frame benchmark animations (written by anim_playback_bench) into NumPy arrays,
one array a frame with vantorel.frames() and all at once with vantorel.read() when memory allows,
beside `animtool render FILE --raw -o -` to /dev/null. Median of 3 runs; the target is at most
2x animtool on the mixed file. Arguments: the build folder, and optionally the runs per figure.
"""

import os
import resource
import statistics
import subprocess
import sys
import time

import vantorel

BUILD = sys.argv[1]
RUNS = int(sys.argv[2]) if len(sys.argv) > 2 else 3
FILES = [("sprites (~5% change)", "/tmp/vt_bench_play_sprites.anim"),
         ("mixed (~4.5% change)", "/tmp/vt_bench_play_mixed.anim"),
         ("full change", "/tmp/vt_bench_play_full.anim")]


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def animtool_cpu(path):
    before = children_cpu()
    with open(os.devnull, "wb") as sink:
        subprocess.run([os.path.join(BUILD, "animtool"), "render", path, "--raw", "-o", "-"],
                       stdout=sink, check=True)
    return children_cpu() - before


def frames_cpu(path):
    before = time.process_time()
    count = sum(1 for _ in vantorel.frames(path))
    assert count == 300, count
    return time.process_time() - before


def read_cpu(path):
    """Processor seconds of read(), and the part the system spent (mostly giving the new array
    its 829 MB of pages, which animtool, reusing one picture, never needs)."""
    before = resource.getrusage(resource.RUSAGE_SELF)
    frames = vantorel.read(path)
    after = resource.getrusage(resource.RUSAGE_SELF)
    assert frames.shape == (300, 720, 1280, 3), frames.shape
    del frames
    system = after.ru_stime - before.ru_stime
    return after.ru_utime - before.ru_utime + system, system


def main():
    subprocess.run([os.path.join(BUILD, "bench", "anim_playback_bench"), "0"], check=True)
    need = 300 * 1280 * 720 * 3
    available = vantorel._available_memory() or 0
    whole = available > 2 * need
    print("Python reading, 1280x720, 300 frames, processor seconds, median of %d runs%s" %
          (RUNS, "" if whole else " (read() left out: %.0f MB available, it takes %.0f MB)" %
           (available / 1e6, need / 1e6)))
    print("%-22s %9s %9s %9s %8s %8s %9s" % ("content", "animtool", "frames()", "read()",
                                              "frames/x", "read/x", "read sys"))
    verdict = None
    for label, path in FILES:
        tool = statistics.median(animtool_cpu(path) for _ in range(RUNS))
        each = statistics.median(frames_cpu(path) for _ in range(RUNS))
        reads = [read_cpu(path) for _ in range(RUNS)] if whole else [(float("nan"),) * 2]
        allat, system = statistics.median(r[0] for r in reads), statistics.median(r[1] for r in reads)
        print("%-22s %9.3f %9.3f %9.3f %7.2fx %7.2fx %9.3f" % (label, tool, each, allat,
                                                              each / tool, allat / tool, system))
        if label.startswith("mixed"):
            verdict = each / tool
            whole_ratio = allat / tool
    print("  mixed 720p, frames() / animtool render:  %5.2fx   (target <= 2x)   %s" %
          (verdict, "ok" if verdict <= 2 else "OVER"))
    if whole:
        print("  mixed 720p, read() / animtool render:    %5.2fx   (the one array's pages cost "
              "the system time beside)" % whole_ratio)
    for _, path in FILES:
        if os.path.exists(path):
            os.remove(path)
    if os.path.exists("/tmp/vt_bench_play_empty.anim"):
        os.remove("/tmp/vt_bench_play_empty.anim")


if __name__ == "__main__":
    main()
