#!/usr/bin/python3
"""Drives the players' page in headless Chromium (selenium, chromedriver).

share_browser.py [--phone | --tv] URL STEP... runs the steps in one session, printing "STEP ARGS:
WHAT" for each that reads something; a failed check ends it with status 1. X Y: map pixels.
Reading: version, state, follow, pending, scale, status, notice, map, pixel X Y ("R G B"), drawn X Y
  (as the server's tile), fits X Y W H (fills the window), marker, tiles, tap X Y, hover X Y (the
  label), get URL (127.0.0.1). Acting: drag DX DY, pinch F, wheel DY, key K, click ID, run CMD,
  screenshot FILE, console-clean. Checks of the last reading: expect TEXT, near/far "R G B" (30),
  at-most N, at-least N, more (than remember kept). wait T STEP... CHECK: until it passes (T s at
  most); hold T STEP... CHECK: all through T s.
"""
import subprocess
import sys
import time
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

LOCAL = ('http://127.0.0.1:', 'http://[::1]:')
# In every script: the canvas, its scale and origin, the colour drawn at a map position.
MAP = """const c = document.getElementById('map'), s = +c.dataset.scale, ox = +c.dataset.originX,
  oy = +c.dataset.originY, k = devicePixelRatio * s, [x, y, w, h] = arguments;
const px = (mx, my) => {
  const x = Math.floor((mx + 0.5 - ox) * k), y = Math.floor((my + 0.5 - oy) * k);
  return x < 0 || y < 0 || x >= c.width || y >= c.height ? '-'
    : c.getContext('2d').getImageData(x, y, 1, 1).data.slice(0, 3).join(' ');
};
"""
SHOWN = "const e = document.getElementById('%s'); return e.hidden || getComputedStyle(e).display === 'none'"
READ = {
    'version': 'return document.body.dataset.version', 'state': 'return document.body.dataset.state',
    'follow': 'return document.body.dataset.follow', 'pending': 'return c.dataset.pending',
    'scale': 'return c.dataset.scale', 'status': SHOWN % 'status' + " ? '' : e.textContent",
    'notice': SHOWN % 'notice' + " ? '' : e.textContent", 'pixel': 'return px(x, y)',
    'map': """if (!document.body.dataset.version) return 'no';
      const p = px(Math.max(0, ox) + c.clientWidth / s / 4, Math.max(0, oy) + c.clientHeight / s / 4);
      return ['-', '27 29 34', '43 46 53'].includes(p) ? 'no' : 'yes'""",
    'fits': """const near = (a, b) => Math.abs(a - b) < 2, l = (x - ox) * s, t = (y - oy) * s, r = l + w * s, b = t + h * s;
      const width = c.clientWidth, height = c.clientHeight - document.getElementById('bar').offsetHeight;
      return l > -2 && t > -2 && r < width + 2 && b < height + 2 &&
        ((near(l, 0) && near(r, width)) || (near(t, 0) && near(b, height))) ? 'yes' : 'no'""",
    'marker': SHOWN % 'marker' + """ ? 'none' : Math.round(ox + e.getBoundingClientRect().left / s) + ' ' +
      Math.round(oy + e.getBoundingClientRect().top / s)""",
    'tiles': "return String(performance.getEntriesByType('resource').filter((e) => e.name.includes('/tiles/')).length)",
    # The server's tile at the page's level, fetched anew: its pixel within 40 of the page's.
    'drawn': """const done = arguments[2], f = 2 ** c.dataset.level, lx = Math.floor(x / f), ly = Math.floor(y / f);
      fetch(`tiles/${c.dataset.level}/${lx >> 8}/${ly >> 8}.png?v=${document.body.dataset.version}`)
        .then((r) => r.blob()).then((b) => createImageBitmap(b)).then((b) => {
          const g = new OffscreenCanvas(b.width, b.height).getContext('2d');
          g.drawImage(b, 0, 0);
          const theirs = g.getImageData(lx % 256, ly % 256, 1, 1).data, mine = px(x, y).split(' ');
          done(mine.length === 3 && mine.every((v, i) => Math.abs(v - theirs[i]) <= 40) ? 'yes' : 'no');
        }).catch((e) => done(String(e)));""",
    'screen': 'return [(x + 0.5 - ox) * s, (y + 0.5 - oy) * s, c.clientWidth / 2, c.clientHeight / 2]'}
STEPS = dict({name: 0 for name in READ}, pixel=2, drawn=2, fits=4, tap=2, hover=2, get=1, drag=2, pinch=1,
             wheel=1, key=1, click=1, run=1, screenshot=1, remember=0, wait=1, hold=1, **{'console-clean': 0})
CHECKS = {'expect': 1, 'near': 1, 'far': 1, 'at-most': 1, 'at-least': 1, 'more': 0}


