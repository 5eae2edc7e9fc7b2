#!/usr/bin/python3
"""Drives the players' page in headless Chromium (selenium, chromedriver).

As a program: share_browser.py [--phone | --tv] URL STEP... runs the steps in
one browser session and prints one line for each step that reads something.
A wait that runs out or a check that fails ends it with status 1. Positions
X Y are map pixels, DX DY and the like CSS pixels.

  wait-map T            until a layout is shown (body data-version) and drawn
  wait-version N T      until the layout shown is version N or newer
  wait-shown N T        until the layout shown is version N exactly
  wait-pending N T      until version N is loading (#map data-pending)
  wait-drawn X Y T      until "drawn X Y" says yes
  wait-fits X Y W H T   until "fits X Y W H" says yes
  wait-marker "X Y" T   until "marker" prints that ("none" too)
  wait-state S T        until body data-state is S (connecting, live, stale)
  version | state | follow | status | notice | label     print them
  pixel X Y             the colour drawn at a map position: "R G B"
  tile-pixel X Y        the colour of the server's tile there (at the page's level)
  drawn X Y             "yes" if the page shows there what the server's tile shows
  near X Y R G B TOL    check: the colour drawn there is within TOL of R G B
  tap X Y               taps (touch on --phone, else a click) and prints the label
  hover X Y             points with the mouse and prints the label
  drag DX DY            drags the map by one pointer (touch on --phone)
  pinch F               two fingers spread by factor F about the middle (--phone)
  wheel DY              turns the wheel over the middle
  key K                 a key (+, -, ArrowLeft, f ...)
  click ID              clicks the element with that id
  screenshot FILE       a PNG of the window
  sleep S
  console-clean         check: no script error and no refusal by the content policy
  tiles                 the number of tile requests the page made so far
  marker                where the leader's marker shows, in map pixels: "X Y", or "none"
  fits X Y W H          "yes" if the page shows that map region fitted to the window
  get URL               fetches a URL on 127.0.0.1 (to drive a test server)
  run CMD               runs a shell command
  scale                 CSS pixels per map pixel (#map data-scale)
  expect TEXT           check: the last step printed TEXT
  expect-not TEXT       check: the last step did not print TEXT
  at-most N             check: the last step printed a number not above N
  remember              keeps what the last step printed
  more | less           check: the last step printed a number above (below) the one kept

As a module: SharePage(url, phone) opens the page; run(page, step, args) runs
a step as above (returning what it reads); page.close() ends the browser.

Test hooks of the page (DOM attributes only): on the body data-version,
data-state, data-follow; on #map data-origin-x, data-origin-y (map position at
its top left corner), data-scale (CSS px per map px), data-level, data-pending.
"""
import subprocess
import sys
import time
import urllib.request

from selenium import webdriver
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.actions.interaction import POINTER_TOUCH
from selenium.webdriver.common.actions.pointer_input import PointerInput
from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

PHONE = {'width': 390, 'height': 844, 'pixelRatio': 3.0, 'touch': True}
TV = (1920, 1080)

_PIXEL = """
const c = document.getElementById('map'), k = devicePixelRatio * +c.dataset.scale;
const x = Math.floor((arguments[0] + 0.5 - +c.dataset.originX) * k);
const y = Math.floor((arguments[1] + 0.5 - +c.dataset.originY) * k);
if (x < 0 || y < 0 || x >= c.width || y >= c.height) return null;
return Array.from(c.getContext('2d').getImageData(x, y, 1, 1).data.slice(0, 3));
"""

_TILE_PIXEL = """
const [mx, my, done] = arguments;
const c = document.getElementById('map'), level = +c.dataset.level, f = 2 ** level;
const lx = Math.floor(mx / f), ly = Math.floor(my / f);
const url = 'tiles/' + level + '/' + Math.floor(lx / 256) + '/' + Math.floor(ly / 256) +
            '.png?v=' + document.body.dataset.version;
fetch(url).then((r) => r.blob()).then((b) => createImageBitmap(b)).then((b) => {
  const o = new OffscreenCanvas(b.width, b.height), g = o.getContext('2d');
  g.drawImage(b, 0, 0);
  done(Array.from(g.getImageData(lx % 256, ly % 256, 1, 1).data.slice(0, 3)));
}).catch((e) => done(String(e)));
"""

_SCREEN = """
const c = document.getElementById('map'), s = +c.dataset.scale;
return [(arguments[0] + 0.5 - +c.dataset.originX) * s, (arguments[1] + 0.5 - +c.dataset.originY) * s];
"""


