#!/usr/bin/python3
"""A whole day with Quillora on a real desktop, driven as a learner drives it.

Starts the built program on a private X server with a window manager (openbox) and a
notification area (trayer), and drives it only through X input events (xdotool, XTest),
mostly by keyboard: register and log in, import 基础词汇 through the file dialog, memorise
a daily list of five words by typing, test them with keys (one wrong answer), read and
close the mistake report, open the statistics, cancel the settings by Enter on "取消",
switch to study mode 3 ("智能复习") and take a test of its new words, switch to a second
user while a study page is open, and quit from the tray menu (the
one mouse click: no key reaches the notification area). Home buttons and page buttons
are reached with Tab and pressed with Enter. What is on screen is read through the
accessibility bus (AT-SPI), never written through it; the results are checked in
data.db after the program has quit.

Run under its own D-Bus session:
    dbus-run-session -- /usr/bin/python3 tests/desktop/desktop_e2e.py --bin build/bin
Every wait is on a condition with a time limit; the whole run is limited to 150 s.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi

import xdesk
from xdesk import Failure, check, key, start, type_text, wait_for, xdo


def edit_text(name):
    for role, n, acc in visible("text"):
        if n == name:
            try:
                return acc.queryText().getText(0, -1)
            except Exception:
                return None
    return None


def type_checked(name, text):
    """Types into the focused edit named `name` and reads it back: characters beyond the
    keyboard map are typed through a remapped key, which an X client may read late."""
    for _ in range(4):
        key("ctrl+a", "BackSpace")
        xdo("type", "--delay", "120", text)
        if wait_for(lambda: edit_text(name) is not None, "the edit %r" % name) and edit_text(name) == text:
            return
        time.sleep(0.3)
        if edit_text(name) == text:
            return
    raise Failure("could not type %r into %r (it holds %r)" % (text, name, edit_text(name)))


def active_window_name():
    r = subprocess.run(["xdotool", "getactivewindow", "getwindowname"], env=X_ENV, capture_output=True, text=True)
    return r.stdout.strip() if r.returncode == 0 else ""


def wait_active(name, timeout=20.0):
    wait_for(lambda: active_window_name() == name, "the window %r to be active (active: %r)" % (name, active_window_name()), timeout)


def window_id(name):
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % name], env=X_ENV, capture_output=True, text=True)
    ids = r.stdout.split()
    return ids[0] if ids else None


# ---- reading the screen through the accessibility bus -------------------------------

def app():
    for a in pyatspi.Registry.getDesktop(0):
        try:
            if a is not None and a.name == "Quillora":
                return a
        except Exception:
            pass
    return None


def showing(acc):
    try:
        return acc.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def walk(acc, depth=0):
    if acc is None or depth > 14:
        return
    yield acc
    try:
        children = list(acc)
    except Exception:
        return
    for child in children:
        if child is not None and showing(child):
            yield from walk(child, depth + 1)


def visible(role=None):
    a = app()
    out = []
    for acc in walk(a):
        try:
            r = acc.getRoleName()
            if role is None or r == role:
                out.append((r, acc.name, acc))
        except Exception:
            pass
    return out


def texts(role):
    return [name for _, name, _ in visible(role)]


def focused():
    """(role, name) of the control with the keyboard focus, or None. A container may
    say it is focused too; the control is the innermost."""
    found = None
    for role, name, acc in visible():
        try:
            if acc.getState().contains(pyatspi.STATE_FOCUSED):
                found = role, name
        except Exception:
            pass
    return found


def focused_name():
    f = focused()
    return f[1] if f else None


SPEECH_FAILED = "朗读失败！可能是音频设备没有打开！"


def speech_box_closed():
    """Without an audio device the first word read aloud fails, and the program says so
    once a run; a learner closes the box and goes on."""
    if SPEECH_FAILED in texts("label"):
        if active_window_name() == "Quillora":
            key("Return")
            time.sleep(0.2)
        return False
    return True


def wait_focus_on(role, what):
    """A learner types once the page shows where the keys go; so do we."""
    wait_for(lambda: speech_box_closed() and (focused() or ("", ""))[0] == role,
             "the keyboard focus on %s (it is on %r)" % (what, focused()))


def focused_row_of(name):
    """True when the keyboard is on a row of the list named `name`: the row is what
    says it is focused."""
    for _, _, acc in visible("list item"):
        try:
            if acc.getState().contains(pyatspi.STATE_FOCUSED) and acc.parent.name == name:
                return True
        except Exception:
            pass
    return False


def tab_to(name, limit=30):
    """Moves the keyboard focus with Tab until the control named `name` has it."""
    for _ in range(limit):
        if focused_name() == name or focused_row_of(name):
            return
        key("Tab")
        time.sleep(0.05)
    raise Failure("Tab never reached %r (focus on %r)" % (name, focused_name()))


# ---- the store, through the program's own maintenance tool ---------------------------

def sql(statement):
    for _ in range(50):
        r = subprocess.run([QDB, "sql", DB, statement], capture_output=True, text=True)
        if r.returncode == 0:
            return [line.split("\t") for line in r.stdout.splitlines()]
        if "locked" not in r.stderr and "busy" not in r.stderr:
            raise Failure("quillora-db sql failed: %s" % r.stderr.strip())
        time.sleep(0.1)
    raise Failure("the store stayed locked")


def day_list(uid):
    """Today's words of the user: name -> (explanation, transcription)."""
    return {name: (interp, phonetic) for name, interp, phonetic in
            sql("SELECT w.name, w.interp, w.phonetic FROM DayList_tbl d JOIN words_tbl w ON d.wid = w.wid WHERE d.uid = %d;" % uid)}


