#!/usr/bin/env python3
"""Writes realistic log corpora for the packaging benchmarks.

Two corpora, each a folder tree of log files:
  large  about 200 files, about 200 MB in all
  small  about 5,000 files, about 50 MB in all

Lines look like the logs a VPN client leaves behind: timestamps, levels,
module names, a limited set of recurring messages with varying fields (hex
ids, IPv4/IPv6 addresses, ports, durations) and the occasional stack dump.
The output is the same on every run: the generator draws from a random
generator with a fixed starting state.

Usage:
  gen_log_corpus.py --out DIR [--corpus large|small|both] [--scale F]

Each corpus goes to DIR/<corpus>/ (replaced if present). --scale multiplies
the sizes, for quick trials.
"""

import argparse
import os
import random
import shutil
import sys

FIXED_STATE = 20240611

LEVELS = ["TRACE", "DEBUG", "INFO", "INFO", "INFO", "NOTICE", "WARN", "ERROR"]
MODULES = ["tunnel", "ipsec.ike", "dtls", "dns.proxy", "route.table", "cert.store",
           "ui.agent", "profile.mgr", "posture", "update", "net.iface", "auth.saml",
           "split.tunnel", "keepalive", "proxy.pac", "driver.filter"]
MESSAGES = [
    "Session {hex} established to {ip}:{port} over {proto}",
    "Received {n} bytes from {ip}:{port} in {ms} ms",
    "Keepalive sent on tunnel {hex} (seq {n})",
    "Route {ip}/{mask} via {ip2} metric {small} added",
    "Route {ip}/{mask} removed: interface {iface} down",
    "DNS query {host} type {rtype} answered by {ip} in {ms} ms",
    "Certificate {hex} for CN={host} verified, expires in {small} days",
    "Rekey of SA {hex} started, lifetime {n} s",
    "Connection attempt {small} to {host} failed: error 0x{code}",
    "Policy '{policy}' applied to adapter {iface} ({ip6})",
    "Thread {tid} waiting for event {hex} timed out after {ms} ms",
    "Packet filter rule {small} matched {proto} {ip}:{port} -> {ip2}:{port2}",
    "User {user} authenticated with method {method}",
    "Configuration reloaded from {path}",
    "Buffer at 0x{addr} resized from {n} to {n2} bytes",
]
HOSTS = ["vpn.example.net", "gw1.corp.example", "gw2.corp.example", "intranet.example",
         "login.example.org", "update.example.com", "pac.corp.example"]
PROTOS = ["UDP", "TCP", "DTLS", "TLS", "ESP"]
IFACES = ["eth0", "wlan0", "velt0", "tun1", "Ethernet 2", "Wi-Fi"]
POLICIES = ["AlwaysOn", "TrustedNetwork", "SplitInclude", "LockDown", "Captive"]
USERS = ["alice", "bob", "carol", "dave", "svc-backup"]
METHODS = ["password", "certificate", "saml", "otp"]
PATHS = ["/etc/velt/profile.xml", "C:\\ProgramData\\Velt\\profile.xml", "/opt/velt/policy.xml"]
RTYPES = ["A", "AAAA", "SRV", "TXT"]


class LineMaker:
    def __init__(self, rng):
        self.rng = rng
        self.seconds = 1714550400  # 2024-05-01 08:00:00 UTC
        self.pool = [rng.getrandbits(32) for _ in range(64)]

    def _ip(self):
        r = self.rng
        return "10.%d.%d.%d" % (r.randrange(4), r.randrange(256), r.randrange(1, 255))

    def _hex(self):
        # Ids recur: sessions and handles live for many lines.
        if self.rng.random() < 0.8:
            return "%08x" % self.rng.choice(self.pool)
        value = self.rng.getrandbits(32)
        self.pool[self.rng.randrange(len(self.pool))] = value
        return "%08x" % value

    def line(self):
        r = self.rng
        self.seconds += r.choice((0, 0, 0, 1, 1, 2, 5))
        millis = r.randrange(1000)
        s = self.seconds
        stamp = "2024-%02d-%02d %02d:%02d:%02d.%03d" % (
            5 + (s // 2592000) % 6, 1 + (s // 86400) % 28, (s // 3600) % 24, (s // 60) % 60,
            s % 60, millis)
        text = r.choice(MESSAGES).format(
            hex=self._hex(), ip=self._ip(), ip2=self._ip(), port=r.choice((443, 500, 4500, 53, r.randrange(1024, 65536))),
            port2=r.randrange(1024, 65536), proto=r.choice(PROTOS), n=r.randrange(40, 1500000),
            n2=r.randrange(40, 1500000), ms=r.randrange(1, 3000), mask=r.choice((8, 16, 24, 32)),
            small=r.randrange(1, 400), iface=r.choice(IFACES), host=r.choice(HOSTS),
            rtype=r.choice(RTYPES), code="%08X" % r.choice((0x80004005, 0x800706BA, 0xC0000022, r.getrandbits(32))),
            policy=r.choice(POLICIES), ip6="fe80::%x:%x" % (r.getrandbits(16), r.getrandbits(16)),
            tid=r.randrange(1000, 9000), user=r.choice(USERS), method=r.choice(METHODS),
            path=r.choice(PATHS), addr="%016x" % (0x00007ff000000000 + r.getrandbits(28) * 16))
        line = "%s [%-6s] [%s] %s\n" % (stamp, r.choice(LEVELS), r.choice(MODULES), text)
        if r.random() < 0.002:
            line += "".join("    at 0x%016x module+0x%x\n" % (0x00007ff000000000 + r.getrandbits(24) * 16, r.getrandbits(20))
                            for _ in range(r.randrange(3, 12)))
        return line


def write_file(path, size, maker):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    parts = []
    total = 0
    while total < size:
        line = maker.line()
        parts.append(line)
        total += len(line)
    with open(path, "w", encoding="ascii", newline="\n") as out:
        out.write("".join(parts))
    return total


def make_corpus(root, count, total_bytes, rng):
    if os.path.exists(root):
        shutil.rmtree(root)
    maker = LineMaker(rng)
    mean = total_bytes / count
    written = 0
    for i in range(count):
        # Sizes vary around the mean, a few files are much larger.
        size = int(mean * rng.choice((0.2, 0.5, 0.8, 1.0, 1.0, 1.2, 1.5, 2.8)))
        component = MODULES[i % len(MODULES)].replace(".", "_")
        folder = os.path.join(root, component, "logs" if i % 3 else "archive")
        written += write_file(os.path.join(folder, "%s_%04d.log" % (component, i)), size, maker)
    return written


def main():
    parser = argparse.ArgumentParser(description="Write log corpora for the zip benchmark.")
    parser.add_argument("--out", required=True, help="folder that receives <corpus>/")
    parser.add_argument("--corpus", choices=("large", "small", "both"), default="both")
    parser.add_argument("--scale", type=float, default=1.0, help="size factor (default 1)")
    args = parser.parse_args()
    corpus_sizes = {"large": (200, 200 * 1000 * 1000), "small": (5000, 50 * 1000 * 1000)}
    names = ("large", "small") if args.corpus == "both" else (args.corpus,)
    for name in names:
        count, total = corpus_sizes[name]
        count = max(1, int(count * min(args.scale, 1.0)))
        rng = random.Random(FIXED_STATE + (0 if name == "large" else 1))
        written = make_corpus(os.path.join(args.out, name), count, int(total * args.scale), rng)
        print("%s: %d files, %.1f MB" % (name, count, written / 1e6))
    return 0


if __name__ == "__main__":
    sys.exit(main())