class Failed(Exception):
    pass


class SharePage:
    def __init__(self, url, phone=False):
        self.phone = phone
        options = webdriver.ChromeOptions()
        options.binary_location = '/usr/bin/chromium'
        for argument in ('--headless=new', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage',
                         '--no-first-run', '--no-proxy-server', '--disable-background-networking'):
            options.add_argument(argument)
        if phone:
            options.add_experimental_option('mobileEmulation', {'deviceMetrics': PHONE})
        else:
            options.add_argument('--window-size=%d,%d' % TV)
        options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
        self.driver = webdriver.Chrome(options=options, service=Service('/usr/bin/chromedriver'))
        if not phone:
            self.driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride', {
                'width': TV[0], 'height': TV[1], 'deviceScaleFactor': 1, 'mobile': False})
        self.console = []
        self.driver.get(url)

    def close(self):
        self.driver.quit()

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def body(self, name):
        return self.js('return document.body.dataset[arguments[0]]', name)

    def text(self, element_id):
        return self.js("const e = document.getElementById(arguments[0]);"
                       "return e.hidden || getComputedStyle(e).display === 'none' ? '' : e.textContent;",
                       element_id)

    def until(self, what, timeout, test):
        end = time.time() + float(timeout)
        while time.time() < end:
            if test():
                return
            time.sleep(0.05)
        raise Failed('%s: not within %s s (version %r, state %r)'
                     % (what, timeout, self.body('version'), self.body('state')))

    def pixel(self, x, y):
        return self.js(_PIXEL, float(x), float(y))

    def tile_pixel(self, x, y):
        self.driver.set_script_timeout(15)
        return self.driver.execute_async_script(_TILE_PIXEL, float(x), float(y))

    def drawn_like_server(self, x, y, tolerance=40):
        mine, theirs = self.pixel(x, y), self.tile_pixel(x, y)
        return bool(mine and isinstance(theirs, list) and max(abs(a - b) for a, b in zip(mine, theirs)) <= tolerance)

    def wait_map(self, timeout):
        # Drawn: the pixel in the middle of the map's visible part is neither background nor placeholder.
        def drawn():
            if not self.body('version'):
                return False
            middle = self.js("""
              const c = document.getElementById('map'), s = +c.dataset.scale;
              const x0 = Math.max(0, +c.dataset.originX), y0 = Math.max(0, +c.dataset.originY);
              return [x0 + c.clientWidth / s / 4, y0 + c.clientHeight / s / 4];""")
            colour = self.pixel(*middle)
            return colour is not None and colour not in ([27, 29, 34], [43, 46, 53])
        self.until('map', timeout, drawn)

    def screen(self, x, y):
        return self.js(_SCREEN, float(x), float(y))

    def tap(self, x, y):
        sx, sy = self.screen(x, y)
        canvas = self.driver.find_element(By.ID, 'map')
        if self.phone:
            actions = ActionBuilder(self.driver, mouse=PointerInput(POINTER_TOUCH, 'finger'))
            actions.pointer_action.move_to_location(int(sx), int(sy)).pointer_down().pointer_up()
            actions.perform()
        else:
            ActionChains(self.driver).move_to_element_with_offset(
                canvas, int(sx - canvas.size['width'] / 2), int(sy - canvas.size['height'] / 2)).click().perform()
        time.sleep(0.2)
        return self.text('label')

    def hover(self, x, y):
        sx, sy = self.screen(x, y)
        canvas = self.driver.find_element(By.ID, 'map')
        ActionChains(self.driver).move_to_element_with_offset(
            canvas, int(sx - canvas.size['width'] / 2), int(sy - canvas.size['height'] / 2)).perform()
        time.sleep(0.2)
        return self.text('label')

    def middle(self):
        return self.js("const c = document.getElementById('map'); return [c.clientWidth / 2, c.clientHeight / 2];")

    def drag(self, dx, dy):
        mx, my = self.middle()
        kind = POINTER_TOUCH if self.phone else 'mouse'
        actions = ActionBuilder(self.driver, mouse=PointerInput(kind, 'drag'), duration=50)
        pointer = actions.pointer_action
        pointer.move_to_location(int(mx), int(my)).pointer_down()
        for step in range(1, 11):
            pointer.move_to_location(int(mx + dx * step / 10), int(my + dy * step / 10))
        pointer.pointer_up()
        actions.perform()
        time.sleep(0.2)

    def pinch(self, factor):
        mx, my = self.middle()
        actions = ActionBuilder(self.driver, duration=50)
        one = actions.add_pointer_input(POINTER_TOUCH, 'one')
        two = actions.add_pointer_input(POINTER_TOUCH, 'two')
        one.create_pointer_move(x=int(mx - 40), y=int(my), duration=0)
        two.create_pointer_move(x=int(mx + 40), y=int(my), duration=0)
        one.create_pointer_down(button=0)
        two.create_pointer_down(button=0)
        for step in range(1, 11):
            d = 40 * (1 + (factor - 1) * step / 10)
            one.create_pointer_move(x=int(mx - d), y=int(my), duration=30)
            two.create_pointer_move(x=int(mx + d), y=int(my), duration=30)
        one.create_pointer_up(button=0)
        two.create_pointer_up(button=0)
        actions.perform()
        time.sleep(0.2)

    def wheel(self, dy):
        canvas = self.driver.find_element(By.ID, 'map')
        ActionChains(self.driver).scroll_from_origin(ScrollOrigin.from_element(canvas), 0, int(dy)).perform()
        time.sleep(0.2)

    def key(self, key):
        from selenium.webdriver.common.keys import Keys
        ActionChains(self.driver).send_keys(getattr(Keys, key.upper().replace('ARROW', 'ARROW_'), key)
                                            if key.startswith('Arrow') else key).perform()
        time.sleep(0.1)

    def console_errors(self):
        self.console += self.driver.get_log('browser')
        return [e['message'] for e in self.console
                if e['level'] == 'SEVERE' and ('Content Security Policy' in e['message']
                                               or 'Uncaught' in e['message'] or 'TypeError' in e['message'])]

    def marker(self):
        return self.js("""
          const m = document.getElementById('marker'), c = document.getElementById('map');
          if (m.hidden || getComputedStyle(m).display === 'none') return 'none';
          const r = m.getBoundingClientRect(), s = +c.dataset.scale;
          return Math.round(+c.dataset.originX + r.left / s) + ' ' + Math.round(+c.dataset.originY + r.top / s);""")

    def fits(self, x, y, w, h):
        # Inside the window above the bar, and as large as fits: touching two opposite sides.
        return self.js("""
          const [x, y, w, h] = arguments, c = document.getElementById('map'), s = +c.dataset.scale;
          const width = c.clientWidth, height = c.clientHeight - document.getElementById('bar').offsetHeight;
          const left = (x - c.dataset.originX) * s, top = (y - c.dataset.originY) * s;
          const right = left + w * s, bottom = top + h * s, near = (a, b) => Math.abs(a - b) < 2;
          const inside = left > -2 && top > -2 && right < width + 2 && bottom < height + 2;
          return inside && ((near(left, 0) && near(right, width)) || (near(top, 0) && near(bottom, height)));
        """, float(x), float(y), float(w), float(h))

    def tile_requests(self):
        return self.js("""return performance.getEntriesByType('resource')
                          .filter((e) => e.name.includes('/tiles/')).map((e) => new URL(e.name).pathname);""")


