#!/usr/bin/env python3
"""Opens pages in headless Chromium at given window sizes and measures them.

    pages_in_browser.py [--chromium PATH] [--shots DIR] SIZES URL...

SIZES is e.g. "1280x720,1920x1080". For every size and URL one tab-separated
line goes to standard output: <WxH> <url> <scroll width> <client width>
<style rules that loaded> <images> <sources of broken images, or "-">.
With --shots a PNG of every page at every size lands in DIR. The browser is
driven through the DevTools protocol over a pipe, with a fresh profile and
kept off the network. Exit status 2 when the browser failed. A TERM, INT or
HUP stops the browser and its processes with this script.

The profile goes under TMPDIR. The browser's own temporary files, among them
its sockets, go into a folder of a short path that this script makes and
removes (under /tmp where it can): a socket's path may not be longer than
107 bytes, which a long TMPDIR would pass.
"""

import base64
import json
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

MEASURE = """(() => {
    let rules = 0;
    for (const sheet of document.styleSheets)
        try { rules += sheet.cssRules.length; } catch (e) { }
    const broken = [...document.images].filter(img => !img.complete || img.naturalWidth === 0)
        .map(img => img.getAttribute('src'));
    const root = document.documentElement;
    return [root.scrollWidth, root.clientWidth, rules, document.images.length, broken];
})()"""

STOP_SIGNALS = (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)
# The browser's process group (all its processes), its profile and its
# temporary folder, once made.
browser_group = None
profile = None
browser_tmp = None


def session_runs(session):
    """Whether a process of the session runs (has not ended)."""
    for pid in os.listdir('/proc'):
        try:
            with open('/proc/%s/stat' % pid) as stat:
                fields = stat.read().rsplit(')', 1)[1].split()
        except (OSError, IndexError):
            continue
        if fields[0] != 'Z' and int(fields[3]) == session:
            return True
    return False


def kill_browser(group):
    """Kills every process of the browser's group and waits until none runs."""
    try:
        os.killpg(group, signal.SIGKILL)
    except ProcessLookupError:
        pass
    # Its folders are removed once nothing of it can write there.
    deadline = time.monotonic() + 10
    while session_runs(group) and time.monotonic() < deadline:
        time.sleep(0.01)


def remove_folders():
    for folder in (profile, browser_tmp):
        if folder:
            shutil.rmtree(folder, ignore_errors=True)


def short_temp_folder():
    """A new folder for the browser's temporary files, of a path as short as
    can be had."""
    bases = sorted({'/tmp', tempfile.gettempdir()}, key=len)
    for base in bases:
        try:
            return tempfile.mkdtemp(prefix='zc-', dir=base)
        except OSError:
            if base == bases[-1]:
                raise
    return None


def stop_on(signum, _frame):
    """Stops the browser, then ends this script by the signal."""
    if browser_group:
        kill_browser(browser_group)
    remove_folders()
    signal.signal(signum, signal.SIG_DFL)
    os.kill(os.getpid(), signum)


