#!/usr/bin/python3
# What a hostile local user runs against somebody else's calculator (attacks.sh starts it as
# nobody). But for send, it prints "ready" once in place and holds on until it is killed.
#   hold LOCK...            create (mode 0666) and hold flock() locks
#   listen LOG SOCKET...    listen there; what every caller sends goes to LOG
#   stuck SOCKET...         listen with a full queue and never accept
#   connect SOCKET N SECS   open up to N idle connections, retrying a full queue for SECS
#   send SOCKET TEXT        send TEXT, print what comes back within 2 s, exit
import fcntl
import os
import resource
import select
import signal
import socket
import sys
import time


def listening(path, backlog):
    server = socket.socket(socket.AF_UNIX)
    server.bind(path)
    server.listen(backlog)
    return server


def connections(path, wanted, patience):
    opened, end = [], time.monotonic() + patience
    while len(opened) < wanted:
        s = socket.socket(socket.AF_UNIX)
        s.setblocking(False)
        try:
            s.connect(path)
            opened.append(s)
        except BlockingIOError:  # the queue is full
            s.close()
            if time.monotonic() >= end:
                break
            time.sleep(0.001)
    print(len(opened), "connections")
    return opened


what, args = sys.argv[1], sys.argv[2:]
resource.setrlimit(resource.RLIMIT_NOFILE, (resource.getrlimit(resource.RLIMIT_NOFILE)[1],) * 2)
kept = []
if what == "send":
    s = socket.socket(socket.AF_UNIX)
    s.connect(args[0])
    try:
        s.send(args[1].encode())
        said = (s.recv(256).decode() or "(closed)") if select.select([s], [], [], 2)[0] else "(none)"
    except (BrokenPipeError, ConnectionResetError):  # closed with our request unsent or unread
        said = "(closed)"
    print("answer:", said)
    sys.exit()
elif what == "hold":
    os.umask(0)
    for path in args:
        kept.append(open(path, "a"))
        fcntl.flock(kept[-1], fcntl.LOCK_EX | fcntl.LOCK_NB)
elif what == "listen":
    servers = [listening(path, 8) for path in args[1:]]
elif what == "stuck":
    for path in args:
        kept += [listening(path, 0)] + connections(path, 10**6, 0)
elif what == "connect":
    kept = connections(args[0], int(args[1]), float(args[2]))
else:
    sys.exit("intruder.py: no such attack: " + what)
print("ready", flush=True)
if what == "listen":
    with open(args[0], "a") as log:
        while True:
            for server in select.select(servers, [], [])[0]:
                caller, _ = server.accept()
                got = caller.recv(512) if select.select([caller], [], [], 1)[0] else b""
                log.write("a caller sent: %r\n" % got)
                log.flush()
                caller.close()
while True:
    signal.pause()
