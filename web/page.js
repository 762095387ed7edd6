// The page's platform layer: the WebAssembly module (page.cpp) holds the program's World,
// settings, camera, mouse look and statistics; this file gives it a canvas drawn with WebGL 2,
// the keys and buttons, pointer lock, the animation-frame loop and an on-page console.
//
// Query parameters: ?paused starts with the stepping held (the first frame is drawn); ?links=N
// builds the chains with N links (1 to 100; 20, the program's, unless told); ?urdf=URL loads the
// URDF robot at URL (a file served beside the page) and shows it instead of the chains.
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

  // The fixed-function lighting of the desktop scene: two directional lights fixed in eye space,
  // one specular highlight each, evaluated once per face.
  const lighting = `
    uniform vec3 lightDirection[2], lightDiffuse[2], lightAmbient[2], lightSpecular[2];
    uniform vec3 globalAmbient, materialAmbient, materialDiffuse, materialSpecular;
    uniform float shininess;
    vec3 lit(vec3 n) {
      vec3 c = globalAmbient * materialAmbient;
      for (int l = 0; l < 2; ++l) {
        c += lightAmbient[l] * materialAmbient;
        float d = dot(n, lightDirection[l]);
        if (d > 0.0) {
          vec3 h = normalize(lightDirection[l] + vec3(0.0, 0.0, 1.0));
          c += d * lightDiffuse[l] * materialDiffuse +
               pow(max(dot(n, h), 0.0), shininess) * lightSpecular[l] * materialSpecular;
        }
      }
      return clamp(c, 0.0, 1.0);
    }`;

  const vertexShader = `#version 300 es
    layout(location = 0) in vec3 corner;
    layout(location = 1) in vec3 faceNormal;
    // One texel per link, a row per chain: joint x, y and the link direction's cosine and sine.
    uniform highp sampler2D links;
    uniform int linksPerChain;
    uniform float chainSpacing;
    uniform mat4 view, projection;
    uniform vec3 boxSize;
    ${lighting}
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
      colour = lit(mat3(view) * (turn * (faceNormal / boxSize)));
    }`;
  // The robot's boxes: two texels per box, a row each, the corners it spans (x, y, z and the
  // box's thickness); a box as long as the corners are apart, at least as long as it is thick.
  const robotVertexShader = `#version 300 es
    layout(location = 0) in vec3 corner;
    layout(location = 1) in vec3 faceNormal;
    uniform highp sampler2D boxes;
    uniform mat4 view, projection;
    ${lighting}
    flat out vec3 colour;
    void main() {
      int box = gl_VertexID / ${CornersPerBox};
      vec4 a = texelFetch(boxes, ivec2(0, box), 0), b = texelFetch(boxes, ivec2(1, box), 0);
      vec3 d = b.xyz - a.xyz;
      float len = length(d);
      vec3 u = len > 1e-6 * a.w ? d / len : vec3(1.0, 0.0, 0.0);
      vec3 v = normalize(cross(abs(u.z) < 0.9 ? vec3(0.0, 0.0, 1.0) : vec3(1.0, 0.0, 0.0), u));
      mat3 frame = mat3(u, v, cross(u, v));
      vec3 size = vec3(max(len, a.w), a.w, a.w);
      gl_Position = projection * view * vec4(0.5 * (a.xyz + b.xyz) + frame * (corner * size), 1.0);
      colour = lit(normalize(mat3(view) * (frame * faceNormal)));
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

  function link(gl, vertexSource) {
    const program = gl.createProgram();
    gl.attachShader(program, compile(gl, gl.VERTEX_SHADER, vertexSource));
    gl.attachShader(program, compile(gl, gl.FRAGMENT_SHADER, fragmentShader));
    gl.linkProgram(program);
    if (!gl.getProgramParameter(program, gl.LINK_STATUS)) {
      throw new Error('program: ' + gl.getProgramInfoLog(program));
    }
    return program;
  }

  // Every box's 24 corners in one static buffer, indexed, and the boxes' places in a float
  // texture that each frame rewrites: one draw call without instancing, which the software
  // renderer of headless browsers (SwiftShader) runs several times faster than 2,000 instances.
  function boxGeometry(gl, boxCount) {
    const cube = unitCube();
    const corners = new Float32Array(cube.corners.length * boxCount);
    const indices = new Uint32Array(cube.triangles.length * boxCount);
    for (let box = 0; box < boxCount; ++box) {
      corners.set(cube.corners, box * cube.corners.length);
      indices.set(cube.triangles.map((i) => i + box * CornersPerBox), box * cube.triangles.length);
    }
    const vertexArray = gl.createVertexArray();
    const buffers = [gl.createBuffer(), gl.createBuffer()];
    gl.bindVertexArray(vertexArray);
    gl.bindBuffer(gl.ARRAY_BUFFER, buffers[0]);
    gl.bufferData(gl.ARRAY_BUFFER, corners, gl.STATIC_DRAW);
    gl.bindBuffer(gl.ELEMENT_ARRAY_BUFFER, buffers[1]);
    gl.bufferData(gl.ELEMENT_ARRAY_BUFFER, indices, gl.STATIC_DRAW);
    gl.enableVertexAttribArray(0);
    gl.vertexAttribPointer(0, 3, gl.FLOAT, false, 24, 0);
    gl.enableVertexAttribArray(1);
    gl.vertexAttribPointer(1, 3, gl.FLOAT, false, 24, 12);
    gl.bindVertexArray(null);
    vertexArray.buffers = buffers;
    return vertexArray;
  }

  // What boxGeometry and floatTexture made for a shape no longer drawn.
  function release(gl, shape) {
    if (shape.geometry) {
      for (const buffer of shape.geometry.buffers) gl.deleteBuffer(buffer);
      gl.deleteVertexArray(shape.geometry);
    }
    if (shape.texture) gl.deleteTexture(shape.texture);
  }

  function floatTexture(gl, width, height) {
    const texture = gl.createTexture();
    gl.bindTexture(gl.TEXTURE_2D, texture);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.NEAREST);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.NEAREST);
    gl.texStorage2D(gl.TEXTURE_2D, 1, gl.RGBA32F, width, height);
    return texture;
  }

  function setUpRenderer(c) {
    const gl = canvas.getContext('webgl2', { alpha: false, antialias: false, depth: true });
    if (!gl) throw new Error('this browser gives the page no WebGL 2 context');
    const normalise = (v) => { const l = Math.hypot(v[0], v[1], v[2]); return v.map((x) => x / l); };
    function lightUp(program) {
      gl.useProgram(program);
      const at = (name) => gl.getUniformLocation(program, name);
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
      gl.uniform1i(at('links'), 0);
      gl.uniform1i(at('boxes'), 0);
      return at;
    }
    const chainProgram = link(gl, vertexShader);
    const chainAt = lightUp(chainProgram);
    gl.uniform3fv(chainAt('boxSize'), [c.linkLength, c.linkThickness, c.linkThickness]);
    gl.uniform1f(chainAt('chainSpacing'), c.chainSpacing);
    const robotProgram = link(gl, robotVertexShader);
    const robotAt = lightUp(robotProgram);
    gl.enable(gl.DEPTH_TEST);
    gl.clearColor(...c.clearColour);

    const r = {
      gl,
      chains: { program: chainProgram, view: chainAt('view'), projection: chainAt('projection') },
      robot: { program: robotProgram, view: robotAt('view'), projection: robotAt('projection') },
      // Geometry and texture for every chain of `links` links, made anew for a new count.
      shapeChains(links) {
        release(gl, r.chains);
        r.chains.links = links;
        r.chains.geometry = boxGeometry(gl, c.chainCount * links);
        r.chains.texture = floatTexture(gl, links, c.chainCount);
        gl.useProgram(chainProgram);
        gl.uniform1i(chainAt('linksPerChain'), links);
      },
      shapeRobot(boxCount) {
        release(gl, r.robot);
        r.robot.boxCount = boxCount;
        r.robot.geometry = boxGeometry(gl, boxCount);
        r.robot.texture = floatTexture(gl, 2, boxCount);
      },
    };
    return r;
  }

  // The characters of the XML text before each element's start tag, as line numbers (from 1),
  // in document order: the browser's parser keeps no positions, and a URDF's messages name
  // lines. Comments, CDATA sections, processing instructions and declarations hold no element.
  function elementLines(text) {
    const lines = [];
    let line = 1;
    let at = 0;
    const skipTo = (end) => {
      const found = text.indexOf(end, at);
      const stop = found < 0 ? text.length : found + end.length;
      for (let k = at; k < stop; ++k) if (text.charCodeAt(k) === 10) ++line;
      at = stop;
    };
    while (at < text.length) {
      const open = text.indexOf('<', at);
      if (open < 0) break;
      for (let k = at; k < open; ++k) if (text.charCodeAt(k) === 10) ++line;
      at = open;
      if (text.startsWith('<!--', at)) { skipTo('-->'); continue; }
      if (text.startsWith('<![CDATA[', at)) { skipTo(']]>'); continue; }
      if (text.startsWith('<?', at)) { skipTo('?>'); continue; }
      if (text.startsWith('<!', at) || text.startsWith('</', at)) { skipTo('>'); continue; }
      lines.push(line);
      // To the tag's end; a quoted attribute value may hold '>'.
      let quote = null;
      for (++at; at < text.length; ++at) {
        const ch = text[at];
        if (ch === '\n') ++line;
        if (quote) { if (ch === quote) quote = null; } else if (ch === '"' || ch === "'") {
          quote = ch;
        } else if (ch === '>') { ++at; break; }
      }
    }
    return lines;
  }

  // The URDF text's elements as page_robot.h reads them, or the browser parser's complaint in
  // the library's words: "LoadUrdf: <name>:<line>: malformed XML: ...".
  function listElements(text, name) {
    const document = new DOMParser().parseFromString(text, 'application/xml');
    const error = document.getElementsByTagName('parsererror')[0];
    if (error) {
      // Chromium's complaint is in a <div> of its own, beside its page-level wrapping.
      const detail = error.querySelector('div');
      const said = (detail || error).textContent;
      const place = /line (\d+) at column \d+: ([^\n]*)/.exec(said);
      return { error: 'LoadUrdf: ' + name + ':' + (place ? place[1] + ': malformed XML: ' +
        place[2] : '1: malformed XML: ' + said.trim().split('\n')[0]) };
    }
    const lines = elementLines(text);
    const tokens = [];
    let index = 0;
    const pending = [document.documentElement];
    // Depth first without recursion: an element's tokens, its children's, then its ")".
    while (pending.length) {
      const element = pending.pop();
      if (element === null) { tokens.push(')'); continue; }
      tokens.push('(', element.tagName, String(lines[index++] || 0),
        String(element.attributes.length));
      for (const attribute of element.attributes) tokens.push(attribute.name, attribute.value);
      pending.push(null);
      for (let k = element.children.length - 1; k >= 0; --k) pending.push(element.children[k]);
    }
    return { bytes: new TextEncoder().encode(tokens.join('\0') + '\0') };
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
    r.shapeChains(c.linksPerChain);
    let robotShown = false;
    let robotView = null;
    let running = !params.has('paused');
    let redrawWanted = true;

    function drain() {
      const text = M.UTF8ToString(M._pendula_output());
      if (text) print(text);
    }

    function drawChains() {
      const links = r.chains.links;
      const boxes = M._pendula_link_boxes() >> 2;
      const linkCount = chainCount * links;
      gl.useProgram(r.chains.program);
      gl.bindVertexArray(r.chains.geometry);
      gl.bindTexture(gl.TEXTURE_2D, r.chains.texture);
      gl.texSubImage2D(gl.TEXTURE_2D, 0, 0, 0, links, chainCount, gl.RGBA, gl.FLOAT,
        M.HEAPF32.subarray(boxes, boxes + 4 * linkCount));
      const v = M._pendula_view() >> 3;
      const eye = Array.from(M.HEAPF64.subarray(v, v + 3));
      const centre = Array.from(M.HEAPF64.subarray(v + 3, v + 6));
      gl.uniformMatrix4fv(r.chains.projection, false, perspective(c.fieldOfViewDegrees,
        canvas.width / canvas.height, c.nearPlane, c.farPlane));
      gl.uniformMatrix4fv(r.chains.view, false, lookAt(eye, centre, c.upVector));
      gl.clear(gl.COLOR_BUFFER_BIT | gl.DEPTH_BUFFER_BIT);
      gl.drawElements(gl.TRIANGLES, IndicesPerBox * linkCount, gl.UNSIGNED_INT, 0);
    }

    function drawRobot() {
      const count = r.robot.boxCount;
      const boxes = M._pendula_robot_boxes() >> 2;
      gl.useProgram(r.robot.program);
      gl.bindVertexArray(r.robot.geometry);
      gl.bindTexture(gl.TEXTURE_2D, r.robot.texture);
      gl.texSubImage2D(gl.TEXTURE_2D, 0, 0, 0, 2, count, gl.RGBA, gl.FLOAT,
        M.HEAPF32.subarray(boxes, boxes + 8 * count));
      gl.uniformMatrix4fv(r.robot.projection, false, perspective(c.fieldOfViewDegrees,
        canvas.width / canvas.height, robotView.near, robotView.far));
      gl.uniformMatrix4fv(r.robot.view, false, lookAt(robotView.eye, [0, 0, 0], [0, 0, 1]));
      gl.clear(gl.COLOR_BUFFER_BIT | gl.DEPTH_BUFFER_BIT);
      gl.drawElements(gl.TRIANGLES, IndicesPerBox * count, gl.UNSIGNED_INT, 0);
    }

    function draw() {
      gl.viewport(0, 0, canvas.width, canvas.height);
      if (robotShown) drawRobot(); else drawChains();
      M._pendula_frame_shown();
    }

    // The robot hangs from its base at the origin (z up) and never leaves the sphere of its
    // reach: the eye looks at the base from where that sphere fills the view, a little from
    // above and to the side.
    function placeRobotCamera() {
      const reach = M._pendula_robot_reach();
      const distance = 1.1 * reach / Math.sin((c.fieldOfViewDegrees * Math.PI) / 360);
      const direction = [0.55, -0.8, 0.25];
      const l = Math.hypot(...direction);
      robotView = { eye: direction.map((x) => (x / l) * distance),
        near: 0.05 * distance, far: 4 * distance };
    }

    // A URDF text read by the browser's parser and handed to the module; a file refused leaves
    // the page showing what it showed.
    function loadUrdf(text, name) {
      const listed = listElements(text, name);
      if (listed.error) {
        print(listed.error);
        return false;
      }
      const stream = M._malloc(listed.bytes.length);
      const nameBytes = new TextEncoder().encode(name + '\0');
      const namePointer = M._malloc(nameBytes.length);
      if (!stream || !namePointer) {
        M._free(stream);
        M._free(namePointer);
        print('LoadUrdf: ' + name + ': too large for the page\'s memory');
        return false;
      }
      M.HEAPU8.set(listed.bytes, stream);
      M.HEAPU8.set(nameBytes, namePointer);
      const joints = M._pendula_load_urdf(stream, listed.bytes.length, namePointer);
      M._free(stream);
      M._free(namePointer);
      drain();
      if (joints > 0) {
        const damping = Number(document.getElementById('damping').value);
        if (damping >= 0) {
          M._pendula_robot_damping(damping);
          drain();
        }
        robotShown = true;
        r.shapeRobot(M._pendula_robot_box_count());
        placeRobotCamera();
        redrawWanted = true;
      }
      return joints > 0;
    }

    function showChains() {
      if (!robotShown) return;
      robotShown = false;
      M._pendula_show_chains();
      redrawWanted = true;
    }

    function setLinks(links) {
      const built = M._pendula_set_link_count(links);
      if (built !== r.chains.links) r.shapeChains(built);
      document.getElementById('links').value = built;
      showChains();
      redrawWanted = true;
      drain();
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
      showChains();
      redrawWanted = true;
    });
    document.getElementById('links').addEventListener('change', (event) => {
      const links = Math.round(Number(event.target.value));
      setLinks(Number.isFinite(links) ? links : c.linksPerChain);
    });
    document.getElementById('damping').addEventListener('change', (event) => {
      M._pendula_robot_damping(Number(event.target.value));
      redrawWanted = true;
      drain();
    });
    function loadFile(file) {
      if (!file) return;
      file.text().then((text) => loadUrdf(text, file.name),
        (error) => print('LoadUrdf: cannot read ' + file.name + ': ' + error));
    }
    document.getElementById('urdf').addEventListener('change', (event) => {
      loadFile(event.target.files[0]);
      event.target.value = '';
    });
    canvas.addEventListener('dragover', (event) => event.preventDefault());
    canvas.addEventListener('drop', (event) => {
      event.preventDefault();
      loadFile(event.dataTransfer.files[0]);
    });
    // The page's test build (tests/web/page_probes.js) looks in here; the page itself has no
    // use for it, and without the probes nothing calls it.
    if (typeof window.pendulaProbes === 'function') {
      window.pendulaProbes({
        M, corrected, startUpMs, draw, drain,
        running: () => running,
        setRunning,
        redraw: () => { redrawWanted = true; },
        loadUrdf,
        setLinks,
        robotShown: () => robotShown,
      });
    }
    // After the probes, so that the test build sees these lines too.
    if (params.has('links')) setLinks(Math.round(Number(params.get('links'))) || 1);
    if (params.has('urdf')) {
      const url = params.get('urdf');
      const name = url.split('/').pop() || url;
      fetch(url).then((response) => {
        if (!response.ok) throw new Error(response.status + ' ' + response.statusText);
        return response.text();
      }).then((text) => loadUrdf(text, name),
        (error) => print('LoadUrdf: cannot open ' + url + ': ' + error.message));
    }

    requestAnimationFrame(frame);
  }

  createPendula().then(start).catch((error) => {
    console.error('pendula: ' + (error && error.stack ? error.stack : error));
    print('pendula could not start: ' + error);
  });
})();
