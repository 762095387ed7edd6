// The probes of the page's test build: window.pendula, what the browser test (page_test.py) and
// bench/web_speed.py read and do in the page. Loaded before page.js, which hands this its parts
// once the module has started; the shipped page loads no such file.
'use strict';

window.pendulaProbes = function (page) {
  const M = page.M;
  // Every line the program printed and every display shown, seen as page.js drains the module's
  // output and reports its displays, through these two calls of the module.
  const lines = [];
  let framesShown = 0;
  observe('_pendula_output', (text) => {
    for (const line of M.UTF8ToString(text).split('\n')) if (line !== '') lines.push(line);
  });
  observe('_pendula_frame_shown', () => { framesShown += 1; });

  // Runs after(result) after every call of the module's function `name`. The loader replaces
  // each function on its first call by the module's own, so the replacement is caught too.
  function observe(name, after) {
    let call = M[name];
    Object.defineProperty(M, name, {
      get: () => (...args) => {
        const result = call(...args);
        after(result);
        return result;
      },
      set: (replacement) => { call = replacement; },
    });
  }

  window.pendula = {
    sineEntriesCorrected: page.corrected,
    startUpMs: page.startUpMs,
    framesShown: () => framesShown,
    lines: () => lines.slice(),
    // The eye and the point it looks at: x, y, z each.
    view: () => { const v = M._pendula_view() >> 3; return Array.from(M.HEAPF64.subarray(v, v + 6)); },
    mouseLook: () => M._pendula_mouse_look_on() === 1,
    friction: () => M._pendula_friction(),
    torque: () => M._pendula_torque(),
    running: page.running,
    // Every line on the page's console, the page's own messages among them.
    consoleLines: () => Array.from(document.getElementById('console').children,
      (row) => row.textContent),
    linksPerChain: () => M._pendula_links_per_chain(),
    setLinks: page.setLinks,
    // A URDF text loaded as a chosen file of that name is; true when its robot is shown.
    loadUrdf: page.loadUrdf,
    robotShown: page.robotShown,
    // The robot's boxes at its present positions: 8 floats each, two corners (x, y, z, size).
    robotBoxes: () => {
      const b = M._pendula_robot_boxes() >> 2;
      return Array.from(M.HEAPF32.subarray(b, b + 8 * M._pendula_robot_box_count()));
    },
    run: () => page.setRunning(true),
    fingerprint: () => M.UTF8ToString(M._pendula_fingerprint()),
    timeSteps: (steps) => M._pendula_time_steps(steps),
    timeRobotSteps: (steps) => M._pendula_time_robot_steps(steps),
    // Milliseconds per display of n displays drawn back to back, each waited for.
    timeDraws: (n) => {
      const gl = document.getElementById('scene').getContext('webgl2');
      const pixel = new Uint8Array(4);
      const started = performance.now();
      for (let k = 0; k < n; ++k) {
        page.draw();
        gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
      }
      return (performance.now() - started) / n;
    },
    // n idle passes at once and a display, for pictures of a chosen moment.
    passes: (n) => {
      for (let pass = 0; pass < n; ++pass) M._pendula_idle_pass();
      page.redraw();
      page.drain();
    },
  };
};
