#!/usr/bin/env python3
"""Runs the lab playbooks over real SSH against hosts that are this machine on loopback
addresses, each with its own simulated boards, and checks the tables they write.

  lab_test.py TARVIK_CLI LAB_FOLDER
  lab_test.py --install TARVIK_CLI LAB_FOLDER [PACKAGE_FOLDER]
The second runs the install playbook into folders of its own (dpkg --root), with the package
in PACKAGE_FOLDER or, without one, a package made here of the tool and the udev rule.
Exits 77 (skipped) when sshd or ansible-playbook cannot run here.
"""
import csv
import glob
import json
import os
import pwd
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

SKIP = 77
HOSTS = ["127.0.0.2", "127.0.0.3", "127.0.0.4"]
UNREACHABLE = "127.0.0.9"


def skip(reason):
    print("SKIP: " + reason)
    sys.exit(SKIP)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.2", 0))
        return s.getsockname()[1]


def start_sshd(folder, hosts=HOSTS):
    sshd = shutil.which("sshd") or ("/usr/sbin/sshd" if os.path.exists("/usr/sbin/sshd") else None)
    if not sshd or not shutil.which("ssh-keygen"):
        skip("no sshd")
    if os.geteuid() == 0 and not os.path.isdir("/run/sshd"):
        try:
            os.makedirs("/run/sshd", mode=0o755)
        except OSError as error:
            skip("sshd needs /run/sshd: %s" % error)
    for name in ("host_key", "client_key"):
        subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", os.path.join(folder, name)], check=True)
    shutil.copy(os.path.join(folder, "client_key.pub"), os.path.join(folder, "authorized_keys"))
    port = free_port()
    config = os.path.join(folder, "sshd_config")
    with open(config, "w") as stream:
        for host in hosts:
            stream.write("ListenAddress %s:%d\n" % (host, port))
        stream.write("HostKey %s/host_key\nAuthorizedKeysFile %s/authorized_keys\nPidFile none\n"
                     "StrictModes no\nUsePAM no\nPasswordAuthentication no\nPermitRootLogin prohibit-password\n"
                     "MaxStartups 100\nSubsystem sftp internal-sftp\n" % (folder, folder))
    process = subprocess.Popen([sshd, "-D", "-e", "-f", config], stderr=open(os.path.join(folder, "sshd.log"), "w"))
    for _ in range(50):
        if process.poll() is not None:
            skip("sshd did not start: " + open(os.path.join(folder, "sshd.log")).read().strip())
        try:
            socket.create_connection((hosts[-1], port), timeout=1).close()
            return process, port
        except OSError:
            time.sleep(0.1)
    process.kill()
    skip("sshd does not listen")


def write_inventory(folder, port, hosts):
    """hosts: {address: {variable: value}}"""
    path = os.path.join(folder, "lab.yml")
    inventory = {"lab": {"hosts": hosts, "vars": {
        "ansible_port": port, "ansible_python_interpreter": "/usr/bin/python3",
        "ansible_ssh_private_key_file": os.path.join(folder, "client_key")}}}
    with open(path, "w") as stream:
        json.dump(inventory, stream)   # JSON is YAML
    return path


def run_playbook(folder, inventory, playbook, extra):
    environment = dict(os.environ, ANSIBLE_HOST_KEY_CHECKING="False", ANSIBLE_HOME=os.path.join(folder, "ansible"),
                       ANSIBLE_PIPELINING="True",
                       ANSIBLE_LOCAL_TEMP=os.path.join(folder, "ansible-tmp"), ANSIBLE_FORKS="20",
                       # One SSH connection per PC for the whole run, as ansible's own settings
                       # have it, with this test's own known hosts and a short wait for a PC
                       # that is not there.
                       ANSIBLE_SSH_ARGS="-o ControlMaster=auto -o ControlPersist=60s "
                                        "-o UserKnownHostsFile=/dev/null -o ConnectTimeout=5",
                       ANSIBLE_SSH_CONTROL_PATH_DIR=os.path.join(folder, "cp"), ANSIBLE_TIMEOUT="60",
                       ANSIBLE_NOCOLOR="1", ANSIBLE_RETRY_FILES_ENABLED="False")
    # A playbook whose time limit per PC failed would wait out the hanging tool: end it well
    # before that and say so, rather than leave it to the suite's own limit.
    try:
        return subprocess.run(["ansible-playbook", "-i", inventory, playbook, "-e", "lab_out=" + folder + "/out"] + extra,
                              cwd=folder, env=environment, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                              timeout=240)
    except subprocess.TimeoutExpired as expired:
        raise SystemExit("%s did not end: a PC's time limit did not stop its tool\n%s" % (playbook, expired.output))


def table(folder, name, result):
    if not os.path.exists(os.path.join(folder, "out", name + ".csv")):
        print(result.stdout)
        raise SystemExit("no table %s.csv" % name)
    with open(os.path.join(folder, "out", name + ".csv"), newline="") as stream:
        return list(csv.DictReader(stream))


