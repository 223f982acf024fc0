#!/usr/bin/python3
"""Composes the reports of two made-up runs and validates their JSON against docs/run-report.schema.json with
Debian's python3-jsonschema; a damaged copy of a report must fail, so the check can fail at all.

Usage: validate_report.py COMPOSER SCHEMA FOLDER"""
import copy
import json
import os
import subprocess
import sys

from jsonschema import Draft202012Validator


def main():
    composer, schema_path, folder = sys.argv[1:4]
    os.makedirs(folder, exist_ok=True)
    subprocess.run([composer, folder, "600"], check=True)
    with open(schema_path, encoding="utf-8") as file:
        schema = json.load(file)
    Draft202012Validator.check_schema(schema)
    validator = Draft202012Validator(schema)

    failures = []
    reports = {}
    for name, verdict, errors in (("passed", "PASSED", 0), ("failed", "FAILED", 3)):
        with open(os.path.join(folder, name + ".json"), encoding="utf-8") as file:
            report = json.load(file)
        reports[name] = report
        for error in validator.iter_errors(report):
            failures.append(f"{name}.json: {error.json_path}: {error.message}")
        if report["verdict"] != verdict or report["errors"]["count"] != errors:
            failures.append(f"{name}.json: verdict {report['verdict']} with {report['errors']['count']} errors")
    disk = reports["passed"]["disk"]
    if not disk or not disk["write_mb_per_s"] or not disk["read_mb_per_s"] or not disk["cache_mb_per_s"]:
        failures.append(f"passed.json: the real-disk figures are missing: {disk}")
    if reports["failed"]["disk"] is not None:
        failures.append("failed.json: a run without the real-disk load has disk figures")

    damages = {
        "an unknown verdict": lambda r: r.update(verdict="MAYBE"),
        "no errors object": lambda r: r.pop("errors"),
        "a start time that is not UTC": lambda r: r.update(start_utc="2026-12-08 14:03:22"),
        "an unknown check": lambda r: r["errors"]["kept"][0].update(check="cosmic rays"),
        "an unknown load": lambda r: r["loads"][0].update(load="gpu"),
        "the bad command line's exit code": lambda r: r.update(exit_code=2),
        "a rate that is text": lambda r: r["loads"][1]["rates"][0].update(median="4500"),
        "a disk figure that is text": lambda r: r.update(disk={**reports["passed"]["disk"], "bytes_written": "8"}),
        "an unknown folder problem": lambda r: r.update(disk={**reports["passed"]["disk"], "folder_problem": "gone"}),
    }
    for what, damage in damages.items():
        damaged = copy.deepcopy(reports["failed"])
        damage(damaged)
        if validator.is_valid(damaged):
            failures.append(f"the schema accepted a report with {what}")

    for failure in failures:
        print(failure)
    if failures:
        return 1
    print(f"{len(reports)} composed reports valid, {len(damages)} damaged copies refused")
    return 0


if __name__ == "__main__":
    sys.exit(main())
