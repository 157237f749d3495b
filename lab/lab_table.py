#!/usr/bin/env python3
"""The teacher's side of the lab playbooks: reads the configuration file, gives out the lab's
serial numbers, and makes one table of the whole lab from what each PC answered.

  lab_table.py file PATH
      PATH (relative to the current folder) as JSON: its absolute path, its bytes in base64,
      its SHA-256 and its name in base64 (byte for byte). Exit 1 with the reason when it
      cannot be read.
  lab_table.py numbers --first N HOST... < ANSWERS
      From each PC's `tarvik-cli list --json`: the numbers for every blank board of the lab,
      in the order of the hosts and of the USB ports, from N on, skipping every number a
      board of the lab holds. JSON {"numbers": {HOST: [N, ...]}, "given": [text, ...]}.
  lab_table.py inventory|program --out FOLDER [--digest HEX] [--limit TEXT] HOST... < ANSWERS
      Writes the tables (boards.csv and boards.md, or programmed.csv and programmed.md) and
      the answers into a new folder FOLDER/DATE_TIME_KIND, points FOLDER/latest-KIND at it,
      and prints JSON {"summary": line, "folder": path, "attention": {HOST: [problem, ...]}}.
      Exit 1 when any row needs the teacher, 0 when none does.

ANSWERS is one JSON object on standard input: for each host, what Ansible recorded of its
task (any shape, or null when nothing was recorded). Everything in it is data from a PC: it
is checked against the shape the tool gives, and every text is made safe for the format it
goes into (a spreadsheet, Markdown, a browser).
"""
import argparse
import base64
import csv
import datetime
import hashlib
import json
import os
import sys

INVENTORY_COLUMNS = ["pc", "port", "node", "serial", "cycles", "last_programmed", "last_file",
                     "jtag_chain", "problem"]
PROGRAM_COLUMNS = ["pc", "port", "node", "serial", "verdict", "verified", "serial_given", "sha256", "problem"]
TABLE_NAMES = {"inventory": "boards", "program": "programmed"}

# Exit statuses of `timeout` around the tool: ended at the time limit (124), or killed after
# it when it did not end by itself (137 from a shell, -9 when timeout killed itself too).
TIMED_OUT = {124, 137, -9}
TOOL_MISSING = {126, 127}
MAX_SERIAL = 65535

PARTIAL = "its boards may hold a partial configuration: program them again"


def serial_text(number):
    return "TRK_%05d" % number


def clean(text):
    """Text from a PC as it can be written anywhere: bytes that were not UTF-8 (which reach us
    as lone surrogates) become U+FFFD."""
    if not isinstance(text, str):
        text = "" if text is None else str(text)
    return text.encode("utf-8", "surrogatepass").decode("utf-8", "replace")


def not_utf8(text):
    return isinstance(text, str) and any("\udc80" <= ch <= "\udcff" for ch in text)


def last_line(text):
    lines = [line for line in clean(text).strip().splitlines() if line.strip()]
    return lines[-1] if lines else ""


# --- what a PC answered ----------------------------------------------------------------------

class Shape(Exception):
    """The answer is not of the shape the tool gives."""


def need(value, kind, where):
    # JSON's true and false are no numbers here, though Python counts them as int.
    if not isinstance(value, kind) or kind is int and isinstance(value, bool):
        raise Shape("%s is %s" % (where, "missing" if value is None else "a " + type(value).__name__))
    return value


def check_list_board(board, i):
    where = "board %d" % (i + 1)
    need(board, dict, where)
    need(board.get("node"), str, where + " node")
    need(board.get("port"), str, where + " port")
    if board.get("failure") is not None or "error" in board:
        need(board.get("error"), str, where + " error")
        need(board.get("failure"), str, where + " failure")
        return
    serial = need(board.get("serial"), int, where + " serial")
    if not 0 <= serial <= MAX_SERIAL:
        raise Shape("%s serial %d is not a serial number" % (where, serial))
    need(board.get("cycles"), int, where + " cycles")
    need(board.get("last_programmed"), str, where + " last_programmed")
    need(board.get("last_file"), str, where + " last_file")
    if board.get("jtag_chain") is not None:
        need(board.get("jtag_chain"), bool, where + " jtag_chain")


def check_download_board(board, i):
    where = "board %d" % (i + 1)
    need(board, dict, where)
    need(board.get("node"), str, where + " node")
    need(board.get("port"), str, where + " port")
    need(board.get("succeeded"), bool, where + " succeeded")
    need(board.get("result"), str, where + " result")
    need(board.get("serial_text"), str, where + " serial_text")
    if board.get("failure") is not None:
        need(board.get("failure"), str, where + " failure")
    if board.get("serial_given") is not None:
        need(board.get("serial_given"), int, where + " serial_given")
    if board.get("verified") is not None:
        need(board.get("verified"), bool, where + " verified")


