#!/usr/bin/python3
"""Measures the real program while it monitors, on the current X display (or run it under
xvfb-run):

  esc   Esc pressed while a check waits on a host that never answers: time until the
        process has written the list file and exited.
  rss   RssAnon of the program while monitoring 10,000 rows at a local site, sampled over
        several passes (it must stay flat from pass to pass).

  GSETTINGS_BACKEND=memory xvfb-run -a /usr/bin/python3 bench/monitor_window_bench.py \
      --program build/app/brimlow
"""
import argparse
import http.server
import os
import socket
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "support"))
from window_driver import MainWindow  # noqa: E402


def silent_host():
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    held = []
    threading.Thread(target=lambda: [held.append(listener.accept()) for _ in iter(int, 1)],
                     daemon=True).start()
    return "http://127.0.0.1:%d/" % listener.getsockname()[1]


class Site(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    served = 0

    def do_GET(self):
        Site.served += 1
        self.send_response(200)
        self.send_header("Content-Length", "2")
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(b"ok")

    def log_message(self, *args):
        pass


def measure_escape(program_path, work):
    list_file = os.path.join(work, "silent.txt")
    with open(list_file, "wb") as f:
        f.write(silent_host().encode())
    program = MainWindow(program_path, work)
    program.import_file(list_file)
    os.truncate(list_file, 0)  # the close writes it again
    program.start_monitoring()
    time.sleep(6.5)  # the first pass starts after 5 s; its check now waits on the host
    start = time.monotonic()
    program.press_escape()
    program.process.wait(timeout=10)
    elapsed_ms = (time.monotonic() - start) * 1000
    written = os.path.getsize(list_file) > 0
    print("esc: exited with %d after %.0f ms (xdotool's own key delivery included), "
          "list file written: %s" % (program.process.returncode, elapsed_ms, written))


def measure_rss(program_path, work, rows, seconds):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Site)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/site" % server.server_address[1]
    list_file = os.path.join(work, "many.txt")
    with open(list_file, "wb") as f:
        f.write(",".join(["%s?%d" % (url, i) for i in range(rows)]).encode())
    program = MainWindow(program_path, work)
    idle = program.rss_anon_kb()
    program.import_file(list_file)
    loaded = program.rss_anon_kb()
    program.start_monitoring()
    samples = []
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        time.sleep(2)
        samples.append(program.rss_anon_kb())
    program.press_escape()
    program.process.wait(timeout=10)
    server.shutdown()
    print("rss: idle %.1f MB, %d rows loaded %.1f MB, monitoring min %.1f / max %.1f MB, "
          "first %.1f last %.1f MB; %d checks (%.1f passes)"
          % (idle / 1024, rows, loaded / 1024, min(samples) / 1024, max(samples) / 1024,
             samples[0] / 1024, samples[-1] / 1024, Site.served, Site.served / rows))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--rows", type=int, default=10000)
    parser.add_argument("--seconds", type=float, default=40)
    parser.add_argument("--only", choices=["esc", "rss"])
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    with tempfile.TemporaryDirectory(prefix="brimlow-bench-") as work:
        if args.only in (None, "esc"):
            measure_escape(program, work)
        if args.only in (None, "rss"):
            measure_rss(program, work, args.rows, args.seconds)


if __name__ == "__main__":
    main()
