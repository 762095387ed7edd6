#!/usr/bin/python3
"""The web page in a real browser: Debian's headless Chromium loads it from a local server and
the DevTools protocol drives it.

Checks: the folder served holds the page's files and nothing else; the module holds f64x2
instructions and none of the test build's probes. The rest runs in the test build of the page
(the same page and module with the probes of page_probes.cpp and page_probes.js): the first frame, drawn with the stepping held,
shows grey chains on white fanned out from their base (the desktop start-up test's picture
statistics); a key press and a button press each change the friction and print the line; mouse
look under pointer lock turns the view by the program's gain; the statistics lines come in pairs; the trajectory fingerprint computed in the page equals the
native one; the browser reports no error. Nothing here waits on the machine's speed except
time-outs.

usage: page_test.py PAGE_DIR TEST_PAGE_DIR SCREEN_PROBE [--screenshot FILE.png]
Exit status 77 (skipped) when Chromium, wasm-objdump, pngtopnm or python3-websockets is missing.
"""
import asyncio
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIPPED = 77
# What scripts/web.sh serves: the page, its module and nothing of the build's.
PAGE_FILES = {"index.html", "page.js", "pendula.js", "pendula.wasm"}
# What the test build adds to it, and what only the test build's module exports.
TEST_PAGE_FILES = PAGE_FILES | {"page_probes.js"}
PROBES = ("pendula_fingerprint", "pendula_time_steps", "pendula_friction", "pendula_torque")
try:
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import cdp
except ImportError as missing:
    print(f"skipped: {missing} (scripts/install-deps.sh --test installs python3-websockets)")
    sys.exit(SKIPPED)

# The fingerprint that the native test pins, read from it so that the two never disagree.
NATIVE_TEST = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app",
                           "trajectory_fingerprint_test.cpp")


def native_fingerprint():
    source = open(NATIVE_TEST).read()
    test = source[source.index("HundredChainsFromStartUpThroughEverySetting"):]
    return re.search(r"EXPECT_EQ\(fingerprint\.value\(\), 0x([0-9a-f]{16})ull\)", test).group(1)

# Every joint 1 sits on the z axis, 1 above the eye, 25 to 35 units ahead: 14 to 19 pixels above
# the canvas's centre, as in the desktop window.
BASE_X, BASE_Y = 200, 184

NUMBER = r"(-?[0-9.]+(e[+-][0-9]+)?|inf|nan)"
FRAME_RATE = re.compile(rf"^Frame rate: {NUMBER}fps$")
SCR = re.compile(rf"^SCR: {NUMBER}$")


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def judge_first_frame(png, screen_probe, work):
    """The statistics of the desktop start-up test, with its thresholds."""
    png_path, ppm_path = os.path.join(work, "first.png"), os.path.join(work, "first.ppm")
    with open(png_path, "wb") as f:
        f.write(png)
    with open(ppm_path, "wb") as f:
        subprocess.run(["pngtopnm", png_path], stdout=f, check=True)
    output = subprocess.run([screen_probe, "analyse", ppm_path, str(BASE_X), str(BASE_Y)],
                            capture_output=True, text=True, check=True).stdout
    stats = {name: float(value) for name, value in (l.split() for l in output.splitlines())}
    print("first frame:", " ".join(f"{k} {v:g}" for k, v in stats.items()))
    check(stats["white"] > 0.5, "the background is not white")
    check(stats["link"] > 0.05, "too few grey pixels for 2,000 boxes")
    check(stats["link_spread"] <= 12, "the boxes are not grey")
    check(stats["centre_link"] > 0.6, "no chains meet at the joint-1 point")
    check(stats["sectors"] >= 14, "the chains do not fan out in every direction")


async def new_lines(page, count_before):
    return (await page.evaluate("pendula.lines()"))[count_before:]


def exports(page_folder):
    """The module's functions by their names in its loader (the module's own names are minified)."""
    with open(os.path.join(page_folder, "pendula.js")) as f:
        return {name[1:] for name in re.findall(r"\b_pendula_[a-z_]+", f.read())}