def check_answer(kind, answer):
    need(answer, dict, "the answer")
    boards = need(answer.get("boards"), list, "its boards")
    for i, board in enumerate(boards):
        (check_list_board if kind == "inventory" else check_download_board)(board, i)
    if kind == "program" and answer.get("sha256") is not None:
        need(answer.get("sha256"), str, "its sha256")
    return boards


def pc_answer(kind, run, limit_seconds=None):
    """What a PC's task gave: (boards, problem, timed_out). boards is None when the PC gave no
    table of boards; problem then says why."""
    if not isinstance(run, dict):
        return None, "no answer recorded", False
    if run.get("unreachable"):
        return None, "unreachable", False
    rc = run.get("rc")
    message = clean(run.get("msg"))
    if rc is None and "expected time frame" in message:
        # Ansible's own limit on the task: the PC stopped answering (frozen) or its SSH
        # session did.
        return None, "did not finish in time (no answer from the PC)", True
    if "module_stderr" in run or "MODULE FAILURE" in message:
        # Ansible's module did not run: most often no Python on the PC.
        why = last_line(run.get("module_stderr")) or last_line(run.get("module_stdout")) or message
        return None, "Ansible could not run on the PC (Python 3 missing?): %s" % why, False
    if not isinstance(rc, int) or isinstance(rc, bool):
        return None, "no answer from tarvik-cli: %s" % (message or "no exit status"), False
    stdout, stderr = run.get("stdout"), run.get("stderr")
    timed_out = rc in TIMED_OUT
    if rc in TOOL_MISSING and not (stdout or "").strip():
        return None, "tarvik-cli missing: %s" % last_line(stderr) if last_line(stderr) else "tarvik-cli missing", False
    if not isinstance(stdout, str) or not_utf8(stdout):
        return None, "answer of tarvik-cli is not UTF-8 (exit %s)" % rc, timed_out
    try:
        answer = json.loads(stdout)
        boards = check_answer(kind, answer)
    except ValueError:
        if timed_out:
            return None, "did not finish in time", True
        why = last_line(stderr)
        return None, "no answer from tarvik-cli (exit %s)%s" % (rc, ": " + why if why else ""), False
    except Shape as shape:
        return None, "answer of another shape from tarvik-cli (exit %s): %s" % (rc, shape), timed_out
    return (boards, answer), None, timed_out


# --- rows ----------------------------------------------------------------------------------

def inventory_rows(host, run):
    found, problem, timed_out = pc_answer("inventory", run)
    if found is None:
        return [{"pc": host, "problem": problem}]
    boards, _ = found
    if not boards:
        return [{"pc": host, "problem": "no board answered"}]
    rows = []
    for board in boards:
        row = {"pc": host, "port": board["port"], "node": board["node"]}
        if board.get("error") is not None:
            row["problem"] = board["error"]
            rows.append(row)
            continue
        row.update({
            "serial": serial_text(board["serial"]),
            "cycles": board["cycles"],
            "last_programmed": board["last_programmed"],
            "last_file": board["last_file"],
            "jtag_chain": "" if board.get("jtag_chain") is None else ("yes" if board["jtag_chain"] else "no"),
            "problem": "blank board: no serial number (number it: program.yml -e lab_serial=N)"
                       if board["serial"] == 0 else "",
        })
        rows.append(row)
    if run.get("rc") not in (0, 1) or run.get("rc") == 1 and not any(r["problem"] for r in rows):
        rows.append({"pc": host, "problem": "tarvik-cli ended with exit %s" % run.get("rc")})
    return rows


def program_rows(host, run, digest):
    found, problem, timed_out = pc_answer("program", run)
    if found is None:
        if timed_out and run.get("stage") != "list":
            problem += "; " + PARTIAL
        return [{"pc": host, "problem": problem}]
    boards, answer = found
    if not boards:
        return [{"pc": host, "problem": "no board answered"}]
    pc_digest = answer.get("sha256")
    rows = []
    for board in boards:
        verified = board.get("verified")
        holds_file = verified is True and board["succeeded"] and pc_digest == digest
        given = board.get("serial_given")
        row = {
            "pc": host,
            "port": board["port"],
            "node": board["node"],
            "serial": board["serial_text"],
            "verdict": board["result"],
            "verified": "yes" if holds_file else "no",
            "serial_given": serial_text(given) if given is not None else "",
            "sha256": pc_digest or "",
        }
        if not board["succeeded"]:
            failure = board.get("failure") or "failed"
            row["problem"] = "failed: " + failure
            if failure == "stopped" or timed_out:
                row["problem"] = ("did not finish in time; " if timed_out else "failed: stopped; ") + \
                    "the board holds a partial configuration: program it again"
        elif verified is not True:
            row["problem"] = "not verified: the read-back did not take place"
        elif pc_digest != digest:
            row["problem"] = ("the file on the PC is not the teacher's (SHA-256 %s, not %s): "
                              "the board does not hold the teacher's configuration" % (pc_digest or "none", digest))
        elif board["serial_text"] == serial_text(0):
            row["problem"] = "blank board: no serial number (number it: -e lab_serial=N)"
        else:
            row["problem"] = ""
        rows.append(row)
    if run.get("rc") != 0 and not any(r["problem"] for r in rows):
        # Every board looks right, yet the tool says something went wrong.
        rows.append({"pc": host, "problem": "tarvik-cli ended with exit %s" % run.get("rc")})
    return rows