failures = []


def finish(folder):
    """The exit status; the folder is kept for a look when a check failed."""
    if failures:
        print("kept %s" % folder)
        return 1
    shutil.rmtree(folder, ignore_errors=True)
    return 0


def check(condition, what, detail=""):
    if not condition:
        failures.append(what)
        print("FAIL: %s\n%s" % (what, detail))


def main():
    cli, lab = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if not shutil.which("ansible-playbook"):
        skip("no ansible-playbook")
    folder = tempfile.mkdtemp(prefix="tarvik-lab-")
    sshd, port = start_sshd(folder)
    try:
        hang = os.path.join(folder, "hanging-tool")
        with open(hang, "w") as stream:
            stream.write("#!/bin/sh\nexec sleep 600\n")
        os.chmod(hang, 0o755)
        config = os.path.join(folder, "blink.rbf")
        with open(config, "wb") as stream:
            stream.write(bytes((i * 7 + 3) % 256 for i in range(3000)))

        # The inventory: two boards, one blank board, a PC without the tool, one not reached.
        inventory = write_inventory(folder, port, {
            HOSTS[0]: {"tarvik_cli": cli, "tarvik_cli_args": ["--sim=2"]},
            HOSTS[1]: {"tarvik_cli": cli, "tarvik_cli_args": ["--sim=1", "--sim-blank", "1"]},
            HOSTS[2]: {"tarvik_cli": folder + "/no-such-tool"},
            UNREACHABLE: {"tarvik_cli": cli}})
        result = run_playbook(folder, inventory, lab + "/inventory.yml", [])
        check(result.returncode != 0, "inventory: the exit status names the missing PCs", result.stdout)
        rows = table(folder, "boards", result)
        got = [(r["pc"], r["port"], r["serial"], r["jtag_chain"], r["problem"]) for r in rows]
        want = [(HOSTS[0], "1-1", "42", "yes", ""), (HOSTS[0], "1-2", "43", "yes", ""),
                (HOSTS[1], "1-1", "0", "yes", ""),
                (HOSTS[2], "", "", "", "tarvik-cli missing"), (UNREACHABLE, "", "", "", "unreachable")]
        check(got == want, "inventory table", "got %s\nwant %s\n%s" % (got, want, result.stdout))
        check(rows and rows[0]["cycles"] == "7" and rows[0]["last_file"].endswith("blink.rbf"),
              "inventory: cycles and last file", rows)
        check("unreachable" in open(os.path.join(folder, "out", "boards.md")).read(), "inventory: the page names the PC")

        # Programming: one failing board, one unreachable PC, one hanging tool, numbers for blank boards.
        inventory = write_inventory(folder, port, {
            HOSTS[0]: {"tarvik_cli": cli, "tarvik_cli_args": ["--sim=2", "--sim-fault", "no-reply@40"]},
            HOSTS[1]: {"tarvik_cli": cli, "tarvik_cli_args": ["--sim=2", "--sim-blank", "2", "--sim-latency", "200"],
                    "tarvik_serial": 101},
            HOSTS[2]: {"tarvik_cli": hang, "tarvik_time_limit": 3},
            UNREACHABLE: {"tarvik_cli": cli}})
        result = run_playbook(folder, inventory, lab + "/program.yml", ["-e", "file=" + config])
        check(result.returncode != 0, "program: the exit status tells of the failures", result.stdout)
        rows = table(folder, "programmed", result)
        got = [(r["pc"], r["port"], r["serial"], r["verified"], r["serial_given"], r["problem"]) for r in rows]
        want = [(HOSTS[0], "1-1", "TRK_00042", "", "", "failed: no-reply"), (HOSTS[0], "1-2", "TRK_00043", "yes", "", ""),
                (HOSTS[1], "1-1", "TRK_00042", "yes", "", ""), (HOSTS[1], "1-2", "TRK_00101", "yes", "101", ""),
                (HOSTS[2], "", "", "", "", "did not finish in time"), (UNREACHABLE, "", "", "", "", "unreachable")]
        check(got == want, "programmed table", "got %s\nwant %s\n%s" % (got, want, result.stdout))
        check(rows and "unsuccessful" in rows[0]["verdict"], "program: the failed board's verdict", rows[:1])
        # Each board's port is the one the tool gave for that board in its download JSON.
        with open(os.path.join(folder, "out", "program.json")) as stream:
            answers = json.load(stream)
        for row in rows[:4]:
            answer = json.loads(answers[row["pc"]]["stdout"])
            ports = {board["node"]: board["port"] for board in answer["boards"]}
            check(ports.get(row["node"]) == row["port"], "program: %s %s port from the tool" % (row["pc"], row["node"]),
                  ports)
    finally:
        sshd.terminate()
        sshd.wait()
    return finish(folder)


def seat_user():
    """A user other than root with a shell, as the seat user of a lab PC; else this user."""
    for user in pwd.getpwall():
        if user.pw_uid >= 1000 and user.pw_uid != 65534 and os.path.exists(user.pw_shell) \
                and not user.pw_shell.endswith(("nologin", "false")):
            return user.pw_name
    return pwd.getpwuid(os.geteuid()).pw_name


