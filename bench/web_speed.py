#!/usr/bin/python3
"""The web page's speed in Debian's headless Chromium beside the native program's, in one run:
the page's step of the 100 chains (WebAssembly, 2 lanes) against the native StepChains at 2 lanes
scaled to 100 chains and the native idle pass (widest lanes); then the page's frame rate with
all 2,000 boxes, from its own "Frame rate:" lines. Optionally saves a screenshot of the page.

usage: web_speed.py PAGE_DIR PENDULA_BENCH [--seconds S] [--screenshot FILE.png]
"""
import asyncio
import json
import os
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
import cdp  # noqa: E402

STEPS = 1000


def native(bench):
    """Microseconds per step of 100 chains: StepChains at 2 lanes (256 chains per iteration,
    scaled) and the idle pass's step (IdlePass/100chains, the widest lanes)."""
    output = subprocess.run(
        [bench, "--benchmark_filter=^(StepChains/lanes/2|IdlePass/100chains)$",
         "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true",
         "--benchmark_format=json"], capture_output=True, text=True, check=True).stdout
    medians = {b["run_name"]: b["real_time"] for b in json.loads(output)["benchmarks"]
               if b.get("aggregate_name") == "median"}
    return medians["StepChains/lanes/2"] * 100 / 256, medians["IdlePass/100chains"]


async def page_figures(page_dir, seconds, screenshot):
    server = cdp.Server(page_dir)
    page = cdp.Page()
    try:
        await page.start()
        await page.send("Page.navigate", url=f"http://127.0.0.1:{server.port}/index.html?paused")
        await page.wait_for("window.pendula && pendula.framesShown() >= 1")
        step_ms = [await page.evaluate(f"pendula.timeSteps({STEPS})") / STEPS for _ in range(5)]
        before = len(await page.evaluate("pendula.lines()"))
        await page.evaluate("pendula.run()")
        await asyncio.sleep(seconds)
        lines = (await page.evaluate("pendula.lines()"))[before:]
        rates = [float(l[len("Frame rate: "):-len("fps")]) for l in lines
                 if l.startswith("Frame rate: ")]
        if screenshot:
            result = await page.send("Page.captureScreenshot", format="png")
            import base64
            with open(screenshot, "wb") as f:
                f.write(base64.b64decode(result["data"]))
        errors = page.errors
    finally:
        await page.close()
        server.close()
    return statistics.median(step_ms) * 1000, rates, lines, errors


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
    page_step, rates, lines, errors = asyncio.run(page_figures(page_dir, seconds, screenshot))
    native_two_lanes, native_idle = native(bench)
    print(f"page step of 100 chains (WebAssembly SIMD, 2 lanes): {page_step:.1f} us")
    print(f"native StepChains at 2 lanes, per 100 chains:         {native_two_lanes:.1f} us")
    print(f"native idle pass step (IdlePass/100chains):          {native_idle:.1f} us")
    print(f"page / native 2 lanes: {page_step / native_two_lanes:.2f}x")
    if rates:
        print(f"page frame rate over {len(rates)} reports of 20 frames: median "
              f"{statistics.median(rates):g} fps, min {min(rates):g}, max {max(rates):g}")
    print("last lines:", lines[-4:])
    if errors:
        print("browser errors:", errors)


if __name__ == "__main__":
    main()
