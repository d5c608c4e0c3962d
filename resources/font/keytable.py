"""Reads the transcription keyboard's key table (transmox-map.tsv).

The table is tab-separated with a header line; empty lines and lines starting
with '#' are skipped. Each row is returned as a dict keyed by the header's
column names, missing trailing columns as empty texts.
"""


def read_rows(path):
    rows = []
    header = None
    with open(path, encoding="utf-8") as table:
        for number, line in enumerate(table, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            cols = line.split("\t")
            if header is None:
                header = cols
                continue
            row = dict(zip(header, cols + [""] * (len(header) - len(cols))))
            row["_line"] = number
            rows.append(row)
    if header is None or "ipa" not in header or "byte" not in header:
        raise SystemExit(f"{path}: not a key table (no id/key/byte/ipa header)")
    return rows
