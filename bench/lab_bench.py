#!/usr/bin/env python3
"""Times the lab's programming playbook: 12 PCs with 4 simulated boards each against one PC
with 4 boards, every exchange taking as long as over a real USB link. The PCs are this machine
reached over SSH on loopback addresses, as in the lab test. Run by hand:

  bench/lab_bench.py build/release/cli/tarvik-cli [LATENCY_US]

Prints both times, their ratio (goal: under 2), the processor time ansible took on the
teacher's side, the load of the machine, and the inventory table of the 12 PCs. All 12 PCs are
this machine: their modules and tools share its processors, which a lab's PCs do not.
"""
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "lab"))
import lab_test  # noqa: E402

PCS = ["127.0.1.%d" % i for i in range(1, 13)]
BOARDS = 4
CONFIG_BYTES = 30000  # the board holds 32767 bytes


def main():
    cli = os.path.abspath(sys.argv[1])
    # A sanitizer build takes several times as long per exchange: its figure says nothing of
    # a lab.
    linked = subprocess.run(["ldd", cli], capture_output=True, text=True).stdout
    if "libasan" in linked or "libubsan" in linked:
        sys.stderr.write("%s is a sanitizer build: build the Release one (cmake --preset release && "
                         "cmake --build --preset release --target tarvik-cli)\n" % cli)
        return 2
    latency = sys.argv[2] if len(sys.argv) > 2 else "1000"
    lab = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lab")
    folder = tempfile.mkdtemp(prefix="tarvik-lab-bench-")
    sshd, port = lab_test.start_sshd(folder, PCS)
    try:
        config = os.path.join(folder, "blink.rbf")
        with open(config, "wb") as stream:
            stream.write(bytes((i * 7 + 3) % 256 for i in range(CONFIG_BYTES)))
        board = {"tarvik_cli": cli, "tarvik_cli_args": ["--sim=%d" % BOARDS, "--sim-latency", latency]}
        times = {}
        for name, pcs in (("one PC", PCS[:1]), ("12 PCs", PCS)):
            inventory = lab_test.write_inventory(folder, port, {pc: board for pc in pcs})
            before = resource.getrusage(resource.RUSAGE_CHILDREN)
            started = time.monotonic()
            result = lab_test.run_playbook(folder, inventory, lab + "/program.yml", ["-e", "file=" + config])
            seconds = time.monotonic() - started
            after = resource.getrusage(resource.RUSAGE_CHILDREN)
            # What ansible-playbook and its SSH clients took of the processors; the PCs' own
            # side (sshd, the modules, the tool) runs on this machine too and is not counted.
            cpu = after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime
            if result.returncode != 0:
                print(result.stdout)
                return 1
            times[name] = seconds
            print("%-7s %d boards each, %s us per exchange: %.1f s (controller: %.1f s of processor time)"
                  % (name, BOARDS, latency, seconds, cpu))
        print("ratio: %.2f (goal: under 2)" % (times["12 PCs"] / times["one PC"]))
        print("load average: %.1f %.1f %.1f on %d processors" % (os.getloadavg() + (os.cpu_count(),)))
        lab_test.run_playbook(folder, inventory, lab + "/inventory.yml", [])
        print(open(os.path.join(folder, "out", "latest-inventory", "boards.md")).read())
    finally:
        sshd.terminate()
        sshd.wait()
        shutil.rmtree(folder, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
