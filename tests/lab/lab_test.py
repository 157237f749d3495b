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
import hashlib
import json
import os
import pwd
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

SKIP = 77
HOSTS = ["127.0.0.%d" % i for i in range(2, 15)]
UNREACHABLE = "127.0.0.99"


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


def table(folder, name, result, kind):
    """The rows of the latest table of this kind, and the text of its Markdown page."""
    latest = os.path.join(folder, "out", "latest-" + kind)
    if not os.path.exists(os.path.join(latest, name + ".csv")):
        print(result.stdout)
        raise SystemExit("no table %s.csv" % name)
    with open(os.path.join(latest, name + ".csv"), newline="", encoding="utf-8") as stream:
        rows = list(csv.DictReader(stream))
    with open(os.path.join(latest, name + ".md"), encoding="utf-8") as stream:
        return rows, stream.read()


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


def script(folder, name, text):
    path = os.path.join(folder, name)
    with open(path, "w") as stream:
        stream.write("#!/bin/sh\n" + text)
    os.chmod(path, 0o755)
    return path


def md_rows(page):
    """The cells of each row of the page's table, split at the bars Markdown splits at."""
    rows = []
    for line in page.splitlines():
        if line.startswith("| ") and not line.startswith("| pc |"):
            rows.append(re.split(r"(?<!\\) \| ", line[2:-2]))
    return rows


# Names a board may hold, written by whoever programmed it last: each must reach the tables
# as data, never as a formula, markup or a row of its own.
HOSTILE_NAMES = [
    '=HYPERLINK("http://x.invalid/","open")',
    "+cmd|' /C calc'!A0",
    "@SUM(1+1)\n| stray | row |\n<script>alert(1)</script>",
    "-2+3 *bold* [link](http://x.invalid) `code` a_b",
]


def inventory_test(folder, port, cli, lab):
    """The inventory of a lab with hostile data on its boards and PCs that answer wrong."""
    shapes = {"another shape": ('{"boards":[{}]}', 1), "garbage": ("hello", 0)}
    hosts = {
        HOSTS[0]: ({"tarvik_cli": cli, "tarvik_cli_args": ["--sim=2"]},
                   [("1-1", "TRK_00042", ""), ("1-2", "TRK_00043", "")]),
        HOSTS[1]: ({"tarvik_cli": cli, "tarvik_cli_args": ["--sim=1", "--sim-blank", "1"]},
                   [("1-1", "TRK_00000", "blank board: no serial number")]),
        HOSTS[2]: ({"tarvik_cli": folder + "/no-such-tool"}, [("", "", "tarvik-cli missing")]),
        UNREACHABLE: ({"tarvik_cli": cli}, [("", "", "unreachable")]),
    }
    for i, (what, (text, rc)) in enumerate(shapes.items()):
        tool = script(folder, "answers-%d" % i, "printf '%%s' '%s'\nexit %d\n" % (text, rc))
        hosts[HOSTS[3 + i]] = ({"tarvik_cli": tool},
                               [("", "", "answer of another shape" if what == "another shape" else "no answer from tarvik-cli (exit 0)")])
    named = HOSTS[5:5 + len(HOSTILE_NAMES)]
    for host, name in zip(named, HOSTILE_NAMES):
        hosts[host] = ({"tarvik_cli": cli, "tarvik_cli_args": ["--sim=1", "--sim-file-name", name]},
                       [("1-1", "TRK_00042", "")])
    inventory = write_inventory(folder, port, {host: settings for host, (settings, _) in hosts.items()})
    result = run_playbook(folder, inventory, lab + "/inventory.yml", [])
    check(result.returncode != 0, "inventory: the exit status names the PCs that need attention", result.stdout)
    check("fatal: [%s]: FAILED! => {\"changed\": false, \"msg\": \"tarvik-cli missing" % HOSTS[2] in result.stdout,
          "inventory: the PC that needs attention fails with its reason", result.stdout)
    rows, page = table(folder, "boards", result, "inventory")
    got = [(r["pc"], r["port"], r["serial"], r["problem"]) for r in rows]
    for host, (_, want) in hosts.items():
        mine = [g for g in got if g[0] == host]
        check(len(mine) == len(want) and all(g[1:3] == w[:2] and w[2] in g[3] and (w[2] or not g[3])
                                              for g, w in zip(mine, want)),
              "inventory: rows of %s" % host, "got %s\nwant %s" % (mine, want))
    check([r["pc"] for r in rows] == [r["pc"] for r in rows if r["pc"] in hosts] and len({r["pc"] for r in rows}) == len(hosts),
          "inventory: a row for every PC, in inventory order", got)
    # Each hostile name: in the CSV a leading ' where a spreadsheet would see a formula, and
    # nothing else changed; in Markdown one row of all its cells, no markup.
    for host, name in zip(named, HOSTILE_NAMES):
        cell = [r["last_file"] for r in rows if r["pc"] == host]
        check(cell == ["'" + name], "inventory: %r kept as text in boards.csv" % name, cell)
    table_rows = md_rows(page)
    check(len(table_rows) == len(rows) and all(len(cells) == 9 for cells in table_rows),
          "inventory: boards.md has one row of nine cells per row", page)
    check("<script>" not in page and "**" not in page, "inventory: no markup from a board in boards.md", page)
    first_run = os.readlink(os.path.join(folder, "out", "latest-inventory"))

    # A limit: the table covers the PCs of the limit and says so; the last run's table stays.
    result = run_playbook(folder, inventory, lab + "/inventory.yml", ["-l", HOSTS[0]])
    rows, page = table(folder, "boards", result, "inventory")
    check(result.returncode == 0 and [r["pc"] for r in rows] == [HOSTS[0]] * 2,
          "inventory -l: the rows of the PC of the limit", "%s\n%s" % (rows, result.stdout))
    check("Only the PCs of the limit %s: 1 of the lab's %d PCs" % (HOSTS[0], len(hosts)) in page.replace("\\", ""),
          "inventory -l: the page says it covers the limit", page)
    check(os.path.exists(os.path.join(folder, "out", first_run, "boards.csv")) and
          os.readlink(os.path.join(folder, "out", "latest-inventory")) != first_run,
          "inventory: each run's tables in a folder of their own", os.listdir(os.path.join(folder, "out")))


