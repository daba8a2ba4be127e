#!/usr/bin/env python3
"""Runs rennik1-bench with the live view on and hits the view, over 127.0.0.1, for as long as the
bench measures: pages fetched as phones fetch them, pages that follow the run, pages that never
read, requests without the key or with a wrong one, requests that try to change something,
slow clients, malformed and oversized requests, and bursts of 1,000 connections at once. The
bench prints its own table; this prints what the view answered.

    bench/live_load.py build/bench/bench/rennik1-bench [bench options...]
"""

import http.client
import os
import random
import resource
import socket
import subprocess
import sys
import tempfile
import threading
import time
from collections import Counter

stop = threading.Event()
lock = threading.Lock()
answers = Counter()  # (kind, status or fault) -> count
page_ms = []  # whole-page fetch times
events = Counter()  # follower -> events received


def count(kind, what):
    with lock:
        answers[(kind, what)] += 1


def status_of(sock):
    """The status of the answer on `sock`, or what went wrong."""
    try:
        head = sock.recv(64)
    except OSError as e:
        return type(e).__name__
    if not head:
        return "closed"
    parts = head.split(b" ")
    return parts[1].decode("ascii", "replace") if len(parts) > 1 else "garbled"


def raw(host, port, data, kind):
    try:
        with socket.create_connection((host, port), timeout=5) as s:
            s.sendall(data)
            count(kind, status_of(s))
    except OSError as e:
        count(kind, type(e).__name__)


def paced(rate, work):
    """Calls `work` `rate` times a second until the bench ends."""
    period = 1.0 / rate
    next_at = time.monotonic()
    while not stop.is_set():
        work()
        next_at += period
        delay = next_at - time.monotonic()
        if delay > 0:
            time.sleep(delay)
        else:
            next_at = time.monotonic()


def fetch_pages(host, port, path):
    conn = http.client.HTTPConnection(host, port, timeout=5)

    def once():
        nonlocal conn
        began = time.monotonic()
        try:
            conn.request("GET", path)
            r = conn.getresponse()
            r.read()
            count("page", r.status)
            if r.status == 200:
                with lock:
                    page_ms.append((time.monotonic() - began) * 1000)
        except (OSError, http.client.HTTPException) as e:
            count("page", type(e).__name__)
            conn.close()
            conn = http.client.HTTPConnection(host, port, timeout=5)

    paced(100, once)


def refused(host, port, key):
    wrong = "".join(random.choice("abcdefghijklmnopqrstuvwxyz0123456789") for _ in range(len(key)))
    asks = [
        b"GET / HTTP/1.1\r\nHost: x\r\n\r\n",
        b"GET /" + wrong.encode() + b"/ HTTP/1.1\r\nHost: x\r\n\r\n",
        b"GET /" + wrong.encode() + b"/events HTTP/1.1\r\nHost: x\r\n\r\n",
        b"POST /" + key.encode() + b"/ HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nStop!",
        b"PUT /" + key.encode() + b"/events HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n",
        b"DELETE /" + key.encode() + b"/ HTTP/1.1\r\nHost: x\r\n\r\n",
        b"GET /" + key.encode() + b"/../ HTTP/1.1\r\nHost: x\r\n\r\n",
    ]
    paced(100, lambda: raw(host, port, random.choice(asks), "refused"))


def malformed(host, port, key):
    asks = [
        lambda: bytes(random.getrandbits(8) for _ in range(random.randint(1, 2000))),
        lambda: b"GET /" + b"a" * 100_000 + b" HTTP/1.1\r\n\r\n",
        lambda: b"GET /" + key.encode() + b"/ HTTP/1.1\r\n" + b"X: " + b"y" * 70_000 + b"\r\n\r\n",
        lambda: b"POST /" + key.encode() + b"/ HTTP/1.1\r\nContent-Length: 1000000\r\n\r\n" + b"z" * 65536,
        lambda: b"GET /" + key.encode() + b"/ HTTP/9.9\r\n\r\n",
        lambda: b"\r\n\r\n\r\n",
    ]
    paced(20, lambda: raw(host, port, random.choice(asks)(), "malformed"))


def follow(host, port, path, name):
    """A phone following the run: the event stream, read as it comes; again when it ends."""
    while not stop.is_set():
        try:
            with socket.create_connection((host, port), timeout=5) as s:
                s.sendall(("GET %sevents HTTP/1.1\r\nHost: x\r\n\r\n" % path).encode())
                while not stop.is_set():
                    data = s.recv(65536)
                    if not data:
                        break
                    with lock:
                        events[name] += data.count(b"\n\n")
        except OSError:
            pass
        time.sleep(0.2)