ARITY = {'wait-map': 1, 'wait-version': 2, 'wait-state': 2, 'version': 0, 'state': 0, 'follow': 0,
         'status': 0, 'notice': 0, 'label': 0, 'pixel': 2, 'tile-pixel': 2, 'drawn': 2, 'near': 6,
         'tap': 2, 'hover': 2, 'drag': 2, 'pinch': 1, 'wheel': 1, 'key': 1, 'click': 1,
         'screenshot': 1, 'sleep': 1, 'console-clean': 0, 'tiles': 0, 'marker': 0, 'fits': 4,
         'get': 1, 'run': 1, 'expect': 1, 'expect-not': 1, 'wait-shown': 2, 'wait-pending': 2,
         'wait-drawn': 3, 'wait-fits': 5, 'wait-marker': 2, 'scale': 0, 'at-most': 1, 'remember': 0,
         'more': 0, 'less': 0}


def run(page, step, args):
    """Runs a step; what it reads comes back as a string (None for a step that reads nothing)."""
    if step == 'wait-map':
        page.wait_map(args[0])
    elif step == 'wait-version':
        page.until('version ' + args[0], args[1], lambda: (page.body('version') or '-1').lstrip('-').isdigit()
                   and int(page.body('version') or -1) >= int(args[0]))
    elif step == 'wait-shown':
        page.until('version ' + args[0], args[1], lambda: page.body('version') == args[0])
    elif step == 'wait-pending':
        page.until('loading version ' + args[0], args[1],
                   lambda: page.js("return document.getElementById('map').dataset.pending") == args[0])
    elif step == 'wait-drawn':
        page.until('drawn at %s %s' % tuple(args[:2]), args[2], lambda: page.drawn_like_server(*args[:2]))
    elif step == 'wait-fits':
        page.until('the region %s' % ' '.join(args[:4]), args[4], lambda: page.fits(*args[:4]))
    elif step == 'wait-marker':
        page.until('the marker at ' + args[0], args[1], lambda: page.marker() == args[0])
    elif step == 'scale':
        return page.js("return document.getElementById('map').dataset.scale")
    elif step == 'wait-state':
        page.until('state ' + args[0], args[1], lambda: page.body('state') == args[0])
    elif step in ('version', 'state', 'follow'):
        return page.body(step)
    elif step in ('status', 'notice', 'label'):
        return page.text(step)
    elif step == 'pixel':
        return ' '.join(map(str, page.pixel(*args) or ['-']))
    elif step == 'tile-pixel':
        return ' '.join(map(str, page.tile_pixel(*args)))
    elif step == 'drawn':
        return 'yes' if page.drawn_like_server(*args) else 'no'
    elif step == 'near':
        colour = page.pixel(args[0], args[1])
        want = [int(a) for a in args[2:5]]
        if not colour or max(abs(a - b) for a, b in zip(colour, want)) > int(args[5]):
            raise Failed('colour at %s %s is %s, not near %s' % (args[0], args[1], colour, want))
    elif step == 'tap':
        return page.tap(*args)
    elif step == 'hover':
        return page.hover(*args)
    elif step == 'drag':
        page.drag(float(args[0]), float(args[1]))
    elif step == 'pinch':
        page.pinch(float(args[0]))
    elif step == 'wheel':
        page.wheel(args[0])
    elif step == 'key':
        page.key(args[0])
    elif step == 'click':
        page.driver.find_element(By.ID, args[0]).click()
        time.sleep(0.1)
    elif step == 'screenshot':
        page.driver.save_screenshot(args[0])
    elif step == 'sleep':
        time.sleep(float(args[0]))
    elif step == 'console-clean':
        errors = page.console_errors()
        if errors:
            raise Failed('console: ' + ' | '.join(errors))
    elif step == 'tiles':
        return str(len(page.tile_requests()))
    elif step == 'marker':
        return page.marker()
    elif step == 'fits':
        return 'yes' if page.fits(*args) else 'no'
    elif step == 'get':
        if not args[0].startswith(('http://127.0.0.1:', 'http://[::1]:')):
            raise Failed('get: only 127.0.0.1 or ::1')
        opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
        with opener.open(args[0], timeout=10) as response:
            return response.read().decode()
    elif step == 'run':
        subprocess.run(['bash', '-c', args[0]], check=True)


