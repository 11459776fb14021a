#!/usr/bin/python3
"""A short day with Quillora as a blind learner has it: through the Orca screen reader.

Starts the built program on a private X server with a window manager (openbox) and the
accessibility bus, with Orca (Debian's package) reading it aloud through a
speech-dispatcher of the test's own (its own configuration: the espeak-ng module on
ALSA's "null" device, so it never waits for a sound card). The program is driven only by
X keys (xdotool, XTest); what Orca said is read from its debug log, whose
"SPEECH OUTPUT" lines are what it sent to the speech server.

After each step the test checks what was said: the log-in error, the word on the
memorise page with its meaning and position, the settings page chosen with Down, the
daily-amount field's name, a statistics figure, and that no character of the password
typed was spoken.

Run under its own D-Bus session:
    dbus-run-session -- /usr/bin/python3 tests/desktop/orca_e2e.py --bin build/bin
Every wait is on a condition with a time limit; the whole run is limited to 120 s.
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import xdesk
from xdesk import Failure, check, key, start, type_text, wait_for

xdesk.limit_run(120)

USER, PASSWORD, WRONG_PASSWORD = "lily", "pw", "zqj"
# Today's words: (word, meaning, transcription).
WORDS = [
    ("apple", "n. 苹果", "ˈæpl"),
    ("river", "n. 河流", "ˈrɪvə"),
    ("garden", "n. 花园", "ˈɡɑːdn"),
    ("window", "n. 窗户", "ˈwɪndəʊ"),
    ("yellow", "adj. 黄色的", "ˈjeləʊ"),
]


SPEECH_FAILED = "朗读失败！可能是音频设备没有打开！"


# ---- what Orca said ---------------------------------------------------------------

class Speech:
    """The utterances in Orca's debug log, in order."""

    # The text, then the voice Orca chose (if any) to the end of the line.
    LINE = re.compile(r"SPEECH OUTPUT: '(.*)' ?\[?(?:\{.*\})?\]?\s*$")

    def __init__(self, path):
        self.path = path
        self.said = []
        self._offset = 0
        self._partial = ""

    def read(self):
        try:
            with open(self.path, encoding="utf-8", errors="replace") as f:
                f.seek(self._offset)
                chunk = f.read()
                self._offset = f.tell()
        except FileNotFoundError:
            return self.said
        text = self._partial + chunk
        lines = text.split("\n")
        self._partial = lines.pop()  # an unfinished line waits for its end
        for line in lines:
            m = self.LINE.search(line)
            if m:
                self.said.append(m.group(1))
        return self.said

    def mark(self):
        return len(self.read())

    def settle(self, quiet=0.3, timeout=10.0):
        """Waits until Orca has caught up: its log has not grown for `quiet` seconds.
        Orca handles events one at a time; keys pressed while it is still busy with
        earlier ones reach it late, and a focus change met late is not presented."""
        last = [None, time.monotonic()]
        def idle():
            try:
                size = os.path.getsize(self.path)
            except FileNotFoundError:
                size = -1
            now = time.monotonic()
            if size != last[0]:
                last[0], last[1] = size, now
                return False
            return now - last[1] >= quiet
        wait_for(idle, "Orca to finish what it was doing", timeout)

    def since(self, mark):
        return self.read()[mark:]

    def wait(self, mark, predicate, what, timeout=15.0):
        """Waits until an utterance after `mark` satisfies predicate; returns it."""
        def found():
            return next((u for u in self.since(mark) if predicate(u)), None)
        try:
            return wait_for(found, what, timeout)
        except Failure:
            raise Failure("Orca never said %s; it said %r" % (what, self.since(mark)[-25:]))

    def wait_containing(self, mark, *parts, timeout=15.0):
        return self.wait(mark, lambda u: all(p in u for p in parts), " and ".join(repr(p) for p in parts), timeout)