# --- writing, safe for each format ---------------------------------------------------------

def csv_cell(value):
    """A spreadsheet takes a cell that begins with = + - @ (or a tab or carriage return before
    one) as a formula: such a cell begins with ' instead."""
    text = clean(value)
    if text[:1] in ("=", "+", "-", "@", "\t", "\r") or text.lstrip()[:1] in ("=", "+", "-", "@"):
        return "'" + text
    return text


def md_cell(value):
    """Text shown as itself in Markdown and in the HTML it becomes: markup escaped, line breaks
    and other control characters shown as escapes, so a cell stays in its row."""
    text = clean(value)
    out = []
    for i, ch in enumerate(text):
        if ch == "\n":
            out.append("\\\\n")
        elif ch == "\r":
            out.append("\\\\r")
        elif ch == "\t":
            out.append("\\\\t")
        elif ord(ch) < 0x20 or ord(ch) == 0x7F or 0x80 <= ord(ch) < 0xA0 or ch in "\u2028\u2029":
            out.append("\\\\x%02x" % ord(ch) if ord(ch) < 0x100 else "\\\\u%04x" % ord(ch))
        elif ch in "&<>":
            out.append({"&": "&amp;", "<": "&lt;", ">": "&gt;"}[ch])
        elif ch in "\\`*[]|~":
            out.append("\\" + ch)
        elif ch == "_" and not (0 < i < len(text) - 1 and text[i - 1].isalnum() and text[i + 1].isalnum()):
            out.append("\\_")
        else:
            out.append(ch)
    return "".join(out)


def new_folder(root, kind):
    """A folder of this run's own; the latest run of each kind is root/latest-KIND."""
    os.makedirs(root, exist_ok=True)
    stamp = datetime.datetime.now().strftime("%Y-%m-%d_%H-%M-%S")
    for n in range(1, 1000):
        name = "%s_%s" % (stamp, kind) + ("" if n == 1 else "-%d" % n)
        try:
            os.mkdir(os.path.join(root, name), 0o755)
            return name
        except FileExistsError:
            continue
    raise SystemExit("%s: no new folder for the tables" % root)


def point_latest(root, kind, name):
    link = os.path.join(root, "latest-" + kind)
    temporary = link + ".%d" % os.getpid()
    os.symlink(name, temporary)
    os.replace(temporary, link)


def write_tables(rows, columns, path, title, notes):
    with open(path + ".csv", "w", newline="", encoding="utf-8") as stream:
        writer = csv.writer(stream)
        writer.writerow(columns)
        for row in rows:
            writer.writerow([csv_cell(row.get(c, "")) for c in columns])
    problems = [row for row in rows if row.get("problem")]
    with open(path + ".md", "w", encoding="utf-8") as stream:
        stream.write("# %s\n\n" % title)
        for note in notes:
            stream.write(md_cell(note) + "\n\n")
        stream.write("| " + " | ".join(columns) + " |\n")
        stream.write("|" + "---|" * len(columns) + "\n")
        for row in rows:
            stream.write("| " + " | ".join(md_cell(row.get(c, "")) for c in columns) + " |\n")
        stream.write("\n%d boards or PCs need attention.\n" % len(problems))
        for row in problems:
            where = row["pc"] + (" " + row["node"] if row.get("node") else "")
            stream.write("- %s: %s\n" % (md_cell(where), md_cell(row["problem"])))