# ---- the day -------------------------------------------------------------------------

HOME = "Quillora"


def press(name):
    """Tab to the control a screen reader names `name`, then Enter, as a learner without
    a mouse does."""
    tab_to(name)
    key("Return")


def register(name, password, amount):
    wait_active("新建用户")
    wait_for(lambda: focused_name() == "账号(*)" or focused_name() is not None, "the focus in the new-user dialog")
    type_text(name)
    key("Tab")
    type_text(password)
    key("Tab")
    type_text(password)
    key("Tab", "ctrl+a")
    type_text(str(amount))
    tab_to("普通用户(不能删除词库)")
    key("space")
    key("Return")


def log_in(name, password):
    wait_active("用户登录")
    # The dialog gives the password box the keyboard when it remembers the last user.
    for _ in range(10):
        if (focused() or ("", ""))[0] == "text":
            break
        key("Tab")
    check((focused() or ("", ""))[0] == "text", "Tab never reached the user name (focus on %r)" % (focused(),))
    key("ctrl+a")
    type_text(name)
    key("Tab")
    wait_focus_on("password text", "the password box")
    key("ctrl+a")
    type_text(password)
    key("Return")
    wait_for(lambda: active_window_name() != "用户登录", "the log-in dialog to close")


def confirm_box(text_part):
    """A message box: Enter once its button has the keyboard, as a person sees it."""
    wait_for(lambda: any(text_part in t for t in texts("label")), "a message saying %r" % text_part)
    wait_active("Quillora")
    time.sleep(0.2)
    key("Return")
    wait_for(lambda: not any(text_part in t for t in texts("label")), "the message %r to close" % text_part)


def choose_only_list():
    wait_active("选择词库")
    key("Down", "Return")  # the list box has the keyboard; nothing is chosen yet


def options():
    return sorted(t for t in texts("radio button") if t.startswith("【"))


