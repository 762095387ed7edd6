#!/usr/bin/python3
"""The web page's speed in Debian's headless Chromium beside the native program's, in one run:
the page's step of the 100 chains (WebAssembly, 2 lanes) against the native StepChains at 2 lanes
scaled to 100 chains and the native idle pass (widest lanes); then the page's frame rate with
all 2,000 boxes, from its own "Frame rate:" lines; then, when Debian's dart-doc is installed,
the page's step of the WAM arm (one state) against the native StepStates of the WAM at 2 lanes
per state, and the page's frame rate with the arm. Optionally saves a screenshot of the page.

usage: web_speed.py PAGE_DIR PENDULA_BENCH [--seconds S] [--screenshot FILE.png]
   (PAGE_DIR: the page's test build, scripts/web.sh --build --test-page: build-web/test-site;
    PENDULA_BENCH: build/bench/pendula_bench)
"""
import asyncio
import base64
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
import cdp  # noqa: E402

STEPS = 300


def native(bench):
    """Microseconds per step of 100 chains, the fastest of 10 repetitions (the least disturbed
    by other work on the machine): StepChains at 2 lanes (256 chains per iteration, scaled) and
    the idle pass's step (IdlePass/100chains, the widest lanes)."""
    output = subprocess.run(
        [bench, "--benchmark_filter=^(StepChains/lanes/2|IdlePass/100chains)$",
         "--benchmark_repetitions=10", "--benchmark_format=json"],
        capture_output=True, text=True, check=True).stdout
    fastest = {}
    for b in json.loads(output)["benchmarks"]:
        if b.get("run_type") == "iteration":
            name = b["run_name"]
            fastest[name] = min(fastest.get(name, float("inf")), b["real_time"])
    return fastest["StepChains/lanes/2"] * 100 / 256, fastest["IdlePass/100chains"]


WAM = "/usr/share/doc/dart/data/urdf/wam/wam.urdf"
ROBOT_STEPS = 30000  # 50 ms or so: the page's clock counts in steps of 0.1 ms
MODEL_STATES = 64  # the states of one Model/StepStates iteration (bench/model_states.h)


def native_wam(bench):
    """Microseconds per state of a Heun step of the WAM, the fastest of 10 repetitions:
    Model/StepStates/wam at 2 lanes and at the widest lanes."""
    output = subprocess.run(
        [bench, "--benchmark_filter=^Model/StepStates/wam(/lanes/2)?$",
         "--benchmark_repetitions=10", "--benchmark_format=json"],
        capture_output=True, text=True, check=True).stdout
    fastest = {}
    for b in json.loads(output)["benchmarks"]:
        if b.get("run_type") == "iteration":
            scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3}[b["time_unit"]]
            name = b["run_name"]
            fastest[name] = min(fastest.get(name, float("inf")),
                                b["real_time"] * scale / MODEL_STATES)
    return fastest["Model/StepStates/wam/lanes/2"], fastest["Model/StepStates/wam"]


async def robot_figures(page_dir, bench, rounds, seconds):
    """The WAM served beside the page: its step in the page against the native batch step, in
    alternate rounds, then the page's frame rate with the arm."""
    work = tempfile.mkdtemp(prefix="pendula-web-speed-")
    folder = os.path.join(work, "site")
    shutil.copytree(page_dir, folder)
    shutil.copy(WAM, os.path.join(folder, "wam.urdf"))
    server = cdp.Server(folder)
    page = cdp.Page()
    try:
        await page.start()
        await page.send("Page.navigate",
                        url=f"http://127.0.0.1:{server.port}/index.html?paused&urdf=wam.urdf")
        await page.wait_for("window.pendula && pendula.robotShown()")
        ratios = []
        for _ in range(rounds):
            page_step = min([await page.evaluate(f"pendula.timeRobotSteps({ROBOT_STEPS})")
                             * 1000 / ROBOT_STEPS for _ in range(10)])
            two_lanes, widest = native_wam(bench)
            ratios.append(page_step / two_lanes)
            print(f"page step of the WAM {page_step:.3f} us, native per state at 2 lanes "
                  f"{two_lanes:.3f} us (ratio {ratios[-1]:.2f}), at the widest lanes "
                  f"{widest:.3f} us")
        before = len(await page.evaluate("pendula.lines()"))
        await page.evaluate("pendula.run()")
        await asyncio.sleep(seconds)
        lines = (await page.evaluate("pendula.lines()"))[before:]
        rates = [float(l[len("Frame rate: "):-len("fps")]) for l in lines
                 if l.startswith("Frame rate: ")]
        errors = page.errors
    finally:
        await page.close()
        server.close()
        shutil.rmtree(work, ignore_errors=True)
    print(f"page / native WAM step at 2 lanes, median of {rounds} rounds: "
          f"{statistics.median(ratios):.2f}x")
    if rates:
        print(f"page frame rate with the WAM over {len(rates)} reports: median "
              f"{statistics.median(rates):g} fps, min {min(rates):g}, max {max(rates):g}")
    if errors:
        print("browser errors:", errors)