def stand_in_package(folder, cli, source):
    """A package of the tool and the udev rule, with the project's own install script; not
    compressed, as the sanitizer build's tool is large."""
    tree = os.path.join(folder, "package")
    for path, source_file, mode in (("usr/bin/tarvik-cli", cli, 0o755),
                                    ("usr/lib/udev/rules.d/69-tarvik-morvane.rules",
                                     os.path.join(source, "packaging", "69-tarvik-morvane.rules"), 0o644),
                                    ("DEBIAN/postinst", os.path.join(source, "packaging", "postinst"), 0o755)):
        os.makedirs(os.path.dirname(os.path.join(tree, path)), exist_ok=True)
        shutil.copy(source_file, os.path.join(tree, path))
        os.chmod(os.path.join(tree, path), mode)
    with open(os.path.join(tree, "DEBIAN", "control"), "w") as stream:
        stream.write("Package: tarvik\nVersion: 0.0.1\nArchitecture: %s\nMaintainer: lab test <lab@test.invalid>\n"
                     "Description: the tool and its udev rule, for the lab test\n"
                     % subprocess.run(["dpkg", "--print-architecture"], capture_output=True, text=True).stdout.strip())
    package = os.path.join(folder, "tarvik_0.0.1.deb")
    subprocess.run(["dpkg-deb", "--root-owner-group", "-Znone", "--build", tree, package], check=True, capture_output=True)
    return package


def recap(output, host):
    """The failed count of a host in the playbook's recap."""
    found = re.search(r"^%s\s*:.*failed=(\d+)" % re.escape(host), output, re.MULTILINE)
    return int(found.group(1)) if found else None


def install_main():
    """install.yml into a folder per PC: the package's files land there, dpkg counts the
    package installed, and the seat user's check fails on the PC whose boards it cannot open."""
    cli, lab = os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3])
    source = os.path.dirname(lab)
    if not shutil.which("ansible-playbook"):
        skip("no ansible-playbook")
    if not shutil.which("dpkg") or not shutil.which("dpkg-deb"):
        skip("no dpkg")
    if os.geteuid() != 0:
        skip("installing a package over SSH takes root here")
    folder = tempfile.mkdtemp(prefix="tarvik-lab-install-")
    os.chmod(folder, 0o755)  # the seat user runs the tool installed below it
    if len(sys.argv) > 4:
        # The folder the packaging made its package in.
        found = glob.glob(os.path.join(sys.argv[4], "tarvik_*.deb"))
        if not found:
            raise SystemExit("no package in %s" % sys.argv[4])
        package = os.path.abspath(found[0])
    else:
        package = stand_in_package(folder, cli, source)
    hosts = HOSTS[:2]
    sshd, port = start_sshd(folder, hosts)
    user = seat_user()
    try:
        roots = {host: os.path.join(folder, "pc-" + host) for host in hosts}
        inventory = write_inventory(folder, port, {
            hosts[0]: {"tarvik_install_root": roots[hosts[0]], "tarvik_cli_args": ["--sim=2"]},
            hosts[1]: {"tarvik_install_root": roots[hosts[1]], "tarvik_cli_args": ["--sim=1", "--sim-no-permission", "1"]}})
        result = run_playbook(folder, inventory, lab + "/install.yml",
                                 ["-e", "package=" + package, "-e", "seat_user=" + user,
                                  "-e", "ansible_become_method=su"])
        check(result.returncode != 0, "install: the exit status names the PC whose seat user cannot open its boards",
              result.stdout)
        check(recap(result.stdout, hosts[0]) == 0 and recap(result.stdout, hosts[1]) == 1,
              "install: the first PC installed and checked, the second failed at the seat user's check", result.stdout)
        check("TRK_00043" in result.stdout, "install: the seat user's listing is shown", result.stdout)
        check("Permission denied" in result.stdout, "install: the failed check says why", result.stdout)
        with open(os.path.join(source, "packaging", "69-tarvik-morvane.rules"), "rb") as stream:
            rule = stream.read()
        for host, root in roots.items():
            installed = os.path.join(root, "usr", "lib", "udev", "rules.d", "69-tarvik-morvane.rules")
            check(os.path.exists(installed) and open(installed, "rb").read() == rule,
                  "install: %s has the udev rule" % host)
            check(os.access(os.path.join(root, "usr", "bin", "tarvik-cli"), os.X_OK), "install: %s has the tool" % host)
            state = subprocess.run(["dpkg", "--root", root, "-s", "tarvik"], capture_output=True, text=True).stdout
            check("Status: install ok installed" in state, "install: dpkg of %s counts it installed" % host, state)
    finally:
        sshd.terminate()
        sshd.wait()
    return finish(folder)


if __name__ == "__main__":
    sys.exit(install_main() if sys.argv[1] == "--install" else main())
