#!/usr/bin/python3
"""Checks the DOM Chromium rendered from an HTML run report: the verdict element holds the verdict, at least the
given number of charts are <svg> elements with a drawn line, and nothing in the page is a script or fetched.

Usage: check_report_dom.py DOM.html VERDICT CHARTS"""
import sys
from html.parser import HTMLParser


class ReportDom(HTMLParser):
    def __init__(self):
        super().__init__()
        self.verdict = None
        self.in_verdict = False
        self.svg_depth = 0
        self.charts = 0
        self.chart_has_line = False
        self.fetched = []

    def handle_starttag(self, tag, attrs):
        attributes = dict(attrs)
        if attributes.get("id") == "verdict":
            self.in_verdict = True
            self.verdict = ""
        if tag in ("script", "iframe", "img", "link", "object", "embed"):
            self.fetched.append(tag)
        if any(name in ("src", "href") for name in attributes):
            self.fetched.append(tag)
        if tag == "svg":
            self.svg_depth += 1
            self.chart_has_line = False
        elif self.svg_depth and tag == "path" and "series" in attributes.get("class", ""):
            points = attributes.get("d", "").count("L")
            self.chart_has_line = self.chart_has_line or points >= 1

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)

    def handle_endtag(self, tag):
        if tag == "svg" and self.svg_depth:
            self.svg_depth -= 1
            self.charts += self.chart_has_line
        if self.in_verdict and tag == "p":
            self.in_verdict = False

    def handle_data(self, data):
        if self.in_verdict:
            self.verdict += data


def main():
    path, verdict, charts = sys.argv[1], sys.argv[2], int(sys.argv[3])
    with open(path, encoding="utf-8") as file:
        dom = ReportDom()
        dom.feed(file.read())
    problems = []
    if (dom.verdict or "").strip() != verdict:
        problems.append(f"verdict {dom.verdict!r}, expected {verdict}")
    if dom.charts < charts:
        problems.append(f"{dom.charts} charts with a line, expected at least {charts}")
    if dom.fetched:
        problems.append(f"elements that run or fetch something: {dom.fetched}")
    for problem in problems:
        print(f"{path}: {problem}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