def program_test(folder, port, cli, lab):
    """One programming run of a lab with a PC of every kind that must not be counted as
    programmed unless its boards hold the teacher's bytes: one row each, or a row per board."""
    # The file is named as the teacher typed it in the folder ansible-playbook starts in; a
    # file of the same name beside the playbooks must not be the one programmed. Its name
    # holds what a shell would run or split, and a byte that is not UTF-8; the number it
    # begins with must not number a PC's blank boards on its own.
    name = os.fsdecode(b"101 blink $(touch ran); -n\n\xe9.rbf")
    config = os.path.join(folder, name)
    with open(config, "wb") as stream:
        stream.write(bytes((i * 7 + 3) % 256 for i in range(3000)))
    digest = hashlib.sha256(open(config, "rb").read()).hexdigest()
    playbooks = os.path.join(folder, "lab")
    shutil.copytree(lab, playbooks)
    with open(os.path.join(playbooks, name), "wb") as stream:
        stream.write(b"\x55" * 200)
    student = os.path.join(folder, "student.rbf")
    with open(student, "wb") as stream:
        stream.write(b"\xaa" * 3000)
    # A student who holds the fixed folder of old, with a link that would make the teacher's
    # account overwrite another file.
    victim = os.path.join(folder, "victim")
    with open(victim, "w") as stream:
        stream.write("the student's target")
    fixed = "/tmp/tarvik-lab-" + HOSTS[3]
    shutil.rmtree(fixed, ignore_errors=True)
    os.makedirs(fixed)
    os.symlink(victim, os.path.join(fixed, name))

    # Stand-ins for the tool on a PC: the real one for `list` where the lab's numbers need it.
    def stand_in(name, download):
        return script(folder, name, 'case "$*" in *download*) ;; *) exec %s --sim=1 "$@" ;; esac\n%s' % (cli, download))
    swapped = stand_in("swapping-tool", 'for a; do last=$a; done\ncat %s > "$last"\nexec %s --sim=1 "$@"\n' % (student, cli))
    no_digest = stand_in("no-digest-tool", "printf '%%s' '%s'\n" % json.dumps({"boards": [{
        "node": "/dev/hidraw0", "port": "1-1", "serial_text": "TRK_00042", "succeeded": True,
        "result": "FPGA configuration successful", "failure": None, "verified": True}]}))
    another_shape = stand_in("shape-tool", "printf '%s' '{\"boards\":[{}]}'\nexit 1\n")
    not_utf8 = stand_in("latin1-tool", "printf '{\"boards\":[\"\\377\\376\"]}'\n")
    # Ignores SIGTERM: only the kill after the time limit ends it.
    deaf = stand_in("deaf-tool", "trap '' TERM\nexec sleep 600\n")
    # Stops the SSH session it runs in, as a PC that freezes: nothing more comes from it.
    frozen_pids = os.path.join(folder, "frozen")
    frozen = stand_in("freezing-tool", 'echo $$ >> %s\npid=$$\nwhile [ "$pid" -gt 1 ]; do\n'
                      '  pid=$(cut -d" " -f4 /proc/$pid/stat)\n'
                      '  if [ "$(cat /proc/$pid/comm)" = sshd ]; then echo $pid >> %s; kill -STOP $pid; break; fi\n'
                      'done\nexec sleep 600\n' % (frozen_pids, frozen_pids))

    blank12 = ["--sim=12"] + [a for k in range(1, 12) for a in ("--sim-blank", str(k))]
    # Held in the lab: 42, 43 (first PC), 53 (the twelfth board of the next), 42 and 44.
    numbers = [45, 46, 47, 48, 49, 50, 51, 52, 54, 55, 56]
    cases = [
        # what, host, settings, rows: (port, verified, serial_given, a piece of the problem)
        ("a board that fails", HOSTS[0], {"tarvik_cli": cli, "tarvik_cli_args": ["--sim=2", "--sim-fault", "no-reply@40"]},
         [("1-1", "no", "", "failed: no-reply"), ("1-2", "yes", "", "")]),
        ("more blank boards on one PC than any step", HOSTS[1], {"tarvik_cli": cli, "tarvik_cli_args": blank12},
         [("1-%d" % (k + 1), "yes", "TRK_%05d" % numbers[k], "") for k in range(11)] + [("1-12", "yes", "", "")]),
        ("the lab's numbers go on", HOSTS[2], {"tarvik_cli": cli, "tarvik_cli_args": ["--sim=3", "--sim-blank", "2"]},
         [("1-1", "yes", "", ""), ("1-2", "yes", "TRK_00057", ""), ("1-3", "yes", "", "")]),
        ("the old fixed folder held by a student", HOSTS[3], {"tarvik_cli": cli, "tarvik_cli_args": ["--sim=1"]},
         [("1-1", "yes", "", "")]),
        ("the file swapped before the tool reads it", HOSTS[4], {"tarvik_cli": swapped},
         [("1-1", "no", "", "the file on the PC is not the teacher's")]),
        ("verified, without a digest", HOSTS[5], {"tarvik_cli": no_digest},
         [("1-1", "no", "", "the file on the PC is not the teacher's")]),
        ("an answer of another shape", HOSTS[6], {"tarvik_cli": another_shape},
         [("", "", "", "answer of another shape from tarvik-cli (exit 1): board 1 node is missing")]),
        ("an answer that is not UTF-8", HOSTS[7], {"tarvik_cli": not_utf8}, [("", "", "", "not UTF-8")]),
        ("no Python on the PC", HOSTS[8], {"tarvik_cli": cli, "ansible_python_interpreter": "/nonexistent/python3"},
         [("", "", "", "Ansible could not run on the PC")]),
        ("a tool that ignores SIGTERM", HOSTS[9], {"tarvik_cli": deaf, "tarvik_time_limit": 3},
         [("", "", "", "did not finish in time; its boards may hold a partial configuration")]),
        # The tool that ignores SIGTERM keeps the lab's margin, so that a busy PC's slow SSH
        # session never makes it look frozen; the frozen PC is given up sooner.
        ("a PC that freezes", HOSTS[10], {"tarvik_cli": frozen, "tarvik_time_limit": 3, "tarvik_answer_margin": 15},
         [("", "", "", "did not finish in time (no answer from the PC); its boards may hold a partial configuration")]),
        ("no tool", HOSTS[11], {"tarvik_cli": folder + "/no-such-tool"}, [("", "", "", "tarvik-cli missing")]),
        # The tool stops at the limit's SIGTERM after the page in flight and says so.
        ("a download ended at the time limit", HOSTS[12],
         {"tarvik_cli": cli, "tarvik_cli_args": ["--sim=1", "--sim-latency", "20000"], "tarvik_time_limit": 3},
         [("1-1", "no", "", "did not finish in time; the board holds a partial configuration")]),
        ("not reached", UNREACHABLE, {"tarvik_cli": cli}, [("", "", "", "unreachable")]),
    ]
    inventory = write_inventory(folder, port, {host: settings for _, host, settings, _ in cases})
    before = set(glob.glob("/tmp/tarvik-lab.*"))
    try:
        # JSON is how a name with spaces goes into -e.
        result = run_playbook(folder, inventory, "lab/program.yml", ["-e", json.dumps({"file": name}), "-e", "lab_serial=42"])
    finally:
        # The frozen session and its tool end with the test.
        if os.path.exists(frozen_pids):
            for pid in open(frozen_pids).read().split():
                try:
                    os.kill(int(pid), signal.SIGKILL)
                except OSError:
                    pass
    check(result.returncode != 0, "program: the exit status tells of the rows that need attention", result.stdout)
    rows, page = table(folder, "programmed", result, "program")
    got = [(r["pc"], r["port"], r["verified"], r["serial_given"], r["problem"]) for r in rows]
    for what, host, _, want in cases:
        mine = [g[1:] for g in got if g[0] == host]
        check(len(mine) == len(want) and all(g[:3] == w[:3] and w[3] in g[3] and (w[3] or not g[3])
                                              for g, w in zip(mine, want)),
              "program: %s" % what, "got %s\nwant %s" % (mine, want))
    check([r["pc"] for r in rows if r["pc"] in (HOSTS[0], HOSTS[1])][:3] == [HOSTS[0]] * 2 + [HOSTS[1]],
          "program: rows in inventory order", got)
    given = [r["serial_given"] for r in rows if r["serial_given"]]
    kept = {r["serial"] for r in rows if r["serial"] and not r["serial_given"]}
    check(len(given) == 12 and len(set(given)) == len(given) and not kept & set(given),
          "program: no number given twice in the lab, nor one a board holds", rows)
    verified = [r for r in rows if r["verified"] == "yes"]
    check(verified and all(r["sha256"] == digest for r in verified),
          "program: every verified board holds the bytes of the teacher's file, by its digest", rows)
    check("SHA-256 %s" % digest in page, "program: the page gives the file's digest", page)
    check(open(victim).read() == "the student's target", "program: the student's link in the old folder was not followed")
    check(not any(os.path.exists(os.path.join(where, "ran")) for where in (folder, os.path.expanduser("~"), playbooks)),
          "program: nothing of the file's name was run")
    check(len(set(glob.glob("/tmp/tarvik-lab.*")) - before) <= 1,
          "program: the PCs' folders are removed (but the frozen PC's)", set(glob.glob("/tmp/tarvik-lab.*")) - before)
    check("Needs attention" in result.stdout and "Summary" in result.stdout and
          "FAILED! => {\"changed\": false, \"msg\": \"/dev/hidraw-sim0: failed: no-reply" in result.stdout,
          "program: a summary line, and each seat that needs attention with its reason", result.stdout)
    shutil.rmtree(fixed, ignore_errors=True)

    # A limit, with the teacher's machine in it: the rows of the PC of the limit alone. Without
    # lab_serial its blank board stays blank, and is flagged.
    result = run_playbook(folder, inventory, "lab/program.yml", ["-e", json.dumps({"file": name}),
                                                                 "-l", HOSTS[2] + ",localhost"])
    rows, page = table(folder, "programmed", result, "program")
    got = [(r["pc"], r["serial"], r["verified"], r["problem"]) for r in rows]
    check(result.returncode != 0 and got[:1] == [(HOSTS[2], "TRK_00042", "yes", "")] and len(got) == 3
          and got[1][1:3] == ("TRK_00000", "yes") and "blank board" in got[1][3],
          "program -l: the rows of the PC of the limit, its blank board flagged", "%s\n%s" % (got, result.stdout))

    # A file that is not there ends the run before any PC is touched, naming the path.
    marker = os.path.join(folder, "touched")
    toucher = script(folder, "touching-tool", "touch %s\n" % marker)
    inventory = write_inventory(folder, port, {HOSTS[0]: {"tarvik_cli": toucher}})
    result = run_playbook(folder, inventory, "lab/program.yml", ["-e", "file=lab3.rbf"])
    check(result.returncode != 0 and os.path.join(folder, "lab3.rbf") + ": No such file or directory" in result.stdout
          and not os.path.exists(marker), "program: a missing file ends the run before any PC, naming it", result.stdout)


