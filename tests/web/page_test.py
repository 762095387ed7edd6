#!/usr/bin/python3
"""The web page in a real browser: Debian's headless Chromium loads it from a local server and
the DevTools protocol drives it.

Checks: the folder served holds the page's files and nothing else; the module holds f64x2
instructions and none of the test build's probes. The rest runs in the test build of the page
(the same page and module with the probes of page_probes.cpp and page_probes.js): the first frame, drawn with the stepping held,
shows grey chains on white fanned out from their base (the desktop start-up test's picture
statistics); a key press and a button press each change the friction and print the line; mouse
look under pointer lock turns the view by the program's gain; the statistics lines come in pairs; the trajectory fingerprint computed in the page equals the
native one; the browser reports no error. Then the models of one's own: ?links=7 draws fanned-out
chains of 7 links and prints the line; ?urdf= loads the WAM arm of Debian's dart-doc, prints its
joint count, draws it and lets it fall under gravity; a broken file and a malformed one print
the loader's messages (one chosen with the file picker, one dropped onto the picture) while the
arm goes on running. Nothing here waits on the machine's speed
except time-outs.

usage: page_test.py PAGE_DIR TEST_PAGE_DIR SCREEN_PROBE [--screenshot FILE.png]
                    [--robot-screenshot FILE.png]
Exit status 77 (skipped) when Chromium, wasm-objdump, pngtopnm or python3-websockets is missing.
"""
import asyncio
import json
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
PROBES = ("pendula_fingerprint", "pendula_time_steps", "pendula_friction", "pendula_torque",
          "pendula_time_robot_steps")
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


def picture_statistics(png, screen_probe, work, name="first"):
    png_path, ppm_path = os.path.join(work, name + ".png"), os.path.join(work, name + ".ppm")
    with open(png_path, "wb") as f:
        f.write(png)
    with open(ppm_path, "wb") as f:
        subprocess.run(["pngtopnm", png_path], stdout=f, check=True)
    output = subprocess.run([screen_probe, "analyse", ppm_path, str(BASE_X), str(BASE_Y)],
                            capture_output=True, text=True, check=True).stdout
    stats = {name: float(value) for name, value in (l.split() for l in output.splitlines())}
    print(f"{name} frame:", " ".join(f"{k} {v:g}" for k, v in stats.items()))
    return stats


def judge_first_frame(png, screen_probe, work):
    """The statistics of the desktop start-up test, with its thresholds."""
    stats = picture_statistics(png, screen_probe, work)
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


async def run(page_dir, test_page_dir, screen_probe, screenshot_path, robot_screenshot_path):
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
    await run_models(test_page_dir, screen_probe, robot_screenshot_path)
    print("PASS")


WAM = "/usr/share/doc/dart/data/urdf/wam/wam.urdf"
# A joint naming a link that no <link> declares, on line 4, and XML that never closes a <link>.
BROKEN = ('<robot name="r">\n<link name="a"/>\n<link name="b"/>\n'
          '<joint name="j" type="revolute"><parent link="ghost"/><child link="b"/>'
          '<limit effort="1" velocity="1"/></joint>\n</robot>\n')
BROKEN_MESSAGE = ("LoadUrdf: broken.urdf:4: joint 'j' names parent link 'ghost', "
                  "which no <link> declares")
MALFORMED = '<robot name="r">\n<link name="a">\n</robot>\n'


async def shown(page):
    """Two animation frames, so that the last frame drawn has reached the screen."""
    await page.evaluate("new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r)))")


