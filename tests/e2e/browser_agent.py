#!/usr/bin/python3
"""browser_agent.py SITE COMMANDS REPLIES [--engine chromium|firefox|webkit] [--x] [--scale N]
                   [--screen WxH] [--window WxH] [--touch] [--phone] [--without WHAT]

The page in one of Debian's browser engines, driven through WebDriver with real input, for the
scripts that source tests/viewer-window.sh: it serves SITE on a port of its own, reads one command
a line from the COMMANDS fifo and answers each with a line on REPLIES ("failed: ..." when it could
not). Places and sizes are the canvas's device pixels, as the program sees them. The commands are
the do_ methods below: open, message, offline, leave, size, shot, move, button, wheel, key, resize,
swipe, hold, pinch, strip, storm, memory, runs, page, caches, exitcode, health; and quit.
Chromium runs headless, through chromedriver; with --x, and always for Firefox (through its own
Marionette protocol, which geckodriver would relay) and WebKitGTK (through WebKitWebDriver), the
browser is a window on the X display, which gives the mouse and the wheel and takes the shots.
Chromium alone has the options --scale, --screen, --touch, --phone (a phone's viewport of --window)
and --without.
"""
import functools
import http.server
import json
import os
import random
import re
import shutil
import socket
import subprocess
import sys
import tempfile
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
from selenium.webdriver.remote.webdriver import WebDriver

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


class Marionette:
    """Firefox's own remote protocol, which geckodriver relays WebDriver to: selenium's commands
    under their Marionette names, each message its length, a colon and JSON."""
    NAMES = {'newSession': 'WebDriver:NewSession', 'get': 'WebDriver:Navigate',
             'getTitle': 'WebDriver:GetTitle', 'w3cExecuteScript': 'WebDriver:ExecuteScript',
             'w3cExecuteScriptAsync': 'WebDriver:ExecuteAsyncScript',
             'findElement': 'WebDriver:FindElement', 'getElementText': 'WebDriver:GetElementText',
             'clickElement': 'WebDriver:ElementClick', 'actions': 'WebDriver:PerformActions',
             'getWindowRect': 'WebDriver:GetWindowRect', 'setWindowRect': 'WebDriver:SetWindowRect',
             'quit': 'Marionette:Quit'}

    def __init__(self, window):
        self.profile = tempfile.mkdtemp()
        # A free port, which Firefox writes into the profile. Nothing of Firefox's over the page
        # in full screen, which would be in the shots: no notice, and no robot that says a program
        # drives it (seen to stay on the screen). No bar over the page warning of a sandbox without
        # user namespaces (Firefox ESR 140's, in a container that refuses them): its height
        # follows the window's width, and a resize moved the page from where the agent found it.
        with open(os.path.join(self.profile, 'user.js'), 'w') as f:
            f.write('user_pref("marionette.port", 0);\n'
                    'user_pref("security.sandbox.warn_unprivileged_namespaces", false);\n'
                    'user_pref("full-screen-api.warning.timeout", 0);\n'
                    'user_pref("full-screen-api.transition-duration.enter", "0 0");\n'
                    'user_pref("full-screen-api.transition-duration.leave", "0 0");\n'
                    'user_pref("toolkit.legacyUserProfileCustomizations.stylesheets", true);\n')
        os.mkdir(os.path.join(self.profile, 'chrome'))
        with open(os.path.join(self.profile, 'chrome', 'userChrome.css'), 'w') as f:
            f.write('#remote-control-box { display: none !important; }\n')
        width, height = window.split('x')
        self.firefox = subprocess.Popen(
            ['/usr/bin/firefox-esr', '--marionette', '--no-remote', '--profile', self.profile,
             '--width', width, '--height', height], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        port = os.path.join(self.profile, 'MarionetteActivePort')
        end = time.time() + 60
        while not os.path.exists(port) or not os.path.getsize(port):
            if time.time() > end or self.firefox.poll() is not None:
                raise RuntimeError('Firefox gave no Marionette port')
            time.sleep(0.1)
        with open(port) as f:
            self.socket = socket.create_connection(('127.0.0.1', int(f.read())))
        self.stream = self.socket.makefile('rb')
        self.id = 0
        self.receive()  # its greeting

    def receive(self):
        length = b''
        while not length.endswith(b':'):
            length += self.stream.read(1) or b'0:'  # an ended connection reads as nothing
        return json.loads(self.stream.read(int(length[:-1])) or 'null')

    def execute(self, command, params):
        self.id += 1
        params = {k: v for k, v in params.items() if k not in ('sessionId', 'windowHandle')}
        message = json.dumps([0, self.id, self.NAMES[command], params]).encode()
        self.socket.sendall(b'%d:%s' % (len(message), message))
        if command == 'quit':
            return {'value': None}
        _, _, error, result = self.receive()
        if error:
            return {'status': error['error'], 'message': error['message'], 'value': error}
        return {'value': result['value'] if list(result or {}) == ['value'] else result}

    def close(self):
        self.socket.close()
        try:
            self.firefox.wait(10)
        except subprocess.TimeoutExpired:
            self.firefox.kill()
        shutil.rmtree(self.profile, ignore_errors=True)


def browser(options):
    if options['engine'] == 'firefox':
        return WebDriver(command_executor=Marionette(options['window']))
    if options['engine'] == 'webkit':
        # On Xvfb, without a GPU, WebKit's DMA-BUF renderer was seen to show nothing.
        os.environ['WEBKIT_DISABLE_DMABUF_RENDERER'] = '1'
        o = webdriver.WebKitGTKOptions()
        o.binary_location = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser'
        o.add_argument('--automation')
        driver = webdriver.WebKitGTK(options=o, executable_path='/usr/bin/WebKitWebDriver')
        driver.set_window_size(*(int(v) for v in options['window'].split('x')))
        return driver
    o = webdriver.ChromeOptions()
    o.binary_location = '/usr/bin/chromium'
    # A new empty profile; no connection but to the page (this machine's network is closed).
    for a in ['--no-sandbox', '--disable-gpu', '--no-first-run', '--window-position=0,0',
              '--disable-background-networking', '--disable-component-update', '--disable-sync',
              '--disable-quic', f'--window-size={options["window"].replace("x", ",")}',
              f'--force-device-scale-factor={options["scale"]}',
              f'--screen-info={{{options["screen"]}}}'] + ([] if options['x'] else ['--headless=new']):
        o.add_argument(a)
    # No bar saying that a program drives it: its shadow falls on the page.
    o.add_experimental_option('excludeSwitches', ['enable-automation'])
    o.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
    driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=o)
    # A browser without WebAssembly, or one whose WebAssembly lacks SIMD (validate refuses it);
    # one without the Fullscreen API (an iPhone's), or whose every request is refused.
    lack = {'wasm': 'delete window.WebAssembly;', 'simd': 'WebAssembly.validate = () => false;',
            'fullscreen': 'delete Element.prototype.requestFullscreen;',
            'fullscreen-consent': 'Element.prototype.requestFullscreen = () => '
                                  'Promise.reject(new TypeError("refused"));'}
    if options['without']:
        driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument',
                               {'source': lack[options['without']]})
    if options['phone']:
        # A phone's viewport, narrower than a desktop's window may be, at --window and --scale.
        width, height = (int(v) for v in options['window'].split('x'))
        driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride', {
            'width': width, 'height': height, 'deviceScaleFactor': float(options['scale']),
            'mobile': True})
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
const area = document.getElementById('area');
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
      area.style.flex = pick(['0 0 0px', '0 0 1px', '']);
    }
  }
  if (made.total === count) {
    area.style.flex = '';
    delete made.total;
    setTimeout(() => done(made), 50);
  } else {
    setTimeout(tick, 0);
  }
};
tick();
"""


# Where the canvas lies in the viewport, in device pixels, and whether the page is in full screen.
PLACE = """
const box = document.getElementById('client').getBoundingClientRect();
return [box.left * devicePixelRatio, box.top * devicePixelRatio, !!document.fullscreenElement];
"""
# Where the viewport lies on the screen, as the next real pointer event tells it.
WATCH_VIEWPORT = """
addEventListener('pointermove', (e) => { window.agentViewport = [e.screenX - e.clientX,
  e.screenY - e.clientY]; }, true);