def main():
    cli, lab = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if not shutil.which("ansible-playbook"):
        skip("no ansible-playbook")
    folder = tempfile.mkdtemp(prefix="tarvik-lab-test-")
    sshd, port = start_sshd(folder)
    try:
        inventory_test(folder, port, cli, lab)
        program_test(folder, port, cli, lab)
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
        # A package named as the teacher typed it, in the folder ansible-playbook starts in.
        result = run_playbook(folder, inventory, lab + "/install.yml",
                                 ["-e", "package=" + os.path.relpath(package, folder), "-e", "seat_user=" + user,
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
        check(not glob.glob("/tmp/tarvik-install.*"), "install: the package's folders are removed from the PCs",
              glob.glob("/tmp/tarvik-install.*"))
        result = run_playbook(folder, inventory, lab + "/install.yml", ["-e", "package=tarvik_9.deb", "-e", "seat_user=" + user])
        check(result.returncode != 0 and os.path.join(folder, "tarvik_9.deb") + ": no such file" in result.stdout
              and "Copy the package" not in result.stdout,
              "install: a package that is not there ends the run before any PC, naming it", result.stdout)
    finally:
        sshd.terminate()
        sshd.wait()
    return finish(folder)


if __name__ == "__main__":
    sys.exit(install_main() if sys.argv[1] == "--install" else main())