def stalled(host, port, path, held):
    """A page that asks for the stream and never reads it."""
    try:
        s = socket.create_connection((host, port), timeout=5)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        s.sendall(("GET %sevents HTTP/1.1\r\nHost: x\r\n\r\n" % path).encode())
        held.append(s)
    except OSError as e:
        count("stalled", type(e).__name__)


def slow(host, port, path):
    """A client that sends its request a byte a second, again whenever it is cut off."""
    request = ("GET %s HTTP/1.1\r\nHost: x\r\nX-Slow: %s\r\n\r\n" % (path, "s" * 60)).encode()
    while not stop.is_set():
        try:
            with socket.create_connection((host, port), timeout=5) as s:
                for b in request:
                    if stop.is_set():
                        return
                    s.sendall(bytes([b]))
                    time.sleep(1)
                count("slow", status_of(s))
        except OSError as e:
            count("slow", type(e).__name__)
            time.sleep(0.5)


def bursts(host, port):
    """Every 15 s, 1,000 connections at once, held a second, then closed."""
    while not stop.wait(15):
        opened = []
        for _ in range(1000):
            s = socket.socket()
            s.setblocking(False)
            try:
                s.connect_ex((host, port))
                opened.append(s)
            except OSError as e:
                count("burst", type(e).__name__)
                s.close()
        count("burst", "1000 opened")
        time.sleep(1)
        for s in opened:
            s.close()


def percentile(values, p):
    if not values:
        return float("nan")
    v = sorted(values)
    return v[min(len(v) - 1, int(round(p / 100 * (len(v) - 1))))]


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (max(soft, min(hard, 8192)), hard))
    address_file = os.path.join(tempfile.mkdtemp(prefix="rennik_live_load_"), "address")
    bench = subprocess.Popen(sys.argv[1:] + ["--live", address_file])
    # The clients' own work stands for the phones', which run elsewhere: at nice 10 it leaves
    # the figures to what the view costs the host. (The phase with every core busy shows what
    # other programs on the pit PC cost.)
    os.nice(10)
    while not os.path.exists(address_file) or not open(address_file).read().endswith("\n"):
        if bench.poll() is not None:
            sys.exit("live_load: the bench ended before its live view was on")
        time.sleep(0.1)
    address = open(address_file).read().strip()
    rest = address.split("//", 1)[1]
    hostport, path = rest.split("/", 1)
    host, port = hostport.rsplit(":", 1)
    port = int(port)
    path = "/" + path
    key = path.strip("/")
    assert host == "127.0.0.1", "the view must listen on 127.0.0.1 only"

    held = []
    threads = [threading.Thread(target=fetch_pages, args=(host, port, path)) for _ in range(2)]
    threads += [threading.Thread(target=refused, args=(host, port, key))]
    threads += [threading.Thread(target=malformed, args=(host, port, key))]
    threads += [threading.Thread(target=follow, args=(host, port, path, "follower %d" % i)) for i in range(8)]
    threads += [threading.Thread(target=slow, args=(host, port, path)) for _ in range(10)]
    threads += [threading.Thread(target=bursts, args=(host, port))]
    for _ in range(2):
        stalled(host, port, path, held)
    began = time.monotonic()
    for t in threads:
        t.daemon = True
        t.start()
    code = bench.wait()
    stop.set()
    seconds = time.monotonic() - began
    for s in held:
        s.close()

    print("\nlive view under load for %.0f s (%s)" % (seconds, address.replace(key, "<key>")))
    print("%-10s %-22s %10s %8s" % ("kind", "answer", "count", "per s"))
    for (kind, what), n in sorted(answers.items(), key=lambda kv: (kv[0][0], str(kv[0][1]))):
        print("%-10s %-22s %10d %8.1f" % (kind, what, n, n / seconds))
    print("page fetch ms p50 / p99 / max: %.2f / %.2f / %.2f" %
          (percentile(page_ms, 50), percentile(page_ms, 99), percentile(page_ms, 100)))
    print("events received by 8 followers: %s" % ", ".join(str(events[k]) for k in sorted(events)))
    sys.exit(code)


if __name__ == "__main__":
    main()