"""


class Agent:
    def __init__(self, driver, server, options):
        self.driver = driver
        self.server = server
        self.url = f'http://127.0.0.1:{server.server_address[1]}/'
        self.ratio = 1.0
        self.at = (0, 0)  # the mouse, in CSS pixels
        self.engine = options['engine']
        self.x = options['x']
        self.viewport = None  # on the screen, out of full screen, in CSS pixels
        if self.x:  # the X pointer in the screen's corner, away from the window, until moved
            width, height = subprocess.run(['xdotool', 'getdisplaygeometry'], check=True,
                                           capture_output=True, text=True).stdout.split()
            self.xdotool('mousemove', int(width) - 1, int(height) - 1)

    def xdotool(self, *args):
        subprocess.run(['xdotool'] + [str(a) for a in args], check=True)

    # The canvas's place on the screen (x mode) or in the viewport, in device pixels; a page in
    # full screen has the screen's corner.
    def place(self):
        left, top, full = self.script(PLACE)
        x, y = (0, 0) if full or not self.x else self.viewport
        return round(left + x * self.ratio), round(top + y * self.ratio)

    # The X pointer into the window once, for the page to tell where its viewport lies.
    def find_viewport(self):
        self.script(WATCH_VIEWPORT)
        rect = self.driver.get_window_rect()
        self.xdotool('mousemove', rect['x'] + rect['width'] // 2, rect['y'] + rect['height'] // 2)
        end = time.time() + 10
        while self.viewport is None:
            if time.time() > end:
                raise RuntimeError('no pointer event came from X')
            time.sleep(0.05)
            self.viewport = self.script('return window.agentViewport')

    def console_errors(self):
        if self.engine == 'chromium':
            return [e['message'] for e in self.driver.get_log('browser') if e['level'] == 'SEVERE']
        # The others tell WebDriver nothing of the console: the page's word that it stopped.
        text = self.driver.find_element(By.ID, 'message').text
        return [text] if 'stopped' in text else []

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
        if self.x and self.viewport is None:
            self.find_viewport()
        self.console_errors()  # what loading said is judged by health
        return 'ok'

    # Loads the page; answers what it says once it says something or its program has titled it.
    def do_message(self):
        self.driver.get(self.url)
        end = time.time() + 30
        while True:
            text = self.driver.find_element(By.ID, 'message').text
            if text or self.driver.title == TITLE or time.time() > end:
                return text.replace('\n', ' ') or '(none)'
            time.sleep(0.1)

    # Stops serving the site and opens the page again: from the service worker's copies. In
    # Chromium, in a new tab in place of the old one: a second page loaded in one tab was seen to
    # stay black in its window on Xvfb (4 of 20 loads); in a new tab, none of 30 did.
    def do_offline(self):
        self.driver.execute_async_script(
            'navigator.serviceWorker.ready.then(() => arguments[0](true))')
        self.server.shutdown()
        self.server.server_close()
        if self.engine == 'chromium':
            old = self.driver.current_window_handle
            self.driver.switch_to.new_window('tab')
            new = self.driver.current_window_handle
            self.driver.switch_to.window(old)
            self.driver.close()
            self.driver.switch_to.window(new)
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
                  c.getBoundingClientRect().height,
                  document.getElementById('area').getBoundingClientRect().height]''')
        return ' '.join(str(v) for v in c)

    # The canvas's pixels as the screen shows them (the X screen's, or the viewport's as the
    # browser composes it), not an element's screenshot, which is resampled to whole CSS pixels.
    def do_shot(self, path):
        (x, y), size = self.place(), self.script(
            'const c = document.getElementById("client"); return [c.width, c.height]')
        if self.x:
            screen = subprocess.run(['import', '-window', 'root', 'png:-'], check=True,
                                    capture_output=True).stdout
        else:
            screen = self.driver.get_screenshot_as_png()
        cut = subprocess.run(['convert', 'png:-', '-crop', '%dx%d+%d+%d' % (*size, x, y), '+repage',
                              path], input=screen, capture_output=True)
        if cut.returncode != 0:
            raise RuntimeError(cut.stderr.decode())
        return 'ok %d %d' % tuple(size)

    def do_move(self, x, y):
        self.at = self.css(x, y)
        if self.x:
            left, top = self.place()
            self.xdotool('mousemove', left + self.device(*self.at)[0], top + self.device(*self.at)[1])
            return 'ok %d %d' % self.device(*self.at)
        builder, pointer = self.mouse()
        pointer.source.create_pointer_move(x=self.at[0], y=self.at[1])
        builder.perform()
        return 'ok %d %d' % self.device(*self.at)

    # button down|up|click left|middle|right
    def do_button(self, action, button):
        if self.x:
            self.xdotool({'down': 'mousedown', 'up': 'mouseup', 'click': 'click'}[action],
                         BUTTONS[button] + 1)
            return 'ok'
        for down in {'down': [True], 'up': [False], 'click': [True, False]}[action]:
            builder, pointer = self.mouse()
            (pointer.pointer_down if down else pointer.pointer_up)(BUTTONS[button])
            builder.perform()
        return 'ok'

    # A wheel's notches, 120 pixels each; in x mode X's buttons 4 (away) and 5, one a notch.
    def do_wheel(self, dy):
        if self.x:
            for _ in range(abs(int(dy)) // 120):
                self.xdotool('click', 4 if int(dy) < 0 else 5)
            return 'ok'
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

    # The origin's caches by name, joined by " | ", once the service worker is ready and those
    # named are made (or opened).
    def do_caches(self, *made):
        return ' | '.join(self.driver.execute_async_script(
            'navigator.serviceWorker.ready.then(() => Promise.all(arguments[0].map((n) => '
            'caches.open(n)))).then(() => caches.keys()).then((names) => arguments[1](names.sort()))',
            list(made)))

    def do_health(self):
        errors = self.console_errors()
        return '%d %d %s' % (len(Site.failures), len(errors), ' | '.join(Site.failures + errors))


def main():
    args = sys.argv[1:]
    site, commands, replies = args[:3]
    options = {'engine': 'chromium', 'x': False, 'scale': '1', 'screen': '1280x1080',
               'window': '800x600', 'touch': False, 'phone': False, 'without': None}
    rest = args[3:]
    while rest:
        flag = rest.pop(0)[2:]
        options[flag] = True if flag in ('touch', 'phone', 'x') else rest.pop(0)
    options['x'] |= options['engine'] != 'chromium'
    server = serve(site)
    driver = browser(options)
    agent = Agent(driver, server, options)
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