class Browser:
    def __init__(self, chromium, profile, tmp):
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()

        def pipes_as_3_and_4():  # the protocol pipe: fd 3 commands in, fd 4 answers out
            r, w = os.dup(to_browser_r), os.dup(from_browser_w)
            os.dup2(r, 3)
            os.dup2(w, 4)
            signal.pthread_sigmask(signal.SIG_UNBLOCK, STOP_SIGNALS)

        args = [chromium, '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                '--disable-background-networking', '--disable-component-update', '--disable-sync',
                '--disable-extensions', '--disable-default-apps', '--mute-audio',
                '--user-data-dir=' + profile, '--remote-debugging-pipe', 'about:blank']
        # A signal waits until the browser's group is known to its handler.
        # The browser's temporary files go into a folder of their own, which
        # goes however the browser ends.
        blocked = signal.pthread_sigmask(signal.SIG_BLOCK, STOP_SIGNALS)
        try:
            self.process = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL, pass_fds=(3, 4),
                                            preexec_fn=pipes_as_3_and_4, start_new_session=True,
                                            env=dict(os.environ, TMPDIR=tmp))
            global browser_group
            browser_group = self.process.pid
        finally:
            signal.pthread_sigmask(signal.SIG_SETMASK, blocked)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.buffer = b''
        self.next_id = 0
        self.events = []

    def close(self):
        global browser_group
        if self.process.poll() is None:
            try:
                self.send('Browser.close', timeout=5)
                self.process.wait(5)
            except Exception:  # no answer, or not gone in time
                pass
        # What is left of it (its other processes, when it failed).
        kill_browser(self.process.pid)
        self.process.wait()
        browser_group = None
        os.close(self.to_browser)
        os.close(self.from_browser)

    def _read_message(self, deadline):
        while b'\0' not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError('the browser did not answer in time')
            ready, _, _ = select.select([self.from_browser], [], [], left)
            if ready:
                chunk = os.read(self.from_browser, 1 << 20)
                if not chunk:
                    raise RuntimeError('the browser closed its pipe')
                self.buffer += chunk
        message, self.buffer = self.buffer.split(b'\0', 1)
        return json.loads(message)

    def send(self, method, params=None, session=None, timeout=20):
        self.next_id += 1
        message = {'id': self.next_id, 'method': method, 'params': params or {}}
        if session:
            message['sessionId'] = session
        data = json.dumps(message).encode() + b'\0'
        while data:
            data = data[os.write(self.to_browser, data):]
        answer = self.wait(lambda m: m.get('id') == self.next_id, timeout)
        if 'error' in answer:
            raise RuntimeError('%s: %s' % (method, answer['error']))
        return answer.get('result', {})

    def wait(self, wanted, timeout=20):
        """The first message, kept or still to come, that is wanted."""
        deadline = time.monotonic() + timeout
        while True:
            for i, message in enumerate(self.events):
                if wanted(message):
                    return self.events.pop(i)
            self.events.append(self._read_message(deadline))

def main(argv):
    options = {'--chromium': shutil.which('chromium') or '/usr/bin/chromium', '--shots': None}
    while argv and argv[0] in options:
        options[argv[0]] = argv[1]
        argv = argv[2:]
    if len(argv) < 2 or argv[0].startswith('--'):
        print(__doc__, file=sys.stderr)
        return 2
    chromium, shots = options['--chromium'], options['--shots']
    sizes = [tuple(int(n) for n in size.split('x')) for size in argv[0].split(',')]
    urls = argv[1:]

    global profile, browser_tmp
    for signum in STOP_SIGNALS:
        if signal.getsignal(signum) != signal.SIG_IGN:
            signal.signal(signum, stop_on)
    browser = None
    try:
        profile = tempfile.mkdtemp(prefix='zep-chromium-')
        browser_tmp = short_temp_folder()
        browser = Browser(chromium, profile, browser_tmp)
        target = browser.send('Target.createTarget', {'url': 'about:blank'})['targetId']
        session = browser.send('Target.attachToTarget', {'targetId': target, 'flatten': True})['sessionId']
        browser.send('Page.enable', session=session)
        for width, height in sizes:
            browser.send('Emulation.setDeviceMetricsOverride',
                         {'width': width, 'height': height, 'deviceScaleFactor': 1, 'mobile': False},
                         session=session)
            for url in urls:
                browser.events.clear()
                browser.send('Page.navigate', {'url': url}, session=session)
                browser.wait(lambda m: m.get('method') == 'Page.loadEventFired' and m.get('sessionId') == session)
                value = browser.send('Runtime.evaluate', {'expression': MEASURE, 'returnByValue': True},
                                     session=session)['result']['value']
                print('%dx%d\t%s\t%d\t%d\t%d\t%d\t%s' % (width, height, url, *value[:4], ' '.join(value[4]) or '-'),
                      flush=True)
                if shots:
                    png = browser.send('Page.captureScreenshot', {'format': 'png'}, session=session)['data']
                    name = '%s_%d.png' % (url.rstrip('/').rsplit('/', 1)[-1].replace('?', '_'), width)
                    with open(os.path.join(shots, name), 'wb') as out:
                        out.write(base64.b64decode(png))
        return 0
    except Exception as error:  # one line for the calling test, whatever went wrong
        print('browser failed: %s' % error, file=sys.stderr)
        return 2
    finally:
        if browser:
            browser.close()
        remove_folders()


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
