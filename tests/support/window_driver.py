"""Drives the real Brimlow window on the current X display with xdotool, for the
end-to-end test and the window benchmarks. The virtual screen has no window manager, so
the window's origin is its client area's origin and clicks use the control positions of
the window's layout."""
import os
import subprocess
import time

# Control centres in client coordinates.
URL_BOX = (70, 24)          # 编辑框_网址
INTERVAL_BOX = (160, 24)    # 编辑框_频率
ADD_BUTTON = (231, 24)      # 按钮_添加
IMPORT_BUTTON = (285, 24)   # 按钮_导入
MAILBOX_BOX = (160, 299)    # 编辑框_邮箱
MONITOR_SWITCH = (160, 323)  # 按钮_监控

TITLE = "Brimlow - 网址监控"


def xdo(*args, timeout=30):
    """Runs one xdotool command; a window that never appears ends in TimeoutExpired."""
    return subprocess.run(["xdotool", *args], check=True, capture_output=True, text=True,
                          timeout=timeout).stdout.strip()


def visible_windows(window_class):
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--class", window_class],
                          capture_output=True, text=True).stdout.split()


class MainWindow:
    """Starts the program and finds its window (by class: xdotool does not match the
    UTF-8 title)."""

    def __init__(self, program, work_dir):
        env = dict(os.environ, GSETTINGS_BACKEND="memory")
        self.process = subprocess.Popen([program], cwd=work_dir, env=env)
        self.window_class = os.path.basename(program)
        self.id = xdo("search", "--sync", "--onlyvisible", "--class", self.window_class)
        self.title = xdo("getwindowname", self.id)
        time.sleep(0.5)
        values = dict(line.split("=")
                      for line in xdo("getwindowgeometry", "--shell", self.id).splitlines())
        self.x, self.y = int(values["X"]), int(values["Y"])

    def click(self, control):
        xdo("windowfocus", "--sync", self.id)
        xdo("mousemove", "--sync", str(self.x + control[0]), str(self.y + control[1]))
        xdo("click", "1")
        time.sleep(0.2)

    def type_into(self, box, text):
        self.click(box)
        xdo("key", "ctrl+a")
        xdo("type", "--delay", "5", text)
        time.sleep(0.1)

    def add_url(self, url):
        self.type_into(URL_BOX, url)
        self.click(ADD_BUTTON)

    def import_file(self, path, timeout=10):
        """Clicks Import and confirms `path` in the file dialog; False when no dialog came."""
        self.click(IMPORT_BUTTON)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            dialogs = [i for i in visible_windows(self.window_class) if i != self.id]
            if dialogs:
                time.sleep(0.5)
                xdo("windowfocus", "--sync", dialogs[-1])
                xdo("key", "ctrl+l")
                xdo("type", "--delay", "2", path)
                time.sleep(0.3)
                xdo("key", "Return")
                time.sleep(1.0)
                return True
            time.sleep(0.2)
        return False

    def start_monitoring(self, interval="5"):
        self.type_into(INTERVAL_BOX, interval)
        self.click(MONITOR_SWITCH)

    def press_escape(self):
        xdo("windowfocus", "--sync", self.id)
        xdo("key", "Escape")

    def rss_anon_kb(self):
        with open("/proc/%d/status" % self.process.pid) as status:
            for line in status:
                if line.startswith("RssAnon:"):
                    return int(line.split()[1])
        return 0

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