async def run(page_dir, test_page_dir, screen_probe, screenshot_path):
    served = set(os.listdir(page_dir))
    check(served == PAGE_FILES, f"the folder served holds {sorted(served)}, not the page's files "
                                f"{sorted(PAGE_FILES)} alone")
    objdump = subprocess.run(["wasm-objdump", "-d", os.path.join(page_dir, "pendula.wasm")],
                             capture_output=True, text=True, check=True).stdout
    simd = len(re.findall(r"\bf64x2\.(mul|add|sub|div)\b", objdump))
    print(f"f64x2 arithmetic instructions in the module: {simd}")
    check(simd > 0, "the module has no f64x2 arithmetic: the lanes were not compiled to SIMD")
    shipped, tested = exports(page_dir), exports(test_page_dir)
    check(not shipped & set(PROBES), f"the page ships probes: {sorted(shipped & set(PROBES))}")
    check(set(PROBES) <= tested and shipped <= tested,
          "the test build's module is not the page's module with the probes")
    def read(folder, name):
        with open(os.path.join(folder, name)) as f:
            return f.read()
    check(read(test_page_dir, "page.js") == read(page_dir, "page.js"),
          "the test build's page.js is not the page's")
    check(read(test_page_dir, "index.html").replace('<script src="page_probes.js"></script>\n', "")
          == read(page_dir, "index.html"),
          "the test build's index.html is not the page's with the probes loaded before page.js")
    served = set(os.listdir(test_page_dir))
    check(served == TEST_PAGE_FILES, f"the test build holds {sorted(served)}")

    server = cdp.Server(test_page_dir)
    page = cdp.Page()
    work = tempfile.mkdtemp(prefix="pendula-web-test-")
    try:
        await page.start()
        await page.send("Page.navigate", url=f"http://127.0.0.1:{server.port}/index.html?paused")
        await page.wait_for("window.pendula && pendula.framesShown() >= 1")
        # Two more animation frames, so that the first frame has reached the screen.
        await page.evaluate("new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r)))")
        check(await page.evaluate("pendula.sineEntriesCorrected") > 0,
              "the page's sine table was not brought to glibc's bits")
        png = await page.screenshot("#scene")
        if screenshot_path:
            with open(screenshot_path, "wb") as f:
                f.write(png)
        judge_first_frame(png, screen_probe, work)
        check(not await page.evaluate("pendula.running()"), "the page stepped while held")

        before = len(await page.evaluate("pendula.lines()"))
        await page.press_key("F1", "F1", 112)
        await page.wait_for("pendula.friction() === 0", timeout=30)
        await page.click("#key-F1")
        await page.wait_for("pendula.friction() === 1", timeout=30)
        lines = await new_lines(page, before)
        check(lines == ["friction coefficient = 0", "friction coefficient = 1"],
              f"F1 and its button printed {lines}")

        # Mouse look: Insert locks the pointer; 60 pixels to the right, in steps of 2 (each
        # beyond the dead zone), turn the view 0.3 rad to the right, towards +x.
        await page.move_mouse(200, 200)
        await page.press_key("Insert", "Insert", 45)
        await page.wait_for("document.pointerLockElement === document.getElementById('scene')",
                            timeout=30)
        for x in range(202, 262, 2):
            await page.move_mouse(x, 200)
        await page.wait_for("Math.abs(pendula.view()[3] - 100 * Math.sin(0.3)) < 1e-9", timeout=30)
        await page.press_key("Insert", "Insert", 45)
        await page.wait_for("!pendula.mouseLook() && document.pointerLockElement === null",
                            timeout=30)

        fingerprint, native = await page.evaluate("pendula.fingerprint()"), native_fingerprint()
        print(f"fingerprint after 400 steps: page {fingerprint}, native {native}")
        check(fingerprint == native, "the page's chains move otherwise than the native program's")

        before = len(await page.evaluate("pendula.lines()"))
        await page.evaluate("pendula.run()")
        await page.wait_for(
            f"pendula.lines().slice({before}).filter(l => l.startsWith('SCR: ')).length >= 2")
        statistics = [l for l in await new_lines(page, before)
                      if l.startswith("Frame rate: ") or l.startswith("SCR: ")]
        print("statistics:", statistics[:4])
        for n, line in enumerate(statistics):
            pattern = FRAME_RATE if n % 2 == 0 else SCR
            check(pattern.match(line), f"statistics line {n} out of its pair: {line!r}")
        check(not page.errors, f"the browser reported errors: {page.errors}")
    finally:
        await page.close()
        server.close()
        shutil.rmtree(work, ignore_errors=True)
    print("PASS")


def main():
    args = sys.argv[1:]
    screenshot = None
    if "--screenshot" in args:
        i = args.index("--screenshot")
        screenshot = args[i + 1]
        del args[i:i + 2]
    if len(args) != 3:
        sys.exit(__doc__)
    for tool in ("wasm-objdump", "pngtopnm"):
        if not shutil.which(tool):
            print(f"skipped: no {tool} (scripts/install-deps.sh --test installs it)")
            sys.exit(SKIPPED)
    for folder in args[:2]:
        if not os.path.exists(os.path.join(folder, "pendula.wasm")):
            print(f"skipped: no page built in {folder}")
            sys.exit(SKIPPED)
    if not cdp.find_chromium():
        print("skipped: no chromium (scripts/install-deps.sh --test installs it)")
        sys.exit(SKIPPED)
    try:
        asyncio.run(run(args[0], args[1], args[2], screenshot))
    except AssertionError as failure:
        print(f"FAIL: {failure}")
        sys.exit(1)


if __name__ == "__main__":
    main()
