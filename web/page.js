// The page's platform layer: the WebAssembly module (page.cpp) holds the program's World,
// settings, camera, mouse look and statistics; this file gives it a canvas drawn with WebGL 2,
// the keys and buttons, pointer lock, the animation-frame loop and an on-page console.
//
// Query parameters: ?paused starts with the stepping held (the first frame is drawn).
'use strict';

(function () {
  const params = new URLSearchParams(location.search);
  const consoleElement = document.getElementById('console');
  const canvas = document.getElementById('scene');
  const MaxConsoleLines = 500;
  const CornersPerBox = 24;
  const IndicesPerBox = 36;

  function print(text) {
    for (const line of text.split('\n')) {
      if (line === '') continue;
      const row = document.createElement('div');
      row.textContent = line;
      consoleElement.appendChild(row);
      while (consoleElement.childNodes.length > MaxConsoleLines) {
        consoleElement.removeChild(consoleElement.firstChild);
      }
    }
    consoleElement.scrollTop = consoleElement.scrollHeight;
  }

  // One box, corners at ±0.5: 4 corners per face, each with the face's outward normal, and the
  // face's two triangles (counter-clockwise seen from outside) as indices into them.
  function unitCube() {
    const corners = [];
    const triangles = [];
    const faces = [[0, 1], [0, -1], [1, 1], [1, -1], [2, 1], [2, -1]];
    for (const [axis, sign] of faces) {
      const u = (axis + 1) % 3, v = (axis + 2) % 3;
      const first = corners.length / 6;
      for (const [a, b] of [[-1, -1], [1, -1], [1, 1], [-1, 1]]) {
        const p = [0, 0, 0];
        p[axis] = 0.5 * sign;
        p[u] = a * 0.5;
        p[v] = b * 0.5 * sign;
        const n = [0, 0, 0];
        n[axis] = sign;
        corners.push(...p, ...n);
      }
      triangles.push(first, first + 1, first + 2, first, first + 2, first + 3);
    }
    return { corners: new Float32Array(corners), triangles };
  }

  // gluPerspective and gluLookAt, column-major.
  function perspective(fovyDegrees, aspect, near, far) {
    const f = 1 / Math.tan((fovyDegrees * Math.PI) / 360);
    return new Float32Array([f / aspect, 0, 0, 0, 0, f, 0, 0, 0, 0, (far + near) / (near - far),
      -1, 0, 0, (2 * far * near) / (near - far), 0]);
  }
  function lookAt(e, c, up) {
    const normalise = (v) => { const l = Math.hypot(v[0], v[1], v[2]); return v.map((x) => x / l); };
    const cross = (a, b) => [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
      a[0] * b[1] - a[1] * b[0]];
    const f = normalise([c[0] - e[0], c[1] - e[1], c[2] - e[2]]);
    const s = normalise(cross(f, up));
    const u = cross(s, f);
    const dot = (a, b) => a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    return new Float32Array([s[0], u[0], -f[0], 0, s[1], u[1], -f[1], 0, s[2], u[2], -f[2], 0,
      -dot(s, e), -dot(u, e), dot(f, e), 1]);
  }

  const vertexShader = `#version 300 es
    layout(location = 0) in vec3 corner;
    layout(location = 1) in vec3 faceNormal;
    // One texel per link, a row per chain: joint x, y and the link direction's cosine and sine.
    uniform highp sampler2D links;
    uniform int linksPerChain;
    uniform float chainSpacing;
    uniform mat4 view, projection;
    uniform vec3 boxSize;
    uniform vec3 lightDirection[2], lightDiffuse[2], lightAmbient[2], lightSpecular[2];
    uniform vec3 globalAmbient, materialAmbient, materialDiffuse, materialSpecular;
    uniform float shininess;
    flat out vec3 colour;
    void main() {
      int box = gl_VertexID / ${CornersPerBox};
      int chain = box / linksPerChain;
      vec4 link = texelFetch(links, ivec2(box - chain * linksPerChain, chain), 0);
      mat3 turn = mat3(link.z, link.w, 0.0, -link.w, link.z, 0.0, 0.0, 0.0, 1.0);
      vec3 joint = vec3(link.xy, chainSpacing * float(chain));
      vec3 world = joint + turn * (corner * boxSize + vec3(0.5 * boxSize.x, 0.0, 0.0));
      gl_Position = projection * view * vec4(world, 1.0);
      // Normals go by the inverse transpose, which divides by the box's scale; as in the
      // desktop scene nothing renormalises them, so the thin faces are lit more brightly.
      vec3 n = mat3(view) * (turn * (faceNormal / boxSize));
      vec3 lit = globalAmbient * materialAmbient;
      for (int l = 0; l < 2; ++l) {
        lit += lightAmbient[l] * materialAmbient;
        float d = dot(n, lightDirection[l]);
        if (d > 0.0) {
          vec3 h = normalize(lightDirection[l] + vec3(0.0, 0.0, 1.0));
          lit += d * lightDiffuse[l] * materialDiffuse +
                 pow(max(dot(n, h), 0.0), shininess) * lightSpecular[l] * materialSpecular;
        }
      }
      colour = clamp(lit, 0.0, 1.0);
    }`;
  const fragmentShader = `#version 300 es
    precision mediump float;
    flat in vec3 colour;
    out vec4 fragment;
    void main() { fragment = vec4(colour, 1.0); }`;

  function compile(gl, type, source) {
    const shader = gl.createShader(type);
    gl.shaderSource(shader, source);
    gl.compileShader(shader);
    if (!gl.getShaderParameter(shader, gl.COMPILE_STATUS)) {
      throw new Error('shader: ' + gl.getShaderInfoLog(shader));
    }
    return shader;
  }

  function setUpRenderer(c) {
    const gl = canvas.getContext('webgl2', { alpha: false, antialias: false, depth: true });
    if (!gl) throw new Error('this browser gives the page no WebGL 2 context');
    const program = gl.createProgram();
    gl.attachShader(program, compile(gl, gl.VERTEX_SHADER, vertexShader));
    gl.attachShader(program, compile(gl, gl.FRAGMENT_SHADER, fragmentShader));
    gl.linkProgram(program);
    if (!gl.getProgramParameter(program, gl.LINK_STATUS)) {
      throw new Error('program: ' + gl.getProgramInfoLog(program));
    }
    gl.useProgram(program);
    const at = (name) => gl.getUniformLocation(program, name);
    const normalise = (v) => { const l = Math.hypot(v[0], v[1], v[2]); return v.map((x) => x / l); };
    gl.uniform3fv(at('boxSize'), [c.linkLength, c.linkThickness, c.linkThickness]);
    // Both lights have the same diffuse and ambient colours.
    gl.uniform3fv(at('lightDirection'), [...normalise(c.light0Direction),
      ...normalise(c.light1Direction)]);
    gl.uniform3fv(at('lightDiffuse'), [...c.lightDiffuse, ...c.lightDiffuse]);
    gl.uniform3fv(at('lightAmbient'), [...c.lightAmbient, ...c.lightAmbient]);
    gl.uniform3fv(at('lightSpecular'), [...c.light0Specular, ...c.light1Specular]);
    gl.uniform3fv(at('globalAmbient'), c.globalAmbient);
    gl.uniform3fv(at('materialAmbient'), c.materialAmbient);
    gl.uniform3fv(at('materialDiffuse'), c.linkColour);
    gl.uniform3fv(at('materialSpecular'), c.linkSpecular);
    gl.uniform1f(at('shininess'), c.shininess);

    // Every box's 24 corners in one static buffer, indexed, and the links' places in a float
    // texture that each frame rewrites: one draw call without instancing, which the software
    // renderer of headless browsers (SwiftShader) runs several times faster than 2,000 instances.
    const cube = unitCube();
    const boxCount = c.chainCount * c.linksPerChain;
    const corners = new Float32Array(cube.corners.length * boxCount);
    const indices = new Uint32Array(cube.triangles.length * boxCount);
    for (let box = 0; box < boxCount; ++box) {
      corners.set(cube.corners, box * cube.corners.length);
      indices.set(cube.triangles.map((i) => i + box * CornersPerBox), box * cube.triangles.length);
    }
    gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
    gl.bufferData(gl.ARRAY_BUFFER, corners, gl.STATIC_DRAW);
    gl.bindBuffer(gl.ELEMENT_ARRAY_BUFFER, gl.createBuffer());
    gl.bufferData(gl.ELEMENT_ARRAY_BUFFER, indices, gl.STATIC_DRAW);
    gl.enableVertexAttribArray(0);
    gl.vertexAttribPointer(0, 3, gl.FLOAT, false, 24, 0);
    gl.enableVertexAttribArray(1);
    gl.vertexAttribPointer(1, 3, gl.FLOAT, false, 24, 12);
    const boxes = gl.createTexture();
    gl.bindTexture(gl.TEXTURE_2D, boxes);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.NEAREST);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.NEAREST);
    gl.texStorage2D(gl.TEXTURE_2D, 1, gl.RGBA32F, c.linksPerChain, c.chainCount);
    gl.uniform1i(at('links'), 0);
    gl.uniform1i(at('linksPerChain'), c.linksPerChain);
    gl.uniform1f(at('chainSpacing'), c.chainSpacing);

    gl.enable(gl.DEPTH_TEST);
    gl.clearColor(...c.clearColour);
    return { gl, boxes, view: at('view'), projection: at('projection') };
  }

  function start(M) {
    const startUpStarted = performance.now();
    const corrected = M._pendula_start();
    const startUpMs = performance.now() - startUpStarted;
    if (corrected < 0) {
      console.error('the sine table does not match the one recorded at build time');
    }
    const c = JSON.parse(M.UTF8ToString(M._pendula_constants()));
    canvas.width = c.width;
    canvas.height = c.height;
    const r = setUpRenderer(c);
    const gl = r.gl;
    let chainCount = c.chainCount;
    let running = !params.has('paused');
    let redrawWanted = true;

    function drain() {
      const text = M.UTF8ToString(M._pendula_output());
      if (text) print(text);
    }

    function draw() {
      const boxes = M._pendula_link_boxes() >> 2;
      const linkCount = chainCount * c.linksPerChain;
      gl.texSubImage2D(gl.TEXTURE_2D, 0, 0, 0, c.linksPerChain, chainCount, gl.RGBA, gl.FLOAT,
        M.HEAPF32.subarray(boxes, boxes + 4 * linkCount));
      const v = M._pendula_view() >> 3;
      const eye = Array.from(M.HEAPF64.subarray(v, v + 3));
      const centre = Array.from(M.HEAPF64.subarray(v + 3, v + 6));
      gl.viewport(0, 0, canvas.width, canvas.height);
      gl.uniformMatrix4fv(r.projection, false, perspective(c.fieldOfViewDegrees,
        canvas.width / canvas.height, c.nearPlane, c.farPlane));
      gl.uniformMatrix4fv(r.view, false, lookAt(eye, centre, c.upVector));
      gl.clear(gl.COLOR_BUFFER_BIT | gl.DEPTH_BUFFER_BIT);
      gl.drawElements(gl.TRIANGLES, IndicesPerBox * linkCount, gl.UNSIGNED_INT, 0);
      M._pendula_frame_shown();
    }

    // Idle passes until the fifth asks for a display, as the desktop program's idle handler
    // does; while paused only the camera moves.
    function frame() {
      if (running) {
        while (!M._pendula_idle_pass()) { /* the next pass */ }
        redrawWanted = true;
      } else if (M._pendula_mouse_look_on()) {
        M._pendula_look();
        redrawWanted = true;
      }
      if (redrawWanted) {
        draw();
        redrawWanted = false;
      }
      drain();
      requestAnimationFrame(frame);
    }

    function followMouseLook() {
      const on = M._pendula_mouse_look_on() === 1;
      if (on && document.pointerLockElement !== canvas) {
        const request = canvas.requestPointerLock();
        if (request && request.catch) request.catch(lockRefused);
      } else if (!on && document.pointerLockElement === canvas) {
        document.exitPointerLock();
      }
    }

    // Without the lock the page sees no movements: mouse look goes off again.
    function lockRefused() {
      if (M._pendula_mouse_look_on()) key('Insert');
    }

    function key(code) {
      M._pendula_key(c.keys[code]);
      redrawWanted = true;
      if (code === 'Insert') followMouseLook();
      drain();
    }

    document.addEventListener('keydown', (event) => {
      if (!(event.code in c.keys)) return;
      event.preventDefault();  // keep F1 (help) and the arrows (scrolling) for the page
      key(event.code);
    });
    for (const code of ['F1', 'F8', 'F9', 'F10', 'Insert']) {
      document.getElementById('key-' + code).addEventListener('click', () => key(code));
    }
    canvas.addEventListener('click', () => key('Insert'));
    document.addEventListener('pointerlockchange', () => {
      // Esc leaves pointer lock in the browser; mouse look goes off with it.
      if (document.pointerLockElement !== canvas && M._pendula_mouse_look_on()) key('Insert');
    });
    document.addEventListener('pointerlockerror', lockRefused);
    document.addEventListener('mousemove', (event) => {
      if (document.pointerLockElement === canvas) {
        M._pendula_pointer_moved(event.movementX, event.movementY);
      }
    });

    const pauseButton = document.getElementById('pause');
    function setRunning(value) {
      running = value;
      pauseButton.textContent = running ? 'Pause' : 'Run';
    }
    setRunning(running);
    pauseButton.addEventListener('click', () => setRunning(!running));
    document.getElementById('step').addEventListener('click', () => {
      setRunning(false);
      M._pendula_idle_pass();
      redrawWanted = true;
      drain();
    });
    document.getElementById('reset').addEventListener('click', () => {
      M._pendula_reset();
      redrawWanted = true;
    });
    document.getElementById('chains').addEventListener('change', (event) => {
      chainCount = M._pendula_set_chain_count(Number(event.target.value));
      redrawWanted = true;
    });

    // The page's test build (tests/web/page_probes.js) looks in here; the page itself has no
    // use for it, and without the probes nothing calls it.
    if (typeof window.pendulaProbes === 'function') {
      window.pendulaProbes({
        M, corrected, startUpMs, draw, drain,
        running: () => running,
        setRunning,
        redraw: () => { redrawWanted = true; },
      });
    }
    requestAnimationFrame(frame);
  }

  createPendula().then(start).catch((error) => {
    console.error('pendula: ' + (error && error.stack ? error.stack : error));
    print('pendula could not start: ' + error);
  });
})();
