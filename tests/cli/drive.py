#!/usr/bin/env python3
"""Runs a command as a user watches it: its standard output on a pseudo-
terminal of --cols columns, or else on a pipe; with --signal, sends that
signal half a second after the text --when has appeared; with --answer,
runs the shell command --meanwhile once --when has appeared and then types
the answer (the command's standard input is a pipe then); with --type
(repeatable), the pseudo-terminal is the command's controlling terminal and
standard input, and each time --when appears once more the next text is
typed on it. Prints what the command wrote and exits with its status
(128 + N when signal N ended it)."""
import argparse, fcntl, os, pty, signal, struct, subprocess, sys, termios, time

parser = argparse.ArgumentParser()
parser.add_argument("--cols", type=int)
parser.add_argument("--signal")
parser.add_argument("--when", default="")
parser.add_argument("--answer")
parser.add_argument("--meanwhile", default="")
parser.add_argument("--type", action="append", default=[])
parser.add_argument("command", nargs=argparse.REMAINDER)
args = parser.parse_args()
if args.cols or args.type:
    reader, writer = pty.openpty()
    fcntl.ioctl(writer, termios.TIOCSWINSZ, struct.pack("HHHH", 24, args.cols or 80, 0, 0))
else:
    reader, writer = os.pipe()
answering = args.answer is not None


def controlling_terminal():
    os.setsid()
    fcntl.ioctl(writer, termios.TIOCSCTTY, 0)


if args.type:
    child = subprocess.Popen(args.command, stdout=writer, stdin=writer,
                             preexec_fn=controlling_terminal)
else:
    child = subprocess.Popen(args.command, stdout=writer,
                             stdin=subprocess.PIPE if answering else None)
os.close(writer)
seen, sent, typed = b"", False, 0
while True:
    try:
        chunk = os.read(reader, 4096)
    except OSError:  # a pseudo-terminal reports EIO once the command has closed it
        chunk = b""
    if not chunk:
        break
    seen += chunk
    if args.signal and not sent and args.when.encode() in seen:
        time.sleep(0.5)
        child.send_signal(getattr(signal, args.signal))
        sent = True
    if typed < len(args.type) and seen.count(args.when.encode()) > typed:
        time.sleep(0.3)  # until the command has turned the echo off
        os.write(reader, (args.type[typed] + "\n").encode())
        typed += 1
    if answering and args.when.encode() in seen:
        subprocess.run(args.meanwhile, shell=True, check=True)
        child.stdin.write((args.answer + "\n").encode())
        child.stdin.close()
        answering = False
status = child.wait()
sys.stdout.buffer.write(seen)
sys.exit(128 - status if status < 0 else status)
