// The players' page: the leader's map with the party, live, drawn from tiles.
// Every address is relative to the page's own (http://HOST:PORT/KEY/).
'use strict';

(() => {
  const TILE = 256;
  const MAX_FETCHES = 4; // the event stream holds one of the browser's connections
  const MAX_IMAGES = 320; // tiles kept in memory
  const QUIET_LIMIT = 40000; // ms without a byte on the event stream: reconnect
  const MAX_SCALE = 16; // CSS pixels per map pixel

  const $ = (id) => document.getElementById(id);
  const body = document.body;
  const stage = $('stage');
  const canvas = $('map');
  const ctx = canvas.getContext('2d');
  const markerEl = $('marker');
  const label = $('label');
  const notice = $('notice');
  const statusEl = $('status');
  const followButton = $('follow');
  const bar = $('bar');

  // Layouts: the one shown, and a newer one whose visible tiles are still loading.
  let front = null;
  let pending = null;
  let newestKnown = -1; // the newest version the server spoke of
  // What changed from version N-1 to N, for the versions seen: an array of
  // [x, y, w, h] or null (everything).
  const history = new Map();
  // Tiles by "L/X/Y": {level, x, y, rect, images: [{version, bitmap}] newest
  // first, busy: AbortController, answered: newest version the server sent,
  // notBefore: no new request before this time, used: frame last drawn}.
  const tiles = new Map();
  let fetching = 0;

  // Camera: the map position at the window's top left corner, CSS px per map px.
  const cam = { x: 0, y: 0, s: 1 };
  let follow = true;
  // The newest view and marker, from events or layouts; eventCount orders them.
  let eventCount = 0;
  let view = null;
  let viewAt = -1;
  let marker = null;
  let markerAt = -1;

  let state = 'connecting';
  let frameCount = 0;

  // ---- Levels and tiles ----

  function levelCount(map) {
    let level = 0;
    while (Math.ceil(map.width / 2 ** level) > TILE || Math.ceil(map.height / 2 ** level) > TILE) level++;
    return level + 1;
  }

  // The coarsest level whose pixels are at most a device pixel on screen.
  function levelFor(s, layout) {
    const devicePerMap = s * (window.devicePixelRatio || 1);
    const level = Math.floor(Math.log2(1 / devicePerMap) + 1e-9);
    return Math.max(0, Math.min(layout.levels - 1, level));
  }

  function tile(level, x, y) {
    const key = level + '/' + x + '/' + y;
    let t = tiles.get(key);
    if (!t) {
      const side = TILE * 2 ** level;
      t = { key, level, x, y, rect: [x * side, y * side, side, side],
            images: [], busy: null, answered: -1, notBefore: 0, used: 0 };
      tiles.set(key, t);
    }
    return t;
  }

  // The tiles of a level that cover the map rectangle [x0, y0, x1, y1).
  function tilesOver(layout, level, x0, y0, x1, y1) {
    const side = TILE * 2 ** level;
    const columns = Math.ceil(Math.ceil(layout.map.width / 2 ** level) / TILE);
    const rows = Math.ceil(Math.ceil(layout.map.height / 2 ** level) / TILE);
    const list = [];
    const tx0 = Math.max(0, Math.floor(x0 / side)), tx1 = Math.min(columns - 1, Math.floor((x1 - 1) / side));
    const ty0 = Math.max(0, Math.floor(y0 / side)), ty1 = Math.min(rows - 1, Math.floor((y1 - 1) / side));
    for (let ty = ty0; ty <= ty1; ty++)
      for (let tx = tx0; tx <= tx1; tx++) list.push(tile(level, tx, ty));
    return list;
  }

  function meets(a, b) {
    return a[0] < b[0] + b[2] && b[0] < a[0] + a[2] && a[1] < b[1] + b[3] && b[1] < a[1] + a[3];
  }

  // True when the tile's pixels are known to be the same in versions a and b.
  function unchanged(t, a, b) {
    if (a === b) return true;
    const low = Math.min(a, b), high = Math.max(a, b);
    if (high - low > 500) return false;
    for (let v = low + 1; v <= high; v++) {
      const changed = history.get(v);
      if (!Array.isArray(changed)) return false;
      for (const r of changed) if (meets(t.rect, r)) return false;
    }
    return true;
  }

  // The tile's image that shows the given version, if there is one.
  function imageFor(t, version) {
    for (const image of t.images) if (unchanged(t, image.version, version)) return image;
    return null;
  }

  function addImage(t, version, bitmap) {
    if (t.images.some((image) => image.version === version)) {
      release(bitmap);
      return;
    }
    t.images.push({ version, bitmap });
    t.images.sort((a, b) => b.version - a.version);
  }

  function release(bitmap) {
    if (bitmap && bitmap.close) bitmap.close();
  }

  function decode(blob) {
    if (window.createImageBitmap) return createImageBitmap(blob);
    return new Promise((resolve, reject) => {
      const url = URL.createObjectURL(blob);
      const image = new Image();
      image.onload = () => { URL.revokeObjectURL(url); resolve(image); };
      image.onerror = () => { URL.revokeObjectURL(url); reject(new Error('Bild')); };
      image.src = url;
    });
  }

  async function load(t, version) {
    const control = new AbortController();
    t.busy = control;
    fetching++;
    try {
      const response = await fetch('tiles/' + t.level + '/' + t.x + '/' + t.y + '.png?v=' + version,
                                   { signal: control.signal });
      if (!response.ok) throw new Error('HTTP ' + response.status);
      const header = parseInt(response.headers.get('X-Layout-Version'), 10);
      const shows = Number.isInteger(header) ? header : version;
      const bitmap = await decode(await response.blob());
      if (control.signal.aborted) { release(bitmap); return; }
      addImage(t, shows, bitmap);
      if (front && imageFor(t, front.version)) redraw = true;
      t.answered = Math.max(t.answered, shows);
      // Older than asked: the server is not there yet; do not ask again at once.
      t.notBefore = shows < version ? performance.now() + 250 : 0;
      if (shows > newestKnown) {
        newestKnown = shows;
        pullLayout();
      }
    } catch (error) {
      if (error.name !== 'AbortError') t.notBefore = performance.now() + 2000;
    } finally {
      if (t.busy === control) t.busy = null;
      fetching--;
      wake();
    }
  }

  // ---- Camera ----

  function screenSize() {
    return { width: stage.clientWidth || 1, height: stage.clientHeight || 1 };
  }

  // The part of the window the map is fitted into: above the bar.
  function fitArea() {
    const size = screenSize();
    return { width: size.width, height: Math.max(1, size.height - bar.offsetHeight) };
  }

  function minScale(layout) {
    const area = fitArea();
    return 0.5 * Math.min(area.width / layout.map.width, area.height / layout.map.height, 1);
  }

  function fitted(region, layout) {
    const area = fitArea();
    const r = region && region.width > 0 && region.height > 0
      ? region : { x: 0, y: 0, width: layout.map.width, height: layout.map.height };
    let s = Math.min(area.width / r.width, area.height / r.height);
    s = Math.max(minScale(layout), Math.min(MAX_SCALE, s));
    // Room left over shows more of the map rather than what lies beyond its
    // edges, the region still all in sight.
    const place = (start, size, shown, whole) => {
      let at = start + size / 2 - shown / 2;
      at = shown >= whole ? (whole - shown) / 2 : Math.max(0, Math.min(whole - shown, at));
      return Math.max(start + size - shown, Math.min(start, at));
    };
    return { x: place(r.x, r.width, area.width / s, layout.map.width),
             y: place(r.y, r.height, area.height / s, layout.map.height), s };
  }

  // Keeps some of the map in the window: its edges go no further than the middle.
  function clampCamera(c, layout) {
    const size = screenSize();
    c.s = Math.max(minScale(layout), Math.min(MAX_SCALE, c.s));
    const w = size.width / c.s, h = size.height / c.s;
    c.x = Math.min(layout.map.width - w / 2, Math.max(-w / 2, c.x));
    c.y = Math.min(layout.map.height - h / 2, Math.max(-h / 2, c.y));
    return c;
  }

  // The view a layout brings, unless an event told a newer one meanwhile.
  function viewOf(layout) {
    return viewAt > layout.asked ? view : layout.view;
  }

  // Where the camera is once the layout is shown.
  function cameraFor(layout) {
    if (follow || !front) return fitted(viewOf(layout), layout);
    return clampCamera({ x: cam.x, y: cam.y, s: cam.s }, layout);
  }

  // The tiles a layout needs to be shown with a camera: the visible ones of
  // the level that suits the scale, and the whole map's tile beneath them.
  function neededTiles(layout, c) {
    const size = screenSize();
    const level = levelFor(c.s, layout);
    const list = [tile(layout.levels - 1, 0, 0)];
    const x0 = Math.max(0, c.x), y0 = Math.max(0, c.y);
    const x1 = Math.min(layout.map.width, c.x + size.width / c.s);
    const y1 = Math.min(layout.map.height, c.y + size.height / c.s);
    if (x1 <= x0 || y1 <= y0) return list;
    const cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const visible = tilesOver(layout, level, x0, y0, x1, y1).filter((t) => t !== list[0]);
    // Middle first.
    const distance = (t) => Math.hypot(t.rect[0] + t.rect[2] / 2 - cx, t.rect[1] + t.rect[3] / 2 - cy);
    visible.sort((a, b) => distance(a) - distance(b));
    return list.concat(visible);
  }

  function setFollow(on) {
    if (follow === on) return;
    follow = on;
    body.dataset.follow = on ? 'on' : 'off';
    followButton.setAttribute('aria-pressed', on ? 'true' : 'false');
    if (on && front) Object.assign(cam, fitted(view || front.view, front));
    wake(true);
  }

  function userMoved() {
    setFollow(false);
    if (front) clampCamera(cam, front);
    wake(true);
  }

  function zoomAt(px, py, factor) {
    if (!front) return;
    const mx = cam.x + px / cam.s, my = cam.y + py / cam.s;
    cam.s = Math.max(minScale(front), Math.min(MAX_SCALE, cam.s * factor));
    cam.x = mx - px / cam.s;
    cam.y = my - py / cam.s;
    userMoved();
  }

  function panBy(dx, dy) {
    cam.x -= dx / cam.s;
    cam.y -= dy / cam.s;
    userMoved();
  }

  // ---- Layouts ----

  let pulling = false;
  let pullAgain = false;

  async function pullLayout() {
    if (pulling) {
      pullAgain = true;
      return;
    }
    pulling = true;
    pullAgain = false;
    const asked = eventCount;
    let ok = false;
    try {
      const response = await fetch('layout.json', { cache: 'no-store' });
      if (!response.ok) throw new Error('HTTP ' + response.status);
      accept(await response.json(), asked);
      ok = true;
      if (connected) setState('live');
    } catch (error) {
      console.warn('layout.json:', error);
    } finally {
      pulling = false;
      if (pullAgain) pullLayout();
      else if (!ok && connected) setTimeout(pullLayout, 2000);
    }
  }

  function isLayout(l) {
    return l && Number.isInteger(l.version) && l.map && l.map.width > 0 && l.map.height > 0 &&
           Array.isArray(l.pieces);
  }

  function accept(layout, asked) {
    if (!isLayout(layout)) throw new Error('unbekanntes Format');
    const latest = pending || front;
    if (latest && layout.version === latest.version) return;
    if (latest && layout.version < latest.version) {
      // The versions started again (the program restarted): what is shown
      // stays until the new layout is ready, but no tile kept counts for it.
      for (const t of tiles.values()) {
        if (t.busy) t.busy.abort();
        t.busy = null;
        const keep = front && imageFor(t, front.version);
        t.images.forEach((image) => { if (image !== keep) release(image.bitmap); });
        t.images = keep ? [keep] : [];
        if (keep) keep.version = -1;
        t.answered = -1;
        t.notBefore = 0;
      }
      history.clear();
      pending = null;
      canvas.dataset.pending = '';
      if (front) front.version = -1;
      newestKnown = layout.version;
    }
    history.set(layout.version, Array.isArray(layout.changed) ? layout.changed : null);
    for (const v of history.keys()) if (v < layout.version - 600) history.delete(v);
    layout.levels = levelCount(layout.map);
    layout.asked = asked;
    newestKnown = Math.max(newestKnown, layout.version);
    pending = layout;
    canvas.dataset.pending = String(layout.version);
    wake();
  }

  function ready(layout) {
    return neededTiles(layout, cameraFor(layout)).every((t) => imageFor(t, layout.version));
  }

  function commit() {
    const layout = pending;
    pending = null;
    canvas.dataset.pending = '';
    Object.assign(cam, cameraFor(layout));
    if (viewAt <= layout.asked) view = layout.view;
    if (markerAt <= layout.asked) marker = layout.marker || null;
    front = layout;
    body.dataset.version = String(layout.version);
    prune();
    if (labelFor) {
      const same = front.pieces.find((p) => p.kind === labelFor.kind && p.name === labelFor.name);
      if (same) showLabel(same, labelHow);
      else hideLabel();
    }
    showStatus();
  }

  // Drops images no layout can use and, beyond the limit, tiles out of sight.
  function prune() {
    let count = 0;
    for (const [key, t] of tiles) {
      const keep = imageFor(t, front.version);
      t.images = t.images.filter((image) => {
        const used = image === keep || image.version > front.version ||
                     (pending && unchanged(t, image.version, pending.version));
        if (!used) release(image.bitmap);
        return used;
      });
      if (!t.images.length && !t.busy) tiles.delete(key);
      else count += t.images.length;
    }
    if (count <= MAX_IMAGES) return;
    const keep = new Set(neededTiles(front, cam));
    const old = [...tiles.values()].filter((t) => !keep.has(t) && !t.busy).sort((a, b) => a.used - b.used);
    for (const t of old) {
      if (count <= MAX_IMAGES * 0.8) break;
      count -= t.images.length;
      t.images.forEach((image) => release(image.bitmap));
      tiles.delete(t.key);
    }
  }

  // ---- Work of a frame: commit a ready layout, ask for tiles, draw ----

  let woken = false;
  let redraw = true;

  function wake(draw) {
    if (draw) redraw = true;
    if (woken) return;
    woken = true;
    requestAnimationFrame(frame);
  }

  function frame() {
    woken = false;
    frameCount++;
    if (pending && ready(pending)) {
      commit();
      redraw = true;
    }
    const target = pending || front;
    if (target) request(target, target === front ? cam : cameraFor(target));
    if (redraw) {
      redraw = false;
      draw();
    }
  }

  function request(layout, c) {
    const now = performance.now();
    const wanted = neededTiles(layout, c).filter((t) => !imageFor(t, layout.version));
    const wantedSet = new Set(wanted);
    let later = Infinity;
    for (const t of wanted) {
      if (t.busy) continue;
      if (t.answered > layout.version) continue; // the server is further: its layout comes
      if (t.notBefore > now) {
        later = Math.min(later, t.notBefore - now);
        continue;
      }
      if (fetching >= MAX_FETCHES) {
        // Make room: fetches for tiles no longer wanted go.
        const spare = [...tiles.values()].find((u) => u.busy && !wantedSet.has(u));
        if (!spare) break;
        spare.busy.abort();
        spare.busy = null;
      }
      load(t, layout.version);
    }
    if (later < Infinity) setTimeout(() => wake(), later + 5);
  }

  function draw() {
    const dpr = window.devicePixelRatio || 1;
    const size = screenSize();
    const width = Math.round(size.width * dpr), height = Math.round(size.height * dpr);
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
    }
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.fillStyle = '#1b1d22';
    ctx.fillRect(0, 0, width, height);
    canvas.dataset.originX = cam.x.toFixed(3);
    canvas.dataset.originY = cam.y.toFixed(3);
    canvas.dataset.scale = cam.s.toFixed(6);
    if (!front) return;

    const k = cam.s * dpr;
    const dx = (mx) => Math.round((mx - cam.x) * k);
    const dy = (my) => Math.round((my - cam.y) * k);
    const map = front.map;
    ctx.fillStyle = '#2b2e35';
    ctx.fillRect(dx(0), dy(0), dx(map.width) - dx(0), dy(map.height) - dy(0));
    ctx.save();
    ctx.beginPath();
    ctx.rect(dx(0), dy(0), dx(map.width) - dx(0), dy(map.height) - dy(0));
    ctx.clip();
    ctx.imageSmoothingEnabled = k < 2;
    ctx.imageSmoothingQuality = 'high';

    const level = levelFor(cam.s, front);
    canvas.dataset.level = String(level);
    const x1 = Math.min(map.width, cam.x + size.width / cam.s);
    const y1 = Math.min(map.height, cam.y + size.height / cam.s);
    for (const t of tilesOver(front, level, Math.max(0, cam.x), Math.max(0, cam.y), x1, y1)) {
      t.used = frameCount;
      const image = imageFor(t, front.version);
      if (image) {
        const f = 2 ** t.level;
        const x = t.rect[0], y = t.rect[1];
        ctx.drawImage(image.bitmap, dx(x), dy(y), dx(x + image.bitmap.width * f) - dx(x),
                      dy(y + image.bitmap.height * f) - dy(y));
      } else {
        drawCoarser(t, dx, dy);
      }
    }
    ctx.restore();

    if (labelFor) {
      const p = labelFor;
      ctx.lineWidth = Math.max(2, 2 * dpr);
      ctx.strokeStyle = '#e2b04a';
      ctx.strokeRect(dx(p.x) - ctx.lineWidth, dy(p.y) - ctx.lineWidth, dx(p.x + p.width) - dx(p.x) + 2 * ctx.lineWidth,
                     dy(p.y + p.height) - dy(p.y) + 2 * ctx.lineWidth);
    }
    placeMarker();
    placeLabel();
  }

  // A tile not there yet: the part of a coarser level's tile that covers it.
  function drawCoarser(t, dx, dy) {
    for (let level = t.level + 1; level < front.levels; level++) {
      const up = t.level - level;
      const parent = tiles.get(level + '/' + (t.x >> (level - t.level)) + '/' + (t.y >> (level - t.level)));
      const image = parent && imageFor(parent, front.version);
      if (!image) continue;
      const f = 2 ** level;
      const sx = (t.rect[0] - parent.rect[0]) / f, sy = (t.rect[1] - parent.rect[1]) / f;
      const sw = Math.min(TILE * 2 ** up, image.bitmap.width - sx), sh = Math.min(TILE * 2 ** up, image.bitmap.height - sy);
      if (sw <= 0 || sh <= 0) return;
      ctx.drawImage(image.bitmap, sx, sy, sw, sh, dx(t.rect[0]), dy(t.rect[1]),
                    dx(t.rect[0] + sw * f) - dx(t.rect[0]), dy(t.rect[1] + sh * f) - dy(t.rect[1]));
      return;
    }
  }

  function placeMarker() {
    if (!front || !marker || !Number.isFinite(marker.x) || !Number.isFinite(marker.y)) {
      markerEl.hidden = true;
      return;
    }
    markerEl.hidden = false;
    markerEl.style.transform = 'translate(' + ((marker.x - cam.x) * cam.s).toFixed(1) + 'px,' +
                               ((marker.y - cam.y) * cam.s).toFixed(1) + 'px)';
  }

  // ---- Inscriptions ----

  let labelFor = null;
  let labelHow = '';

  function pieceAt(px, py, slack) {
    if (!front) return null;
    const mx = cam.x + px / cam.s, my = cam.y + py / cam.s, pad = slack / cam.s;
    let best = null;
    for (const p of front.pieces) {
      if (mx >= p.x - pad && mx < p.x + p.width + pad && my >= p.y - pad && my < p.y + p.height + pad) best = p;
    }
    return best;
  }

  function showLabel(piece, how) {
    const text = piece.text ? String(piece.text) : String(piece.name || '');
    if (label.textContent !== text) label.textContent = text;
    label.hidden = false;
    label.dataset.kind = String(piece.kind || '');
    labelFor = piece;
    labelHow = how;
    wake(true);
  }

  function hideLabel() {
    if (!labelFor) return;
    labelFor = null;
    label.hidden = true;
    label.textContent = '';
    wake(true);
  }

  function placeLabel() {
    if (!labelFor || label.hidden) return;
    const p = labelFor, size = screenSize();
    const left = (p.x - cam.x) * cam.s, right = (p.x + p.width - cam.x) * cam.s;
    const top = (p.y - cam.y) * cam.s, bottom = (p.y + p.height - cam.y) * cam.s;
    const w = label.offsetWidth, h = label.offsetHeight, gap = 8;
    let x = (left + right) / 2 - w / 2;
    let y = top - h - gap;
    if (y < 4) y = bottom + gap;
    x = Math.max(4, Math.min(size.width - w - 4, x));
    y = Math.max(4, Math.min(size.height - bar.offsetHeight - h - 4, y));
    label.style.transform = 'translate(' + Math.round(x) + 'px,' + Math.round(y) + 'px)';
  }

  // ---- Input ----

  const pointers = new Map(); // id -> {x, y}
  let gesture = null; // {startX, startY, moved, multi}

  function local(event) {
    const r = canvas.getBoundingClientRect();
    return { x: event.clientX - r.left, y: event.clientY - r.top };
  }

  canvas.addEventListener('pointerdown', (event) => {
    if (event.pointerType === 'mouse' && event.button !== 0) return;
    canvas.setPointerCapture(event.pointerId);
    const at = local(event);
    pointers.set(event.pointerId, at);
    if (pointers.size === 1) gesture = { startX: at.x, startY: at.y, moved: false, multi: false };
    else if (gesture) gesture.multi = true;
    event.preventDefault();
  });

  canvas.addEventListener('pointermove', (event) => {
    const at = local(event);
    const before = pointers.get(event.pointerId);
    if (!before) {
      if (event.pointerType === 'mouse') hover(at);
      return;
    }
    if (!gesture.moved && Math.hypot(at.x - gesture.startX, at.y - gesture.startY) < 6 && !gesture.multi) return;
    if (!gesture.moved) {
      gesture.moved = true;
      canvas.classList.add('dragging');
    }
    if (pointers.size === 1) {
      panBy(at.x - before.x, at.y - before.y);
    } else if (pointers.size === 2) {
      const other = [...pointers].find(([id]) => id !== event.pointerId)[1];
      const d0 = Math.hypot(before.x - other.x, before.y - other.y);
      const d1 = Math.hypot(at.x - other.x, at.y - other.y);
      const m0 = { x: (before.x + other.x) / 2, y: (before.y + other.y) / 2 };
      const m1 = { x: (at.x + other.x) / 2, y: (at.y + other.y) / 2 };
      if (d0 > 0 && d1 > 0) zoomAt(m0.x, m0.y, d1 / d0);
      panBy(m1.x - m0.x, m1.y - m0.y);
    }
    pointers.set(event.pointerId, at);
  });

  function pointerGone(event) {
    if (!pointers.has(event.pointerId)) return;
    pointers.delete(event.pointerId);
    if (pointers.size) return;
    canvas.classList.remove('dragging');
    const g = gesture;
    gesture = null;
    if (event.type !== 'pointerup' || !g || g.moved || g.multi) return;
    const at = local(event);
    const piece = pieceAt(at.x, at.y, event.pointerType === 'mouse' ? 2 : 12);
    if (piece) showLabel(piece, 'tap');
    else hideLabel();
  }
  canvas.addEventListener('pointerup', pointerGone);
  canvas.addEventListener('pointercancel', pointerGone);

  function hover(at) {
    const piece = pieceAt(at.x, at.y, 2);
    canvas.classList.toggle('over-piece', !!piece);
    if (piece) {
      if (piece !== labelFor) showLabel(piece, 'hover');
    } else if (labelHow === 'hover') {
      hideLabel();
    }
  }
  canvas.addEventListener('pointerleave', (event) => {
    if (event.pointerType === 'mouse' && labelHow === 'hover') hideLabel();
  });

  canvas.addEventListener('wheel', (event) => {
    event.preventDefault();
    const unit = event.deltaMode === 1 ? 16 : event.deltaMode === 2 ? screenSize().height : 1;
    const at = local(event);
    zoomAt(at.x, at.y, Math.exp(-event.deltaY * unit * 0.0015));
  }, { passive: false });

  canvas.addEventListener('dblclick', (event) => {
    const at = local(event);
    zoomAt(at.x, at.y, 2);
  });

  function zoomMiddle(factor) {
    const area = fitArea();
    zoomAt(area.width / 2, area.height / 2, factor);
  }

  document.addEventListener('keydown', (event) => {
    if (event.ctrlKey || event.metaKey || event.altKey) return;
    const step = 0.15 * Math.min(screenSize().width, screenSize().height);
    switch (event.key) {
      case '+': case '=': zoomMiddle(1.25); break;
      case '-': case '_': zoomMiddle(0.8); break;
      case 'ArrowLeft': panBy(step, 0); break;
      case 'ArrowRight': panBy(-step, 0); break;
      case 'ArrowUp': panBy(0, step); break;
      case 'ArrowDown': panBy(0, -step); break;
      case 'f': case 'F': setFollow(!follow); break;
      case 'Escape': hideLabel(); break;
      default: return;
    }
    event.preventDefault();
  });

  followButton.addEventListener('click', () => setFollow(!follow));
  $('zoom-in').addEventListener('click', () => zoomMiddle(1.25));
  $('zoom-out').addEventListener('click', () => zoomMiddle(0.8));

  window.addEventListener('resize', () => {
    if (follow && front) Object.assign(cam, fitted(view || front.view, front));
    wake(true);
  });

  // ---- Connection: the event stream ----

  let connected = false;
  let stream = null; // AbortController of the stream
  let heard = 0; // last time a byte came
  let attempts = 0;
  let retryTimer = 0;

  function setState(s) {
    if (state === s) return;
    state = s;
    body.dataset.state = s;
    if (s === 'stale') notice.textContent = 'Verbindung unterbrochen – die Ansicht ist nicht aktuell. Neuer Versuch läuft …';
    else if (s === 'connecting') notice.textContent = 'Verbindung wird aufgebaut …';
    showStatus();
  }

  function showStatus() {
    const where = front ? 'Stand ' + front.version : 'Noch keine Karte';
    const how = state === 'live' ? 'verbunden' : state === 'stale' ? 'nicht verbunden' : 'verbindet …';
    statusEl.textContent = where + ' · ' + how;
  }

  // Server-Sent Events read from a fetch stream, so that the keep-alive
  // comments count as signs of life too.
  async function connect() {
    clearTimeout(retryTimer);
    if (stream) stream.abort();
    const control = new AbortController();
    stream = control;
    heard = Date.now();
    try {
      const response = await fetch('events', { signal: control.signal, cache: 'no-store',
                                               headers: { Accept: 'text/event-stream' } });
      if (!response.ok || !response.body) throw new Error('HTTP ' + response.status);
      connected = true;
      attempts = 0;
      heard = Date.now();
      pullLayout();
      const reader = response.body.getReader();
      const decoder = new TextDecoder();
      let rest = '', name = '', data = [];
      for (;;) {
        const { value, done } = await reader.read();
        if (done || stream !== control) break;
        heard = Date.now();
        rest += decoder.decode(value, { stream: true });
        const lines = rest.split(/\r\n|\r|\n/);
        rest = lines.pop();
        for (const line of lines) {
          if (line === '') {
            if (data.length) dispatch(name || 'message', data.join('\n'));
            name = '';
            data = [];
            continue;
          }
          if (line[0] === ':') continue;
          const colon = line.indexOf(':');
          const field = colon < 0 ? line : line.slice(0, colon);
          let text = colon < 0 ? '' : line.slice(colon + 1);
          if (text[0] === ' ') text = text.slice(1);
          if (field === 'event') name = text;
          else if (field === 'data') data.push(text);
        }
      }
      throw new Error('Ende des Datenstroms');
    } catch (error) {
      if (stream !== control) return;
      lost();
    }
  }

  function lost() {
    connected = false;
    if (stream) stream.abort();
    stream = null;
    setState('stale');
    attempts++;
    clearTimeout(retryTimer);
    retryTimer = setTimeout(connect, Math.min(5000, 500 * 2 ** Math.min(attempts, 4)));
  }

  function dispatch(name, text) {
    let data;
    try {
      data = JSON.parse(text);
    } catch (error) {
      return;
    }
    eventCount++;
    if (name === 'layout') {
      if (data && Number.isInteger(data.version) && data.version > newestKnown) newestKnown = data.version;
      pullLayout();
    } else if (name === 'view') {
      if (!data || !(data.width > 0) || !(data.height > 0)) return;
      view = data;
      viewAt = eventCount;
      if (follow && front) Object.assign(cam, fitted(view, front));
      wake(true);
    } else if (name === 'marker') {
      marker = data && Number.isFinite(data.x) && Number.isFinite(data.y) ? data : null;
      markerAt = eventCount;
      wake(true);
    }
  }

  setInterval(() => {
    if (stream && Date.now() - heard > QUIET_LIMIT) {
      const control = stream;
      stream = null;
      control.abort();
      lost();
    }
  }, 2000);

  document.addEventListener('visibilitychange', () => {
    if (document.visibilityState === 'visible' && !connected) connect();
    wake(true);
  });

  body.dataset.follow = 'on';
  showStatus();
  connect();
  wake(true);
})();