def tab_to(speech, predicate, what, limit=12, back=False, since=None):
    """Presses Tab (Shift+Tab with `back`) until Orca names the control `predicate`
    accepts, as a learner who cannot see the screen finds a control; none when Orca
    named it already after the mark `since`."""
    if since is not None:
        speech.settle()
        said = [u for u in speech.since(since) if predicate(u)]
        if said:
            return said[0]
    for _ in range(limit):
        speech.settle()
        mark = speech.mark()
        key("shift+Tab" if back else "Tab")
        # What the focus change said may come in more than one utterance.
        speech.settle()
        said = [u for u in speech.since(mark) if predicate(u)]
        if said:
            return said[0]
    raise Failure("Tab never reached %s" % what)


def names_control(name):
    """An utterance that presents the control `name`: its name first."""
    return lambda u: u == name or u.startswith(name + " ")


# ---- the store -------------------------------------------------------------------

def sql(statement):
    r = subprocess.run([QDB, "sql", DB, statement], capture_output=True, text=True)
    if r.returncode != 0:
        raise Failure("quillora-db sql failed: %s" % r.stderr.strip())
    return [line.split("\t") for line in r.stdout.splitlines()]


def prepare_store():
    """One user with a chosen list of today's five words, as the program leaves them."""
    os.makedirs(os.path.dirname(DB), exist_ok=True)
    r = subprocess.run([QDB, "init", DB], capture_output=True, text=True)
    check(r.returncode == 0, "quillora-db init failed: %s" % r.stderr.strip())
    sql("INSERT INTO UserInfo_tbl VALUES(NULL, 0, '%s', '%s', -1, %d, 0, -1, NULL, NULL, NULL, NULL, -1, 0, 0, 0, 0, "
        "-1, -1, 0, 0, 40, 1);" % (USER, PASSWORD, len(WORDS)))
    sql("INSERT INTO ThesaurusInfo_tbl VALUES(NULL, '日常词汇');")
    for word, meaning, phonetic in WORDS:
        sql("INSERT INTO words_tbl VALUES(NULL, 1, '%s', '%s', '%s');" % (word, meaning, phonetic))
    sql("UPDATE UserInfo_tbl SET tid = 1, count = %d WHERE uid = 1;" % len(WORDS))


# ---- the speech server and the screen reader ----------------------------------------

SPEECHD_CONF = """LogLevel 2
LogDir "{log}"
AudioOutputMethod "alsa"
AudioALSADevice "null"
AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"
DefaultModule espeak-ng
DefaultLanguage "en"
"""

# Orca's own launcher, run with a line-buffered debug log (Orca's is block-buffered:
# what it said would reach the file only in lumps) and blind to the Orca instances of
# other sessions of the same user, which it would otherwise refuse to start beside.
ORCA_LAUNCHER = """
import sys
from orca import debug
launcher = {{"__name__": "orca_launcher", "__file__": "/usr/bin/orca"}}
with open("/usr/bin/orca") as f:
    exec(compile(f.read(), "/usr/bin/orca", "exec"), launcher)
launcher["otherOrcas"] = lambda: []
debug.debugLevel = debug.LEVEL_INFO
debug.debugFile = open({log!r}, "w", buffering=1)
sys.argv = ["orca", "--user-prefs", {prefs!r}]
sys.exit(launcher["main"]())
"""


def start_speech_server(work):
    conf = os.path.join(work, "speechd")
    os.makedirs(os.path.join(conf, "modules"))
    with open(os.path.join(conf, "speechd.conf"), "w") as f:
        f.write(SPEECHD_CONF.format(log=work))
    open(os.path.join(conf, "modules", "espeak-ng.conf"), "w").close()
    socket = os.path.join(work, "speechd.sock")
    start(["speech-dispatcher", "--run-single", "--timeout", "0", "--config-dir", conf,
           "--communication-method", "unix_socket", "--socket-path", socket,
           "--pid-file", os.path.join(work, "speechd.pid"), "--log-dir", work],
          X_ENV, os.path.join(work, "speechd.out"))
    wait_for(lambda: os.path.exists(socket), "the speech server's socket")
    address = "unix_socket:" + socket
    # It answers: a line spoken to the null device comes back at once.
    r = subprocess.run(["spd-say", "--wait", "ready"], env=dict(X_ENV, SPEECHD_ADDRESS=address), capture_output=True,
                       timeout=20)
    check(r.returncode == 0, "speech-dispatcher does not speak: %s" % r.stderr.decode(errors="replace"))
    return address


