#!/usr/bin/python3
"""Composes the reports of two made-up runs and validates their JSON against docs/run-report.schema.json with
Debian's python3-jsonschema; a damaged copy of a report must fail, so the check can fail at all.

With --real, validates one report a real run wrote instead and checks its verdict.

Usage: validate_report.py COMPOSER SCHEMA FOLDER
       validate_report.py --real SCHEMA REPORT.json VERDICT"""
import copy
import json
import os
import subprocess
import sys

from jsonschema import Draft202012Validator


def validate_real(schema_path, report_path, verdict):
    with open(schema_path, encoding="utf-8") as file:
        validator = Draft202012Validator(json.load(file))
    with open(report_path, encoding="utf-8") as file:
        report = json.load(file)
    failures = [f"{report_path}: {error.json_path}: {error.message}" for error in validator.iter_errors(report)]
    if report.get("verdict") != verdict:
        failures.append(f"{report_path}: verdict {report.get('verdict')}, expected {verdict}")
    for failure in failures:
        print(failure)
    if failures:
        return 1
    print(f"{os.path.basename(report_path)}: valid against the schema, {verdict}")
    return 0


def main():
    if sys.argv[1] == "--real":
        return validate_real(*sys.argv[2:5])
    composer, schema_path, folder = sys.argv[1:4]
    os.makedirs(folder, exist_ok=True)
    subprocess.run([composer, folder, "600"], check=True)
    with open(schema_path, encoding="utf-8") as file:
        schema = json.load(file)
    Draft202012Validator.check_schema(schema)
    validator = Draft202012Validator(schema)

    failures = []
    reports = {}
    for name, verdict, errors in (("passed", "PASSED", 0), ("failed", "FAILED", 3), ("heavy", "PASSED", 0),
                                  ("cycle", "FAILED", 1)):
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
    heavy_damages = {
        "a processor's rate that is text": lambda r: r["processors"][0].update(median_gflops="40"),
        "a negative processor": lambda r: r["processors"][0].update(processor=-1),
        "an unknown cycle result": lambda r: r["processors"][0].update(cycle_result="maybe"),
        "an unknown instruction set": lambda r: r["processor_load"].update(instruction_set="AVX-1024"),
        "a drop above 100 %": lambda r: r["processor_load"]["throttling"][0].update(drop=1.5),
        "no tested memory": lambda r: r["memory_load"].pop("tested_bytes"),
        "no processor load field": lambda r: r.pop("processor_load"),
    }
    for source, table in (("failed", damages), ("heavy", heavy_damages)):
        for what, damage in table.items():
            damaged = copy.deepcopy(reports[source])
            damage(damaged)
            if validator.is_valid(damaged):
                failures.append(f"the schema accepted a report with {what}")

    heavy, cycle = reports["heavy"], reports["cycle"]
    if len(heavy["processors"]) != 4 or not heavy["processor_load"]["throttling"]:
        failures.append("heavy.json: four processors and processor 1 throttling expected")
    results = [p["cycle_result"] for p in cycle["processors"]]
    if results != ["failed", "passed", "passed", "not_reached"]:
        failures.append(f"cycle.json: per-processor results {results}")

    for failure in failures:
        print(failure)
    if failures:
        return 1
    print(f"{len(reports)} composed reports valid, {len(damages) + len(heavy_damages)} damaged copies refused")
    return 0


if __name__ == "__main__":
    sys.exit(main())