def tables(args, answers):
    kind = args.kind
    if kind == "inventory":
        rows = [row for host in args.hosts for row in inventory_rows(host, answers.get(host))]
        columns, title = INVENTORY_COLUMNS, "Boards of the lab"
    else:
        rows = [row for host in args.hosts for row in program_rows(host, answers.get(host), args.digest)]
        columns, title = PROGRAM_COLUMNS, "Programmed lab"
    notes = []
    if kind == "program":
        notes.append("File %s, SHA-256 %s: \"verified\" means the board holds exactly these bytes."
                     % (args.file or "?", args.digest))
    if args.limit:
        notes.append("Only the PCs of the limit %s: %d of the lab's %s PCs." % (args.limit, len(args.hosts), args.lab_size))
    if args.note:
        notes.extend(args.note)
    name = new_folder(args.out, kind)
    folder = os.path.join(args.out, name)
    with open(os.path.join(folder, kind + ".json"), "w", encoding="utf-8") as stream:
        json.dump(answers, stream, indent=1, ensure_ascii=True)
    path = os.path.join(folder, TABLE_NAMES[kind])
    write_tables(rows, columns, path, title, notes)
    point_latest(args.out, kind, name)

    attention = {}
    for row in rows:
        if row.get("problem"):
            where = row["node"] + ": " if row.get("node") else ""
            attention.setdefault(row["pc"], []).append(clean(where + row["problem"]))
    boards = sum(1 for row in rows if row.get("node"))
    summary = "%s.md: %d boards on %d PCs; %s" % (
        path, boards, len(args.hosts),
        "%d boards or PCs need attention" % sum(1 for row in rows if row.get("problem")) if attention
        else "all in order")
    print(json.dumps({"summary": summary, "folder": folder, "attention": attention}))
    return 1 if attention else 0


def numbers(args, answers):
    """Numbers for the lab's blank boards, unique across the lab."""
    if args.first is None or not 1 <= args.first <= MAX_SERIAL:
        sys.stderr.write("lab_serial=%s: serial numbers go from 1 to %d\n" % (args.first, MAX_SERIAL))
        return 2
    held, blanks = set(), []
    for host in args.hosts:
        found, _, _ = pc_answer("inventory", answers.get(host))
        if found is None:
            continue
        for board in found[0]:
            if board.get("error") is None:
                held.add(board["serial"])
                if board["serial"] == 0:
                    blanks.append((host, board))
    given, lines, number = {host: [] for host in args.hosts}, [], args.first
    for host, board in blanks:
        while number in held:
            number += 1
        if number > MAX_SERIAL:
            sys.stderr.write("lab_serial=%d: not enough numbers up to %d for the lab's %d blank boards\n"
                             % (args.first, MAX_SERIAL, len(blanks)))
            return 1
        given[host].append(number)
        held.add(number)
        lines.append("%s %s (%s): %s" % (host, clean(board["node"]), clean(board["port"]), serial_text(number)))
    print(json.dumps({"numbers": given, "given": lines}))
    return 0


def read_file(path):
    try:
        # A named pipe or a device would block the run or feed it endless data.
        if not os.path.isfile(path):
            os.stat(path)
            raise IsADirectoryError(0, "Is a directory" if os.path.isdir(path) else "not a regular file")
        with open(path, "rb") as stream:
            data = stream.read()
    except OSError as error:
        sys.stderr.write("%s: %s\n" % (clean(os.fsdecode(os.path.abspath(path))), error.strerror))
        return 1
    print(json.dumps({
        "path": clean(os.path.abspath(path)),
        "name_b64": base64.b64encode(os.fsencode(os.path.basename(path))).decode("ascii"),
        "base64": base64.b64encode(data).decode("ascii"),
        "sha256": hashlib.sha256(data).hexdigest(),
        "bytes": len(data),
    }))
    return 0


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("kind", choices=["file", "numbers", "inventory", "program"])
    parser.add_argument("hosts", nargs="*")
    parser.add_argument("--out")
    parser.add_argument("--digest", default="")
    parser.add_argument("--file", default="")
    parser.add_argument("--first", type=int)
    parser.add_argument("--limit", default="")
    parser.add_argument("--lab-size", default="?")
    parser.add_argument("--note", action="append")
    args = parser.parse_intermixed_args(argv[1:])
    if args.kind == "file":
        if len(args.hosts) != 1:
            parser.error("file takes one path")
        return read_file(args.hosts[0])
    # The playbooks send the answers in base64, so that Ansible never takes them for data of
    # its own.
    raw = sys.stdin.buffer.read().strip()
    if raw and not raw.startswith(b"{"):
        try:
            raw = base64.b64decode(raw, validate=True)
        except ValueError:
            pass
    text = raw.decode("utf-8", "surrogateescape")
    try:
        answers = json.loads(text) if text.strip() else {}
    except ValueError as error:
        sys.stderr.write("the PCs' answers are not JSON: %s\n" % error)
        return 2
    if not isinstance(answers, dict):
        answers = {}
    if args.kind == "numbers":
        return numbers(args, answers)
    if not args.out:
        parser.error("--out is needed")
    return tables(args, answers)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