def test(uid, words, mode=0, one_wrong=True, old=()):
    """A test of today's list. Without `words` the page builds a new list of five, none
    of them in `old`; the words tested are returned with the word answered wrong."""
    press("考单词")
    if words is None:
        def fresh():
            rows = {name: interp for name, (interp, _) in day_list(uid).items()}
            return rows if len(rows) == 5 and not set(rows) & set(old) else None
        words = wait_for(fresh, "a new list of five words")
    by_phonetic = {"[%s]" % phonetic: name for name, (_, phonetic) in day_list(uid).items()}
    wrong_word = None
    for number in range(len(words)):
        def question():
            labels = texts("label")
            opts = options()
            edit = [t for r, t, _ in visible() if r == "text"]
            for w, interp in words.items():
                if opts and any(p in labels for p in by_phonetic if by_phonetic[p] == w):
                    return ("choose explanation", w, opts)
                if interp in labels and opts:
                    return ("choose word", w, opts)
                if interp in labels and edit:
                    return ("type word", w, None)
            return None
        wait_for(lambda: "%d / %d" % (number + 1, len(words)) in texts("label"), "question %d" % (number + 1))
        kind, word, opts = wait_for(question, "question %d on the screen" % (number + 1))
        right = None
        if opts:
            interp = words[word]
            for i, caption in enumerate(opts):
                body = caption[3:]
                if (kind == "choose word" and body == word) or (kind == "choose explanation" and
                                                                (body == interp or (body.endswith("...") and interp.startswith(body[:-3])))):
                    right = str(i + 1)
            check(right, "no option holds the answer to %r: %r" % (word, opts))
        if number == 0 and one_wrong:
            # One wrong first answer, then the right one.
            wrong_word = word
            if opts:
                key(str(int(right) % len(opts) + 1), "Return")
            else:
                type_text(word + "x")
                key("Return", "ctrl+a", "BackSpace")
            wait_for(lambda: sql("SELECT incorrect FROM DayList_tbl d JOIN words_tbl w ON d.wid = w.wid WHERE d.uid = %d AND w.name = '%s';"
                                 % (uid, word.replace("'", "''"))) == [["1"]], "the wrong answer recorded")
        if opts:
            key(chr(ord("a") + int(right) - 1), "Return")  # the letter keys choose as well
        else:
            type_text(word)
            key("Return")
    wait_for(lambda: "完成" in texts("push button"), "完成 on the test page")
    if one_wrong:
        tab_to("查看错误报告")
        key("space")
        wait_active("错误列表", timeout=40)
        key("Escape")
        wait_active(HOME)
        wait_for(lambda: "完成" in texts("push button"), "the test page after the report")
    # Enter reaches "完成": the page has the keyboard back.
    key("Return")
    wait_for(lambda: (sql("SELECT bFinish, ErrorRate FROM logs_tbl WHERE uid = %d AND mode = %d;" % (uid, mode)) or [["", ""]])[0][1]
             not in ("", "NULL"), "the error rate in the log")
    wait_for(lambda: "完成" not in texts("push button"), "the test page to leave")
    return words, wrong_word


def switch_mode(caption):
    """The mode dialog by keyboard: Tab to the mode's radio, Space, then Enter on OK."""
    press("切换模式")
    wait_active("切换模式")
    tab_to(caption)
    key("space")
    tab_to("确定")
    key("Return")
    wait_for(lambda: window_id("切换模式") is None, "the mode dialog to close")


def statistics():
    press("学习统计")
    wait_for(lambda: texts("document web"), "the statistics report", timeout=40)
    time.sleep(0.5)
    press("返回")
    wait_for(lambda: not texts("document web"), "the statistics page to leave")


def settings_cancelled():
    press("设置")
    wait_active("设置")
    tab_to("取消")
    key("Return")
    wait_for(lambda: window_id("设置") is None, "the settings dialog to close")