async def run_models(test_page_dir, screen_probe, robot_screenshot_path):
    """?links=7, the WAM by ?urdf=, and refused files, served beside the test build's page."""
    work = tempfile.mkdtemp(prefix="pendula-web-models-")
    folder = os.path.join(work, "site")
    shutil.copytree(test_page_dir, folder)
    with open(os.path.join(folder, "broken.urdf"), "w") as f:
        f.write(BROKEN)
    have_wam = os.path.exists(WAM)
    if have_wam:
        shutil.copy(WAM, os.path.join(folder, "wam.urdf"))
    server = cdp.Server(folder)
    page = cdp.Page()
    try:
        await page.start()
        url = f"http://127.0.0.1:{server.port}/index.html"
        await page.send("Page.navigate", url=url + "?paused&links=7")
        await page.wait_for("window.pendula && pendula.framesShown() >= 1")
        await shown(page)
        check("links per chain = 7" in await page.evaluate("pendula.lines()"),
              "?links=7 did not print its line")
        check(await page.evaluate("pendula.linksPerChain()") == 7, "the chains are not of 7 links")
        stats = picture_statistics(await page.screenshot("#scene"), screen_probe, work, "links7")
        # 700 boxes instead of 2,000: a third of the grey of the program's chains and more.
        check(stats["white"] > 0.5 and stats["link_spread"] <= 12, "not grey boxes on white")
        check(stats["link"] > 0.02, "too few grey pixels for 700 boxes")
        check(stats["centre_link"] > 0.6 and stats["sectors"] >= 14,
              "the chains of 7 do not fan out from the joint-1 point")
        # Back to the program's 20: its start-up picture again.
        await page.evaluate("pendula.setLinks(20)")
        check(await page.evaluate("pendula.linksPerChain()") == 20, "the chains are not of 20 links")
        await shown(page)
        judge_first_frame(await page.screenshot("#scene"), screen_probe, work)

        if not have_wam:
            print(f"the robot's checks skipped: no {WAM} (scripts/install-deps.sh installs dart-doc)")
            return
        await page.send("Page.navigate", url=url + "?paused&urdf=wam.urdf")
        await page.wait_for("window.pendula && pendula.robotShown() && pendula.framesShown() >= 1")
        await shown(page)
        check("model wam: 7 joints" in await page.evaluate("pendula.lines()"),
              "the WAM's line is not on the console")
        png = await page.screenshot("#scene")
        if robot_screenshot_path:
            with open(robot_screenshot_path, "wb") as f:
                f.write(png)
        stats = picture_statistics(png, screen_probe, work, "wam")
        check(stats["white"] > 0.7 and stats["link_spread"] <= 12, "not grey boxes on white")
        check(stats["link"] > 0.01, "the arm is not drawn, or too small to see")
        # Upright at zero, the arm falls: after 50 passes (0.6 s) its tip is lower.
        before = await page.evaluate("pendula.robotBoxes()")
        await page.evaluate("pendula.passes(50)")
        after = await page.evaluate("pendula.robotBoxes()")
        tip = 8 * 6 + 6  # the far corner's z of joint 7's box
        print(f"the WAM's wrist: z {before[tip]:.3f} m at zero, {after[tip]:.3f} m after 0.6 s")
        check(after[tip] < before[tip] - 0.05, "the arm does not fall under gravity")
        # Damped by 1 N·m·s/rad at every joint and restarted, it falls more slowly.
        await page.evaluate("(() => { const d = document.getElementById('damping'); d.value = '1';"
                            " d.dispatchEvent(new Event('change')); })()")
        check("joint damping = 1" in await page.evaluate("pendula.lines()"),
              "the damping choice printed no line")
        check(await page.evaluate("pendula.robotBoxes()") == before,
              "the damping choice did not restart the arm")
        await page.evaluate("pendula.passes(50)")
        damped = await page.evaluate("pendula.robotBoxes()")
        print(f"damped by 1: wrist z {damped[tip]:.4f} m after 50 passes")
        check(after[tip] < damped[tip] < before[tip], "the damping does not slow the fall")

        # The broken file by the file picker, the malformed one dropped onto the picture.
        with open(os.path.join(work, "bad.urdf"), "w") as f:
            f.write(MALFORMED)
        for name, how in (("broken.urdf", page.choose_file), ("bad.urdf", page.drop_file)):
            count = len(await page.evaluate("pendula.consoleLines()"))
            await how("#urdf" if how == page.choose_file else "#scene",
                      os.path.join(folder if name == "broken.urdf" else work, name))
            await page.wait_for(f"pendula.consoleLines().length > {count}", timeout=30)
            last = (await page.evaluate("pendula.consoleLines()"))[-1]
            print(f"{name}: {last}")
            check(await page.evaluate("pendula.robotShown()"),
                  f"{name} was not refused with the arm still shown")
            if name == "broken.urdf":
                check(last == BROKEN_MESSAGE, f"{name} printed {last!r}")
            else:
                check(last.startswith("LoadUrdf: bad.urdf:") and "malformed XML" in last,
                      f"{name} printed {last!r}")
        check(await page.evaluate("pendula.robotBoxes().length") == len(after),
              "a refused file changed the robot")
        before = len(await page.evaluate("pendula.lines()"))
        await page.evaluate("pendula.run()")
        await page.wait_for(
            f"pendula.lines().slice({before}).filter(l => l.startsWith('SCR: ')).length >= 2")
        statistics = [l for l in await new_lines(page, before)
                      if l.startswith("Frame rate: ") or l.startswith("SCR: ")]
        print("the arm's statistics:", statistics[:2])
        for n, line in enumerate(statistics):
            check((FRAME_RATE if n % 2 == 0 else SCR).match(line),
                  f"statistics line {n} out of its pair: {line!r}")
        check(not page.errors, f"the browser reported errors: {page.errors}")
    finally:
        await page.close()
        server.close()
        shutil.rmtree(work, ignore_errors=True)


def main():
    args = sys.argv[1:]
    screenshots = {}
    for option in ("--screenshot", "--robot-screenshot"):
        if option in args:
            i = args.index(option)
            screenshots[option] = args[i + 1]
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
        asyncio.run(run(args[0], args[1], args[2], screenshots.get("--screenshot"),
                        screenshots.get("--robot-screenshot")))
    except AssertionError as failure:
        print(f"FAIL: {failure}")
        sys.exit(1)


if __name__ == "__main__":
    main()