async def page_figures(page_dir, bench, rounds, seconds, screenshot):
    """Rounds of the page's step timing (the fastest of 10 runs of 300 steps) and the native
    benchmark, alternated so that both see the same load; then the page's draw time and its
    frame rate while it runs."""
    server = cdp.Server(page_dir)
    page = cdp.Page()
    try:
        await page.start()
        await page.send("Page.navigate", url=f"http://127.0.0.1:{server.port}/index.html?paused")
        await page.wait_for("window.pendula && pendula.framesShown() >= 1")
        start_up = await page.evaluate("pendula.startUpMs")
        ratios, page_steps, native_steps = [], [], []
        for _ in range(rounds):
            page_step = min([await page.evaluate(f"pendula.timeSteps({STEPS})") * 1000 / STEPS
                             for _ in range(10)])
            native_two_lanes, native_idle = native(bench)
            ratios.append(page_step / native_two_lanes)
            page_steps.append(page_step)
            native_steps.append(native_two_lanes)
            print(f"page step of 100 chains {page_step:.1f} us, native 2 lanes per 100 chains "
                  f"{native_two_lanes:.1f} us (ratio {ratios[-1]:.2f}), native idle pass "
                  f"{native_idle:.1f} us")
        draw = statistics.median([await page.evaluate("pendula.timeDraws(30)") for _ in range(3)])
        before = len(await page.evaluate("pendula.lines()"))
        await page.evaluate("pendula.run()")
        await asyncio.sleep(seconds)
        lines = (await page.evaluate("pendula.lines()"))[before:]
        rates = [float(l[len("Frame rate: "):-len("fps")]) for l in lines
                 if l.startswith("Frame rate: ")]
        if screenshot:
            result = await page.send("Page.captureScreenshot", format="png")
            with open(screenshot, "wb") as f:
                f.write(base64.b64decode(result["data"]))
        errors = page.errors
    finally:
        await page.close()
        server.close()
    print(f"page start-up (model with its patched table, World, momenta): {start_up:.1f} ms")
    print(f"page / native step at 2 lanes, median of {rounds} rounds: "
          f"{statistics.median(ratios):.2f}x")
    print(f"fastest page step / fastest native step at 2 lanes: {min(page_steps):.1f} / "
          f"{min(native_steps):.1f} us = {min(page_steps) / min(native_steps):.2f}x")
    print(f"page display of 2,000 boxes, drawn and waited for: {draw:.1f} ms")
    if rates:
        print(f"page frame rate over {len(rates)} reports of 20 frames: median "
              f"{statistics.median(rates):g} fps, min {min(rates):g}, max {max(rates):g}")
    print("last lines:", lines[-4:])
    if errors:
        print("browser errors:", errors)


def main():
    args = sys.argv[1:]
    seconds, screenshot = 20.0, None
    if "--seconds" in args:
        i = args.index("--seconds")
        seconds = float(args[i + 1])
        del args[i:i + 2]
    if "--screenshot" in args:
        i = args.index("--screenshot")
        screenshot = args[i + 1]
        del args[i:i + 2]
    if len(args) != 2:
        sys.exit(__doc__)
    page_dir, bench = args
    asyncio.run(page_figures(page_dir, bench, 3, seconds, screenshot))
    if os.path.exists(WAM):
        asyncio.run(robot_figures(page_dir, bench, 3, seconds))


if __name__ == "__main__":
    main()