def quit_from_tray():
    """Opens the notification-area icon's menu with the mouse and picks "退出" by keys:
    its last item, the one Up reaches first."""
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "trayer"], env=X_ENV, capture_output=True, text=True)
    areas = []
    for window in r.stdout.split():
        geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], env=X_ENV, capture_output=True, text=True).stdout
        areas.append(dict(line.split("=") for line in geometry.split()))
    g = max(areas, key=lambda a: int(a["WIDTH"]) * int(a["HEIGHT"]))
    # The area holds our icon alone, at its right end.
    xdo("mousemove", str(int(g["X"]) + int(g["WIDTH"]) - 12), str(int(g["Y"]) + int(g["HEIGHT"]) // 2))
    xdo("click", "3")
    time.sleep(0.5)  # the menu has no name to wait for
    key("Up", "Return")


def main():
    global X_ENV, QDB, DB
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True, help="folder with quillora and quillora-db")
    parser.add_argument("--keep", action="store_true", help="keep the data folder and logs")
    args = parser.parse_args()
    binary = os.path.join(args.bin, "quillora")
    QDB = os.path.join(args.bin, "quillora-db")
    work = tempfile.mkdtemp(prefix="quillora-desktop-")
    data = os.path.join(work, "data")
    DB = os.path.join(data, "data.db")

    X_ENV = xdesk.start_x_server(work, 90)
    start(["openbox", "--sm-disable"], X_ENV, os.path.join(work, "openbox.log"))
    start(["trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width", "64", "--height", "24",
           "--SetDockType", "true", "--expand", "false"], X_ENV, os.path.join(work, "trayer.log"))
    start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], X_ENV, os.path.join(work, "atspi.log"))
    wait_for(lambda: subprocess.run(["xdotool", "search", "--class", "trayer"], env=X_ENV, capture_output=True).returncode == 0,
             "the notification area")
    os.environ["DISPLAY"] = X_ENV["DISPLAY"]

    env = dict(X_ENV, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1", QTWEBENGINE_DISABLE_SANDBOX="1",
               QUILLORA_UPDATE_URL="", LANG="C.UTF-8")
    program = start([binary, "--data-dir", data], env, os.path.join(work, "quillora.log"))
    try:
        wait_for(app, "the program on the accessibility bus")

        # First start: a new user, by keyboard.
        register("ann", "pw1", 5)
        log_in("ann", "pw1")
        confirm_box("检测到您的单词词库为空")
        wait_for(lambda: "选择" in active_window_name() or "词库" in active_window_name() or "打开" in active_window_name(),
                 "the file dialog (active: %r)" % active_window_name())
        type_checked("文件名称(N)：", "基础词汇.txt")
        key("Return")
        confirm_box("尚未选择任何词库")
        choose_only_list()
        wait_active(HOME)
        uid = 1
        check(sql("SELECT count(*) FROM words_tbl;") == [["675"]], "基础词汇 imported whole")
        check(sql("SELECT DayNum FROM UserInfo_tbl WHERE username = 'ann';") == [["5"]], "the daily amount typed at registration")

        # Memorise the day's five words, typing only.
        def listed():
            rows = {name: interp for name, (interp, _) in day_list(uid).items()}
            return rows if len(rows) == 5 else None
        # The list is built when the page opens.
        press("背单词")
        words = wait_for(listed, "today's list of five words")
        done = set()
        for _ in range(5):
            word = wait_for(lambda: next((w for w, interp in words.items() if w not in done and interp in texts("label")), None),
                            "the next word on the memorise page")
            wait_focus_on("text", "the memorise page's edit")
            type_text(word)
            key("Return")
            done.add(word)
            wait_for(lambda: sql("SELECT m.times FROM WordsMarkInfo_tbl m JOIN words_tbl w ON m.wid = w.wid "
                                 "WHERE m.uid = %d AND w.name = '%s';" % (uid, word.replace("'", "''"))) == [["1"]],
                     "the mark of %r" % word)
        wait_for(lambda: "完了" in texts("push button"), "完了 on the memorise page")
        key("Return")
        wait_for(lambda: sql("SELECT bFinish FROM logs_tbl WHERE uid = %d AND mode = 0;" % uid) == [["1"]], "the finished log row")
        wait_for(lambda: "完了" not in texts("push button"), "the memorise page to leave")

        _, wrong = test(uid, words)
        statistics()
        settings_cancelled()

        # Study mode 3: nothing is due yet (everything was studied today), so the memory
        # model brings new words; the test grades each at its first answer.
        switch_mode("智能复习")
        check(sql("SELECT mode, count FROM UserInfo_tbl WHERE uid = %d;" % uid) == [["3", "5"]],
              "mode 3 stored with the words studied as its total")
        smart, _ = test(uid, None, mode=3, one_wrong=False, old=words)

        # Another user while a page is open: the page closes and records nothing more.
        marks_before = sql("SELECT uid, wid, times FROM WordsMarkInfo_tbl WHERE times > 0 ORDER BY uid, wid;")
        press("背单词")
        first = wait_for(lambda: next((w for w, interp in smart.items() if interp in texts("label")), None), "the memorise page again")
        wait_focus_on("text", "the memorise page's edit")
        type_text(first[:-1])  # not yet the whole word
        press("设置")
        wait_active("设置")
        tab_to("设置项目")
        key("Home", "Down", "Down", "Down")  # 用户账户
        tab_to("立即切换用户")
        key("Return")  # the focused button, not OK
        wait_active("用户登录")
        tab_to("注册新用户")
        key("Return")
        register("bob", "pw2", 7)
        log_in("bob", "pw2")
        confirm_box("尚未选择任何词库")
        choose_only_list()
        wait_active(HOME)
        check(not any(interp in texts("label") for interp in smart.values()), "ann's memorise page still open for bob")
        # The keyboard is back on the home button that opened the page, not in the
        # closed page's edit: the rest of ann's word goes nowhere.
        wait_for(lambda: focused() == ("push button", "背单词"), "the focus on 背单词 (it is on %r)" % (focused(),))
        type_text(first[-1])
        time.sleep(0.5)

        quit_from_tray()
        try:
            program.wait(timeout=20)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end from the tray menu")
        check(program.returncode == 0, "the program ended with %s" % program.returncode)

        # What the day left in the store.
        users = sql("SELECT uid, username, DayNum, CloseExit FROM UserInfo_tbl ORDER BY uid;")
        check(users == [["1", "ann", "5", "-1"], ["2", "bob", "7", "-1"]], "the users as registered, nothing saved by 取消: %r" % users)
        marks = sql("SELECT m.uid, w.name, m.times, m.RecentMarkDate = date('now', 'localtime') FROM WordsMarkInfo_tbl m "
                    "JOIN words_tbl w ON m.wid = w.wid WHERE m.times > 0 ORDER BY w.name;")
        check(sorted(marks) == sorted([["1", w, "2", "1"] for w in words] + [["1", w, "1", "1"] for w in smart]),
              "each of ann's first words studied twice today (memorised, tested), mode 3's once (tested), nothing else: %r" % marks)
        check(sql("SELECT uid, wid, times FROM WordsMarkInfo_tbl WHERE times > 0 ORDER BY uid, wid;") == marks_before,
              "the page open while bob logged in recorded nothing")
        logs = sql("SELECT uid, mode, bFinish, ErrorRate FROM logs_tbl ORDER BY uid, mode;")
        check(len(logs) == 2 and logs[0][:3] == ["1", "0", "1"] and abs(float(logs[0][3]) - 0.2) < 1e-9
              and logs[1][:3] == ["1", "3", "1"] and float(logs[1][3]) == 0.0,
              "ann's finished log rows: mode 0 with an error rate of 1 in 5, mode 3 without mistakes: %r" % logs)
        # The memory model: one grade per word from its first test answer today, Again
        # (stability 0.212, due tomorrow) for the wrong one, Good (2.3065, due in two
        # days) for the rest; copying on the memorise page graded nothing.
        memory = sql("SELECT r.uid, w.name, r.stability, r.LastReview = date('now', 'localtime'), "
                     "julianday(r.due) - julianday(date('now', 'localtime')), r.reps, r.lapses "
                     "FROM WordMemory_tbl r JOIN words_tbl w ON r.wid = w.wid ORDER BY w.name;")
        expected = [["1", w, "0.212" if w == wrong else "2.3065", "1", "1.0" if w == wrong else "2.0", "1", "0"]
                    for w in list(words) + list(smart)]
        check(sorted(memory) == sorted(expected), "WordMemory_tbl after the day: %r" % memory)
        # Mode 3's list replaced the first one; its words were all answered right.
        day_rows = sql("SELECT w.name, d.incorrect FROM DayList_tbl d JOIN words_tbl w ON d.wid = w.wid WHERE d.uid = 1;")
        check(sorted(day_rows) == sorted([w, "0"] for w in smart), "mode 3's list answered without mistakes: %r" % day_rows)
        check(sql("SELECT count(*) FROM DayList_tbl WHERE uid = 2;") == [["0"]], "no daily list built for bob")
    except Failure:
        # What the screen showed, for the log.
        shot = os.path.join(work, "failure.png")
        subprocess.run(["import", "-window", "root", shot], env=X_ENV, capture_output=True)
        try:
            print("on screen:", [(r, n) for r, n, _ in visible() if n][:60])
            everything = []
            def dump(acc, depth=0):
                if acc is None or depth > 12:
                    return
                try:
                    everything.append("%s%s|%s|%s" % ("  " * depth, acc.getRoleName(), acc.name, showing(acc)))
                    for child in acc:
                        dump(child, depth + 1)
                except Exception:
                    pass
            dump(app())
            print("\n".join(everything[:150]))
        except Exception:
            pass
        print("screenshot:", shot)
        args.keep = True
        raise
    finally:
        if program.poll() is None:
            program.terminate()
        xdesk.stop_all()
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
