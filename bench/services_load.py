#!/usr/bin/env python3
"""Load on a running kestrum-services, on loopback only.

Two measurements in one run:
  1. throughput: lookups sent by 50, 100 and 200 clients at once, one connection per request
     (as the program makes them), with nothing else connected;
  2. under siege: 100 connections that send their request head one byte a second and 40 that
     send nothing stay open (each is opened again when the service drops it) while 20 clients
     send 1 000 lookups; the p99 latency and the errors are reported.

Usage: bench/services_load.py --port PORT [--requests N] [--clients 50,100,200]
Start the service first, e.g.
  build/bin/kestrum-services --port 8931 --data tools/services/data --quiet
"""
import argparse
import asyncio
import ipaddress
import sys
import time

TARGET = "/?v=KestrumDE_v0.3.7&s=http://listed.kestrum.test"
EXPECTED_BODY = b"Listed||ATS"
REQUEST_TIMEOUT = 5.0  # a lookup slower than this counts as an error


def lookup_request(host, port):
    return (f"GET {TARGET} HTTP/1.1\r\nHost: {host}:{port}\r\nUser-Agent: services_load\r\n"
            "Connection: close\r\n\r\n").encode()


async def one_lookup(host, port):
    """Seconds taken by one lookup, or None when it failed."""
    started = time.perf_counter()
    try:
        reader, writer = await asyncio.wait_for(asyncio.open_connection(host, port), REQUEST_TIMEOUT)
        try:
            writer.write(lookup_request(host, port))
            answer = await asyncio.wait_for(reader.read(1 << 20), REQUEST_TIMEOUT)
            while True:
                more = await asyncio.wait_for(reader.read(1 << 20), REQUEST_TIMEOUT)
                if not more:
                    break
                answer += more
        finally:
            writer.close()
    except (OSError, asyncio.TimeoutError):
        return None
    if not answer.startswith(b"HTTP/1.1 200 ") or not answer.endswith(b"\r\n\r\n" + EXPECTED_BODY):
        return None
    return time.perf_counter() - started


async def run_clients(host, port, clients, total):
    """Latencies of the lookups that succeeded, and the count of those that failed."""
    remaining = [total]
    latencies, errors = [], [0]

    async def client():
        while remaining[0] > 0:
            remaining[0] -= 1
            took = await one_lookup(host, port)
            if took is None:
                errors[0] += 1
            else:
                latencies.append(took)

    await asyncio.gather(*(client() for _ in range(clients)))
    return latencies, errors[0]


async def waiting_client(host, port, stop, head):
    """Sends `head` one byte a second (nothing, when it is empty) until the service answers or
    drops the connection, then opens a new one; ends when `stop` is set."""
    while not stop.is_set():
        try:
            reader, writer = await asyncio.open_connection(host, port)
        except OSError:
            await asyncio.sleep(0.5)
            continue
        try:
            sent = 0
            while not stop.is_set():
                if sent < len(head):
                    writer.write(head[sent:sent + 1])
                    await writer.drain()
                    sent += 1
                try:
                    await asyncio.wait_for(reader.read(4096), 1.0)
                    break  # answered (408) or dropped: open another
                except asyncio.TimeoutError:
                    pass
        except OSError:
            pass
        finally:
            writer.close()


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))] if ordered else float("nan")


async def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--clients", default="50,100,200", help="client counts of the throughput runs")
    parser.add_argument("--throughput-requests", type=int, default=4000)
    parser.add_argument("--slow", type=int, default=100)
    parser.add_argument("--idle", type=int, default=40)
    parser.add_argument("--requests", type=int, default=1000)
    parser.add_argument("--siege-clients", type=int, default=20)
    args = parser.parse_args()
    if not ipaddress.ip_address(args.host).is_loopback:
        sys.exit("services_load: loopback addresses only")

    for clients in (int(c) for c in args.clients.split(",") if c):
        started = time.perf_counter()
        latencies, errors = await run_clients(args.host, args.port, clients, args.throughput_requests)
        elapsed = time.perf_counter() - started
        print(f"throughput  clients={clients:3d}  {len(latencies) / elapsed:7.0f} req/s  "
              f"p99={percentile(latencies, 0.99) * 1000:7.1f} ms  errors={errors}")

    stop = asyncio.Event()
    head = lookup_request(args.host, args.port)
    siege = [asyncio.create_task(waiting_client(args.host, args.port, stop, head)) for _ in range(args.slow)]
    siege += [asyncio.create_task(waiting_client(args.host, args.port, stop, b"")) for _ in range(args.idle)]
    await asyncio.sleep(3)  # every slow and idle connection is open and has sent its first bytes
    latencies, errors = await run_clients(args.host, args.port, args.siege_clients, args.requests)
    stop.set()
    await asyncio.gather(*siege, return_exceptions=True)
    print(f"under siege slow={args.slow} idle={args.idle} clients={args.siege_clients} "
          f"requests={args.requests}  p50={percentile(latencies, 0.5) * 1000:.1f} ms  "
          f"p99={percentile(latencies, 0.99) * 1000:.1f} ms  max={max(latencies, default=0) * 1000:.1f} ms  "
          f"errors={errors}")


if __name__ == "__main__":
    asyncio.run(main())
