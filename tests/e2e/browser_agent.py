#!/usr/bin/python3
"""browser_agent.py SITE COMMANDS REPLIES [--scale N] [--screen WxH] [--window WxH] [--touch]
                   [--without wasm|simd]

The page in Debian's headless Chromium, driven through WebDriver with real input, for the scripts
that source tests/viewer-window.sh: it serves SITE on a port of its own, reads one command a line
from the COMMANDS fifo and answers each with a line on REPLIES ("failed: ..." when it could not).
Places and sizes are the canvas's device pixels, as the program sees them. The commands are the
do_ methods below: open, message, offline, leave, size, shot, move, button, wheel, key, resize,
swipe, hold, pinch, strip, storm, memory, runs, page, exitcode, health; and quit.
"""
import functools
import http.server
import random
import re
import sys
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions import interaction
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.actions.pointer_input import PointerInput
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

TITLE = 'F11 FullScreen, F5 Redraw; Mouse: RClick PolyLine, LMove Iterations, Wheel Zoom'
BUTTONS = {'left': 0, 'middle': 1, 'right': 2}
KEYS = {'F5': Keys.F5, 'F11': Keys.F11, 'Escape': Keys.ESCAPE, 'NumpadAdd': Keys.ADD,
        'NumpadSubtract': Keys.SUBTRACT}


class Site(http.server.SimpleHTTPRequestHandler):
    failures = []

    def log_request(self, code='-', size='-'):
        if not str(code).startswith(('2', '3')):
            Site.failures.append(f'{self.path} {code}')

    def log_message(self, *args):
        pass


def serve(site):
    handler = functools.partial(Site, directory=site)
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def browser(options):
    o = webdriver.ChromeOptions()
    o.binary_location = '/usr/bin/chromium'
    # A new empty profile; no connection but to the page (this machine's network is closed).
    for a in ['--headless=new', '--no-sandbox', '--disable-gpu', '--no-first-run',
              '--disable-background-networking', '--disable-component-update', '--disable-sync',
              '--disable-quic', f'--window-size={options["window"].replace("x", ",")}',
              f'--force-device-scale-factor={options["scale"]}',
              f'--screen-info={{{options["screen"]}}}']:
        o.add_argument(a)
    o.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
    driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=o)
    # A browser without WebAssembly, or one whose WebAssembly lacks SIMD (validate refuses it).
    lack = {'wasm': 'delete window.WebAssembly;', 'simd': 'WebAssembly.validate = () => false;'}
    if options['without']:
        driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument',
                               {'source': lack[options['without']]})
    if options['touch']:
        # A touch screen as the page's media queries see it: (pointer: coarse).
        driver.execute_cdp_cmd('Emulation.setTouchEmulationEnabled',
                               {'enabled': True, 'maxTouchPoints': 5})
    return driver


# The page's own events, dispatched on the canvas from a seeded generator; Escape is left out.
STORM = r"""
const [count, seed, done] = arguments;
let state = seed >>> 0;
const random = () => {
  state = (state + 0x6D2B79F5) >>> 0;
  let t = Math.imul(state ^ (state >>> 15), 1 | state);
  t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
  return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
};
const pick = (list) => list[Math.floor(random() * list.length)];
const c = document.getElementById('client');
const place = () => random() < 0.5 ? (random() - 0.5) * 4e6 : random() * 900;
const codes = ['KeyA', 'Digit7', 'F5', 'F11', 'F1', 'Equal', 'Minus', 'NumpadAdd',
  'NumpadSubtract', 'IntlYen', 'Lang1', 'NoSuchKey', '', 'Slash', 'ShiftLeft', 'Tab'];
const symbols = ['a', '7', '+', '-', '=', '´', 'Dead', 'Unidentified', '€', ''];
const wheels = [1, -1, 120, -120, 1e9, -1e9, 3e38, 1e308, -1e308, 0.25];
const made = {};
const tick = () => {
  for (let i = 0; i < 100 && made.total !== count; i++) {
    made.total = (made.total || 0) + 1;
    const r = random();
    const kind = r < 0.3 ? 'move' : r < 0.4 ? 'button' : r < 0.5 ? 'finger' : r < 0.7 ? 'wheel'
      : r < 0.93 ? 'key' : 'size';
    made[kind] = (made[kind] || 0) + 1;
    const at = { clientX: place(), clientY: place(), bubbles: true, cancelable: true };
    if (kind === 'move') {
      c.dispatchEvent(new PointerEvent('pointermove', { ...at, buttons: pick([0, 1, 2, 5]),
        pointerType: 'mouse' }));
    } else if (kind === 'button' || kind === 'finger') {
      c.dispatchEvent(new PointerEvent(pick(['pointerdown', 'pointerup', 'pointermove',
        'pointercancel']), { ...at, button: pick([0, 1, 2, 3, -1]), buttons: pick([0, 1, 2]),
        pointerType: kind === 'finger' ? 'touch' : 'mouse', pointerId: pick([1, 2, 3]) }));
    } else if (kind === 'wheel') {
      c.dispatchEvent(new WheelEvent('wheel', { ...at, deltaY: pick(wheels),
        deltaMode: pick([0, 1, 2, 7]) }));
    } else if (kind === 'key') {
      c.dispatchEvent(new KeyboardEvent(pick(['keydown', 'keyup']), { code: pick(codes),
        key: pick(symbols), repeat: random() < 0.3, bubbles: true, cancelable: true }));
    } else {
      c.style.flex = pick(['0 0 0px', '0 0 1px', '']);
    }
  }
  if (made.total === count) {
    c.style.flex = '';
    delete made.total;
    setTimeout(() => done(made), 50);
  } else {
    setTimeout(tick, 0);
  }
};
tick();
"""