class Page:
    def __init__(self, url, phone):
        self.phone, self.console, options = phone, [], webdriver.ChromeOptions()
        options.binary_location = '/usr/bin/chromium'
        for argument in ('--headless=new', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage', '--no-first-run',
                         '--no-proxy-server', '--disable-background-networking', '--window-size=1920,1080'):
            options.add_argument(argument)
        if phone:
            options.add_experimental_option('mobileEmulation', {'deviceMetrics': {
                'width': 390, 'height': 844, 'pixelRatio': 3.0, 'touch': True}})
        options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
        self.driver = webdriver.Chrome(options=options, service=Service('/usr/bin/chromedriver'))
        if not phone:
            self.driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride', {
                'width': 1920, 'height': 1080, 'deviceScaleFactor': 1, 'mobile': False})
        self.driver.set_script_timeout(15)
        self.driver.get(url)

    def js(self, step, *args):
        args = [float(a) for a in args]
        if step == 'drawn':
            return self.driver.execute_async_script(MAP + READ[step], *args)
        return self.driver.execute_script(MAP + READ[step], *args)

    def pointers(self, kind, *paths, press=True):
        """Pointers (CSS px) down at x0 y0, in ten steps to x1 y1, up (or only moved): the label then."""
        actions = ActionBuilder(self.driver, duration=50)
        for n, (x0, y0, x1, y1) in enumerate(paths):
            finger = actions.add_pointer_input(kind, '%s%d' % (kind, n))
            finger.create_pointer_move(x=int(x0), y=int(y0), duration=0)
            if press:
                finger.create_pointer_down(button=0)
                for i in range(1, 11 if (x0, y0) != (x1, y1) else 1):
                    finger.create_pointer_move(x=int(x0 + (x1 - x0) * i / 10), y=int(y0 + (y1 - y0) * i / 10), duration=30)
                finger.create_pointer_up(button=0)
        actions.perform()
        time.sleep(0.2)
        return self.driver.execute_script(SHOWN % 'label' + " ? '' : e.textContent")

    def run(self, step, args):
        """Runs a step; what it reads comes back as a string (None for one that reads nothing)."""
        kind = 'touch' if self.phone else 'mouse'
        if step in ('tap', 'hover', 'drag', 'pinch'):
            x, y, mx, my = self.js('screen', *(args + ['0', '0'])[:2])
        if step in READ:
            return self.js(step, *args)
        if step in ('tap', 'hover'):
            return self.pointers(kind if step == 'tap' else 'mouse', (x, y, x, y), press=step == 'tap')
        if step == 'get':
            if not args[0].startswith(LOCAL):
                raise Exception('get: only 127.0.0.1 or ::1')
            with urllib.request.build_opener(urllib.request.ProxyHandler({})).open(args[0], timeout=10) as answer:
                return answer.read().decode()
        if step == 'drag':
            self.pointers(kind, (mx, my, mx + float(args[0]), my + float(args[1])))
        elif step == 'pinch':  # two fingers 80 pixels apart about the middle, spread by the factor
            d = 40 * float(args[0])
            self.pointers('touch', (mx - 40, my, mx - d, my), (mx + 40, my, mx + d, my))
        elif step == 'wheel':
            canvas = ScrollOrigin.from_element(self.driver.find_element(By.ID, 'map'))
            ActionChains(self.driver).scroll_from_origin(canvas, 0, int(args[0])).perform()
        elif step == 'key':
            ActionChains(self.driver).send_keys({'ArrowLeft': Keys.ARROW_LEFT}.get(args[0], args[0])).perform()
        elif step == 'click':
            self.driver.find_element(By.ID, args[0]).click()
        elif step == 'run':
            subprocess.run(['bash', '-c', args[0]], check=True)
        elif step == 'screenshot':
            self.driver.save_screenshot(args[0])
        elif step == 'console-clean':
            self.console += self.driver.get_log('browser')
            errors = [e['message'] for e in self.console if e['level'] == 'SEVERE' and any(
                word in e['message'] for word in ('Content Security Policy', 'Uncaught', 'TypeError'))]
            if errors:
                raise Exception('console: ' + ' | '.join(errors))
        time.sleep(0.2)  # the page takes in what was done


def passes(check, args, value, kept):
    colour = lambda text: [int(v) for v in text.split()]
    try:
        if check in ('near', 'far'):
            return (max(abs(a - b) for a, b in zip(colour(value), colour(args[0]))) <= 30) == (check == 'near')
        return {'expect': lambda: value == args[0], 'at-most': lambda: float(value) <= float(args[0]),
                'at-least': lambda: float(value) >= float(args[0]), 'more': lambda: float(value) > float(kept)}[check]()
    except (TypeError, ValueError):
        return False


def main(argv):
    phone = '--phone' in argv
    argv = [a for a in argv if a not in ('--phone', '--tv')]
    if not argv or not argv[0].startswith(LOCAL):
        sys.exit(__doc__ + '\nOnly pages on 127.0.0.1 or ::1.')
    steps, last, kept, source = argv[1:], None, None, None

    def take(table):
        step = steps.pop(0) if steps else 'nothing'
        if step not in table or len(steps) < table[step]:
            raise Exception('unknown step or missing arguments: ' + step)
        args = steps[:table[step]]
        del steps[:table[step]]
        return step, args

    page = Page(argv[0], phone)
    try:
        while steps:
            step, args = take({**STEPS, **CHECKS})
            what = ' '.join([step] + args)
            if step == 'remember':
                kept = last
            elif step in CHECKS:
                if not passes(step, args, last, kept):
                    raise Exception('%s: %s, but it was %r' % (source, what if args else '%s than %s' % (what, kept), last))
            elif step in ('wait', 'hold'):
                (inner, inner_args), (check, check_args) = take(STEPS), take(CHECKS)
                what, end = ' '.join([inner] + inner_args), time.time() + float(args[0])
                while True:
                    last = page.run(inner, inner_args)
                    ok = passes(check, check_args, last, kept)
                    if ok != (step == 'hold') or time.time() > end:
                        break
                    time.sleep(0.05)
                if not ok:
                    raise Exception('%s %s %s: %s, but it was %r' % (step, args[0], what, ' '.join([check] + check_args), last))
            else:
                last = page.run(step, args)
            if step not in CHECKS and step != 'remember':
                source = what
                if last is not None:
                    print('%s: %s' % (what, last), flush=True)
    except Exception as failure:
        print('share_browser.py: %s' % failure, file=sys.stderr)
        return 1
    finally:
        page.driver.quit()
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