def start_orca(work, address):
    prefs = os.path.join(work, "orca-prefs")
    os.makedirs(prefs)
    log = os.path.join(work, "orca-debug.log")
    env = dict(X_ENV, SPEECHD_ADDRESS=address, HOME=work, XDG_CONFIG_HOME=os.path.join(work, "config"),
               XDG_DATA_HOME=os.path.join(work, "data-home"), XDG_CACHE_HOME=os.path.join(work, "cache"))
    start(["/usr/bin/python3", "-c", ORCA_LAUNCHER.format(log=log, prefs=prefs)], env, os.path.join(work, "orca.out"))
    speech = Speech(log)
    speech.wait(0, lambda u: u.startswith("Screen reader on"), "that it is on", timeout=30)
    return speech


def main():
    global X_ENV, QDB, DB
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True, help="folder with quillora and quillora-db")
    parser.add_argument("--keep", action="store_true", help="keep the data folder and logs")
    args = parser.parse_args()
    binary = os.path.join(args.bin, "quillora")
    QDB = os.path.join(args.bin, "quillora-db")
    work = tempfile.mkdtemp(prefix="quillora-orca-")
    data = os.path.join(work, "data")
    DB = os.path.join(data, "data.db")

    X_ENV = xdesk.start_x_server(work, 200)
    X_ENV.pop("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", None)
    start(["openbox", "--sm-disable"], X_ENV, os.path.join(work, "openbox.log"))
    start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], X_ENV, os.path.join(work, "atspi.log"))

    prepare_store()
    program = None
    try:
        address = start_speech_server(work)
        speech = start_orca(work, address)

        # Accessibility is on because a screen reader runs, as on a learner's desktop:
        # nothing here forces it on. The program's own reading aloud goes to the same
        # speech server.
        env = dict(X_ENV, SPEECHD_ADDRESS=address, QTWEBENGINE_DISABLE_SANDBOX="1", QUILLORA_UPDATE_URL="",
                   LANG="C.UTF-8")
        env.pop("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY", None)
        mark = speech.mark()
        program = start([binary, "--data-dir", data], env, os.path.join(work, "quillora.log"))

        # Log in with a wrong password: the error is said, no typed character is.
        speech.wait(mark, lambda u: "用户登录" in u, "the log-in dialog", timeout=30)
        speech.wait(mark, lambda u: u.startswith("用户名"), "the user name field")
        type_text(USER)
        speech.settle()
        mark = speech.mark()
        key("Tab")
        speech.wait(mark, lambda u: u.startswith("密码"), "the password field")
        typed = speech.mark()
        type_text(WRONG_PASSWORD)
        speech.settle()
        key("Return")
        error = speech.wait_containing(typed, "用户名或密码错误")
        # The password's characters, alone (key echo) or together.
        spoken = [u for u in speech.since(typed)
                  if (len(u.strip()) == 1 and u.strip().lower() in WRONG_PASSWORD) or WRONG_PASSWORD in u.lower()]
        check(not spoken, "Orca spoke the password being typed: %r" % spoken)
        print("log-in error:", repr(error))

        key("ctrl+a")
        type_text(PASSWORD)
        speech.settle()
        mark = speech.mark()
        key("Return")
        home = speech.wait(mark, lambda u: u.startswith("Quillora"), "the home window")
        check(any("frame" in u for u in speech.since(mark)), "the home window was not said to be a window: %r" % speech.since(mark))
        print("home window:", [u for u in speech.since(mark) if "Quillora" in u or "frame" in u][:2])

        # The memorise page: the word, its meaning and the position, without leaving the edit.
        tab_to(speech, names_control("背单词"), "背单词", since=mark)
        mark = speech.mark()
        key("Return")
        words = {w: meaning for w, meaning, _ in WORDS}
        def word_said(u):
            return any(w in u and meaning in u for w, meaning in words.items()) and "1 / %d" % len(WORDS) in u
        said = speech.wait(mark, lambda u: word_said(u) or SPEECH_FAILED in u, "a word with its meaning and position",
                           timeout=20)
        if SPEECH_FAILED in said:
            # No sound card here: the program's own reading aloud fails, and it says so
            # once a run. The learner closes the box and is back in the edit.
            speech.settle()
            mark = speech.mark()
            key("Return")
        shown = speech.wait(mark, word_said, "a word with its meaning and position", timeout=20)
        print("memorise page:", repr(shown))
        tab_to(speech, names_control("返回"), "返回 on the memorise page", back=True)
        mark = speech.mark()
        key("Return")
        speech.wait(mark, lambda u: True, "the home window again")

        # The settings: the page chosen with Down, the daily amount by its own name.
        tab_to(speech, names_control("设置"), "设置", since=mark)
        mark = speech.mark()
        key("Return")
        speech.wait(mark, lambda u: u.startswith("设置"), "the settings dialog")
        tab_to(speech, lambda u: u.startswith("设置项目"), "the settings page list", back=True, since=mark)
        mark = speech.mark()
        key("Home")
        speech.settle()
        mark = speech.mark()
        key("Down")
        chosen = speech.wait(mark, lambda u: u.startswith("朗读设置"), "the page chosen with Down")
        print("settings page list, Down:", repr(chosen))
        speech.settle()
        mark = speech.mark()
        key("Down", "Down")
        speech.wait(mark, lambda u: u.startswith("用户账户"), "用户账户 chosen with Down")
        speech.settle()
        mark = speech.mark()
        key("Tab")
        # The group is named as the focus enters it, then the field, by its role.
        field = speech.wait(mark, lambda u: u.endswith(" text.") or " text. " in u, "the daily amount field")
        check(field.startswith("每日任务量"), "the daily amount field is not named 每日任务量: %r" % field)
        print("daily amount field:", repr(field))
        speech.settle()
        mark = speech.mark()
        key("Tab")
        field = speech.wait(mark, lambda u: "password text" in u, "the password field of the account page")
        check(field.startswith("密码"), "the password field is not named 密码: %r" % field)
        print("password field:", repr(field))
        mark = speech.mark()
        key("Escape")
        speech.wait(mark, lambda u: u.startswith("Quillora") or u.startswith("设置"), "the home window after the settings")

        # The statistics page reads its figures.
        tab_to(speech, names_control("学习统计"), "学习统计", back=True, since=mark)
        mark = speech.mark()
        key("Return")
        speech.wait(mark, names_control("返回"), "the statistics page", timeout=30)
        # The report is the page's other stop in the Tab chain; Orca's flat review reads
        # it line by line (keypad 8: this line, keypad 9: the next one).
        tab_to(speech, lambda u: "document web" in u, "the statistics report", limit=4)
        speech.settle()
        mark = speech.mark()
        key("KP_Up")
        for _ in range(8):
            speech.settle()
            if any("当前用户" in u for u in speech.since(mark)):
                break
            key("KP_Prior")
        user = speech.wait(mark, lambda u: "当前用户" in u, "the statistics report's current user", timeout=5)
        check(USER in user, "the statistics report does not name the user: %r" % user)
        mark = speech.mark()
        key("KP_Prior")
        figure = speech.wait(mark, lambda u: "单词数: %d" % len(WORDS) in u, "the number of words in the statistics")
        print("statistics page:", repr(user), repr(figure))
    except Failure:
        shot = os.path.join(work, "failure.png")
        subprocess.run(["import", "-window", "root", shot], env=X_ENV, capture_output=True)
        print("screenshot:", shot)
        args.keep = True
        raise
    finally:
        if program is not None and program.poll() is None:
            program.terminate()
            try:
                program.wait(10)
            except subprocess.TimeoutExpired:
                pass
        # Orca ignores SIGTERM while it is idle: its group is killed.
        xdesk.stop_all(signal.SIGKILL)
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)
        else:
            print("kept", work)


if __name__ == "__main__":
    try:
        main()
    except Failure as e:
        print("FAIL:", e)
        sys.exit(1)
    print("1 passed, 0 failed")