class Agent:
    def __init__(self, driver, server):
        self.driver = driver
        self.server = server
        self.url = f'http://127.0.0.1:{server.server_address[1]}/'
        self.ratio = 1.0
        self.at = (0, 0)  # the mouse, in CSS pixels

    def canvas(self):
        return self.driver.find_element(By.ID, 'client')

    def script(self, text):
        return self.driver.execute_script(text)

    # WebDriver moves pointers to whole CSS pixels: a device pixel between two is out of reach.
    def css(self, x, y):
        return int(float(x) / self.ratio), int(float(y) / self.ratio)

    def device(self, x, y):
        return int(x * self.ratio), int(y * self.ratio)

    def mouse(self):
        builder = ActionBuilder(self.driver, mouse=PointerInput(interaction.POINTER_MOUSE, 'mouse'))
        return builder, builder.pointer_action

    def do_open(self):
        self.driver.get(self.url)
        end = time.time() + 30
        while self.driver.title != TITLE:
            if time.time() > end:
                raise RuntimeError(f'the page is titled "{self.driver.title}"')
            time.sleep(0.1)
        self.ratio = self.script('return devicePixelRatio')
        self.driver.get_log('browser')  # what loading said is judged by health
        return 'ok'

    # Loads the page without waiting for the program; answers what the page says, if anything.
    def do_message(self):
        self.driver.get(self.url)
        time.sleep(1)
        return self.driver.find_element(By.ID, 'message').text.replace('\n', ' ') or '(none)'

    # Stops serving the site and opens the page again: from the service worker's copies.
    def do_offline(self):
        self.driver.execute_async_script(
            'navigator.serviceWorker.ready.then(() => arguments[0](true))')
        self.server.shutdown()
        self.server.server_close()
        return self.do_open()

    # The browser leaves full screen by itself, as on its own Esc, which the page is not sent.
    def do_leave(self):
        self.script('document.exitFullscreen()')
        return 'ok'

    def do_size(self):
        c = self.script('''const c = document.getElementById('client');
          return [c.width, c.height, Math.round(screen.width * devicePixelRatio),
                  Math.round(screen.height * devicePixelRatio), document.fullscreenElement ? 1 : 0,
                  devicePixelRatio, getComputedStyle(document.getElementById('keys')).display
                  === 'none' ? 0 : 1, c.getBoundingClientRect().width,
                  c.getBoundingClientRect().height]''')
        return ' '.join(str(v) for v in c)

    def do_shot(self, path):
        png = self.canvas().screenshot_as_png
        with open(path, 'wb') as f:
            f.write(png)
        return 'ok %d %d' % (int.from_bytes(png[16:20], 'big'), int.from_bytes(png[20:24], 'big'))

    def do_move(self, x, y):
        builder, pointer = self.mouse()
        self.at = self.css(x, y)
        pointer.source.create_pointer_move(x=self.at[0], y=self.at[1])
        builder.perform()
        return 'ok %d %d' % self.device(*self.at)

    # button down|up|click left|middle|right
    def do_button(self, action, button):
        for down in {'down': [True], 'up': [False], 'click': [True, False]}[action]:
            builder, pointer = self.mouse()
            (pointer.pointer_down if down else pointer.pointer_up)(BUTTONS[button])
            builder.perform()
        return 'ok'

    def do_wheel(self, dy):
        builder = ActionBuilder(self.driver)
        builder.wheel_action.scroll(x=int(self.at[0]), y=int(self.at[1]), delta_x=0,
                                    delta_y=int(dy))
        builder.perform()
        return 'ok'

    def do_key(self, *names):
        for name in names:
            ActionChains(self.driver).send_keys(KEYS.get(name, name)).perform()
        return 'ok'

    # A window is sized in whole CSS pixels: at twice the scale the canvas is of even sizes only,
    # and the answer is the nearest size it takes.
    def do_resize(self, width, height):
        width, height = int(width), int(height)
        for _ in range(5):
            w, h = (int(v) for v in self.do_size().split()[:2])
            if abs(w - width) < self.ratio and abs(h - height) < self.ratio:
                return 'ok %d %d' % (w, h)
            outer = self.driver.get_window_size()
            self.driver.set_window_size(outer['width'] + round((width - w) / self.ratio),
                                        outer['height'] + round((height - h) / self.ratio))
            time.sleep(0.3)
        return 'failed: canvas %d %d' % (w, h)

    # One finger down at (X, Y), then to each place, each `then` after the last; a gesture is one
    # perform, since WebDriver does not carry a finger that is down from one to the next.
    def gesture(self, x, y, then, *places):
        builder = ActionBuilder(self.driver, mouse=PointerInput(interaction.POINTER_TOUCH, 'one'))
        finger = builder.pointer_action.source
        finger.create_pointer_move(x=self.css(x, y)[0], y=self.css(x, y)[1])
        finger.create_pointer_down(button=0)
        for to_x, to_y in places:
            finger.create_pause(then)
            finger.create_pointer_move(x=self.css(to_x, to_y)[0], y=self.css(to_x, to_y)[1])
        finger.create_pointer_up(button=0)
        builder.perform()
        return 'ok'

    def do_swipe(self, x, y, to_x, to_y):
        return self.gesture(x, y, 0.1, (to_x, to_y))

    def do_hold(self, x, y):
        return self.gesture(x, y, 0.8, (x, y))

    def do_pinch(self, x, y, start, end):
        (cx, cy), a, b = self.css(x, y), float(start) / 2 / self.ratio, float(end) / 2 / self.ratio
        builder = ActionBuilder(self.driver, mouse=PointerInput(interaction.POINTER_TOUCH, 'one'))
        second = builder.add_pointer_input(interaction.POINTER_TOUCH, 'two')
        first = builder.pointer_action
        for finger, sign in ((first.source, -1), (second, 1)):
            finger.create_pointer_move(x=cx + sign * a, y=cy)
            finger.create_pointer_down(button=0)
        steps = 8
        for i in range(1, steps + 1):
            d = a + (b - a) * i / steps
            for finger, sign in ((first.source, -1), (second, 1)):
                finger.create_pointer_move(x=cx + sign * d, y=cy, duration=50)
        for finger in (first.source, second):
            finger.create_pointer_up(button=0)
        builder.perform()
        return 'ok'

    # Random input in the page's own events, thousands a second: moves far outside and inside,
    # buttons and fingers, wheels of any size the page can give, keys known and
    # not, a canvas of 0 x 0 and 1 x 1; and every thousand events the tab hidden and shown again.
    def do_storm(self, count, seed):
        count, seed, sent, kinds = int(count), int(seed), 0, {}
        while sent < count:
            n = min(1000, count - sent)
            made = self.driver.execute_async_script(STORM, n, seed + sent)
            for kind, k in made.items():
                kinds[kind] = kinds.get(kind, 0) + k
            sent += n
            self.driver.switch_to.new_window('tab')
            self.driver.close()
            self.driver.switch_to.window(self.driver.window_handles[0])
            kinds['hidden'] = kinds.get('hidden', 0) + 1
        return ' '.join(f'{k} {v}' for k, v in sorted(kinds.items()))

    # The program's memory, in bytes; 0 once it has ended.
    def do_memory(self):
        return str(self.script('return window.ostrevane.memoryBytes()'))

    # How long the program's runs took since last asked (ms), from a wake to its next wait.
    def do_runs(self):
        return ' '.join('%.3f' % ms for ms in self.script('return window.ostrevane.runTimes()'))

    # Another page of the site, until it titles itself "done"; its text into FILE.
    def do_page(self, path, file):
        self.driver.get(self.url + path)
        end = time.time() + 600
        while self.driver.title != 'done':
            if time.time() > end:
                raise RuntimeError(f'{path} did not finish')
            time.sleep(0.5)
        with open(file, 'w') as f:
            f.write(self.driver.find_element(By.TAG_NAME, 'body').text + '\n')
        return 'ok'

    def do_strip(self, code):
        self.driver.find_element(By.CSS_SELECTOR, f'#keys button[data-code="{code}"]').click()
        return 'ok'

    def do_exitcode(self):
        end = time.time() + 10
        while time.time() < end:
            text = self.driver.find_element(By.ID, 'message').text
            found = re.search(r'has ended \(exit code (-?\d+)\)', text)
            if found:
                return found.group(1)
            time.sleep(0.1)
        return 'none'

    def do_health(self):
        errors = [e['message'] for e in self.driver.get_log('browser') if e['level'] == 'SEVERE']
        return '%d %d %s' % (len(Site.failures), len(errors), ' | '.join(Site.failures + errors))


def main():
    args = sys.argv[1:]
    site, commands, replies = args[:3]
    options = {'scale': '1', 'screen': '1280x1080', 'window': '800x600', 'touch': False,
               'without': None}
    rest = args[3:]
    while rest:
        flag = rest.pop(0)[2:]
        options[flag] = True if flag == 'touch' else rest.pop(0)
    server = serve(site)
    driver = browser(options)
    agent = Agent(driver, server)
    try:
        with open(commands) as inbox, open(replies, 'w') as outbox:
            for line in inbox:
                words = line.split()
                if not words or words[0] == 'quit':
                    break
                try:
                    answer = getattr(agent, 'do_' + words[0])(*words[1:])
                except Exception as error:  # the script reads the failure and stops
                    answer = 'failed: ' + str(error).splitlines()[0]
                outbox.write(answer + '\n')
                outbox.flush()
    finally:
        driver.quit()


if __name__ == '__main__':
    main()
