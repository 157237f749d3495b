#!/usr/bin/env python3
"""Makes one table of a whole lab from what tarvik-cli answered on each PC.

The answers are one JSON file, as the playbooks write it on the teacher's machine: for each
PC that answered, {"rc": exit status, "stdout": ..., "stderr": ...}. A PC that is not in it
was not reached. Writes OUT.csv and OUT.md and exits with 1 when any PC or board needs the
teacher (unreachable, tool missing, no board, a failed board, no end in time), else 0.

  lab_table.py inventory|program ANSWERS.json OUT HOST...
"""
import csv
import json
import sys

INVENTORY_COLUMNS = ["pc", "port", "node", "serial", "cycles", "last_programmed", "last_file",
                     "jtag_chain", "problem"]
PROGRAM_COLUMNS = ["pc", "port", "node", "serial", "verdict", "verified", "serial_given", "problem"]

# Exit statuses of `timeout` around the tool: ended by the time limit, or killed after it.
TIMED_OUT = {124, 137}
TOOL_MISSING = {126, 127}


def host_problem(run):
    """Why a PC gave no table of boards, or None when its tool answered."""
    if run is None:
        return "unreachable"
    if run["rc"] in TIMED_OUT:
        return "did not finish in time"
    if run["rc"] in TOOL_MISSING:
        return "tarvik-cli missing"
    return None


def parse(run):
    try:
        answer = json.loads(run.get("stdout") or "")
    except ValueError:
        answer = None
    if not isinstance(answer, dict) or not isinstance(answer.get("boards"), list):
        last = (run.get("stderr") or "").strip().splitlines()
        return None, "no answer from tarvik-cli (exit %s)%s" % (run["rc"], ": " + last[-1] if last else "")
    return answer["boards"], None


def boards_of(run):
    """The boards a PC's tool listed, and why there are none."""
    problem = host_problem(run)
    boards = None
    if problem is None:
        boards, problem = parse(run)
    if problem is None and not boards:
        problem = "no board answered"
    return boards, problem


def inventory_rows(host, run):
    boards, problem = boards_of(run)
    if problem is not None:
        return [{"pc": host, "problem": problem}]
    rows = []
    for board in boards:
        row = {"pc": host, "problem": board.get("error", "")}
        for column in INVENTORY_COLUMNS[1:-1]:
            value = board.get(column)
            row[column] = "" if value is None else value
        rows.append(row)
    return rows


def program_rows(host, run):
    boards, problem = boards_of(run)
    if problem is not None:
        return [{"pc": host, "problem": problem}]
    rows = []
    for board in boards:
        verified = board.get("verified")
        rows.append({
            "pc": host,
            "port": board.get("port", ""),
            "node": board.get("node", ""),
            "serial": board.get("serial_text", ""),
            "verdict": board.get("result", ""),
            "verified": "" if verified is None else ("yes" if verified else "no"),
            "serial_given": "" if board.get("serial_given") is None else board["serial_given"],
            # The tool's key of the reason ("no-reply", "verify-differs", ...) beside its words
            # in the verdict.
            "problem": "" if board.get("succeeded") and verified is not False
                       else "failed: " + board["failure"] if board.get("failure") else "failed",
        })
    return rows


def read_answers(path):
    with open(path, encoding="utf-8") as stream:
        return json.load(stream)


def cell(value):
    if isinstance(value, bool):
        return "yes" if value else "no"
    return str(value)


def write_tables(rows, columns, out, title):
    with open(out + ".csv", "w", newline="", encoding="utf-8") as stream:
        writer = csv.DictWriter(stream, fieldnames=columns)
        writer.writeheader()
        for row in rows:
            writer.writerow({c: cell(row.get(c, "")) for c in columns})
    with open(out + ".md", "w", encoding="utf-8") as stream:
        stream.write("# %s\n\n" % title)
        stream.write("| " + " | ".join(columns) + " |\n")
        stream.write("|" + "---|" * len(columns) + "\n")
        for row in rows:
            stream.write("| " + " | ".join(cell(row.get(c, "")).replace("|", "\\|") for c in columns) + " |\n")
        problems = [row for row in rows if row.get("problem")]
        stream.write("\n%d boards or PCs need attention.\n" % len(problems))
        for row in problems:
            where = row["pc"] + (" " + row["node"] if row.get("node") else "")
            stream.write("- %s: %s\n" % (where, row["problem"]))


def main(argv):
    if len(argv) < 4 or argv[1] not in ("inventory", "program"):
        sys.stderr.write(__doc__)
        return 2
    kind, answers, out, hosts = argv[1], read_answers(argv[2]), argv[3], argv[4:]
    make = inventory_rows if kind == "inventory" else program_rows
    columns = INVENTORY_COLUMNS if kind == "inventory" else PROGRAM_COLUMNS
    rows = [row for host in hosts for row in make(host, answers.get(host))]
    write_tables(rows, columns, out, "Boards of the lab" if kind == "inventory" else "Programmed lab")
    problems = [row for row in rows if row.get("problem")]
    for row in problems:
        print("%s %s: %s" % (row["pc"], row.get("node", ""), row["problem"]))
    print("tables: %s.csv %s.md" % (out, out))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