def main(argv):
    phone = '--phone' in argv
    argv = [a for a in argv if a not in ('--phone', '--tv')]
    if not argv:
        sys.exit(__doc__)
    url, steps = argv[0], argv[1:]
    if not url.startswith(('http://127.0.0.1:', 'http://[::1]:')):
        sys.exit('share_browser.py: only pages on 127.0.0.1 or ::1')
    page = SharePage(url, phone)
    last = kept = None
    try:
        while steps:
            step = steps.pop(0)
            if step not in ARITY or len(steps) < ARITY[step]:
                raise Failed('unknown step or missing arguments: ' + step)
            args, steps = steps[:ARITY[step]], steps[ARITY[step]:]
            if step in ('expect', 'expect-not'):
                if (last == args[0]) != (step == 'expect'):
                    raise Failed('%s %r, but it was %r' % (step, args[0], last))
                continue
            if step == 'remember':
                kept = last
                continue
            if step in ('at-most', 'more', 'less'):
                value, bound = float(last), float(args[0] if step == 'at-most' else kept)
                if not {'at-most': value <= bound, 'more': value > bound, 'less': value < bound}[step]:
                    raise Failed('%s %s, but it was %s' % (step, bound, value))
                continue
            last = run(page, step, args)
            if last is not None:
                print(last, flush=True)
    except Failed as failure:
        print('share_browser.py: ' + str(failure), file=sys.stderr)
        return 1
    finally:
        page.close()
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
