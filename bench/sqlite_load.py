#!/usr/bin/env python3
"""The yardstick for the first load: the same 24 release files parsed by a
plain script and loaded into SQLite in one transaction (executemany), then
the same keys and indexes the Korvane schema has. Prints the seconds.

    sqlite_load.py RELEASE_FOLDER [--runs N]

The folder must hold the files' *_layout.txt (every DATASUS release since
2022 does). Texts are trimmed and names folded and raised as the Korvane
load does, numbers converted, so both do comparable work.
"""
import os
import sqlite3
import statistics
import sys
import tempfile
import time
import unicodedata

# file -> (unique key, further indexes), in the release's own column names.
FILES = {
    "rl_procedimento_cid": (["CO_PROCEDIMENTO", "CO_CID"], [["CO_CID"]]),
    "tb_ocupacao": (["CO_OCUPACAO"], []),
    "rl_procedimento_ocupacao": (["CO_PROCEDIMENTO", "CO_OCUPACAO"], [["CO_OCUPACAO"]]),
    "rl_procedimento_compativel": (["CO_PROCEDIMENTO_PRINCIPAL", "CO_REGISTRO_PRINCIPAL", "CO_PROCEDIMENTO_COMPATIVEL",
                                    "CO_REGISTRO_COMPATIVEL", "TP_COMPATIBILIDADE"], [["CO_PROCEDIMENTO_COMPATIVEL"]]),
    "tb_procedimento": (["CO_PROCEDIMENTO"], []),
    "rl_procedimento_leito": (["CO_PROCEDIMENTO", "CO_TIPO_LEITO"], []),
    "rl_procedimento_incremento": (["CO_PROCEDIMENTO", "CO_HABILITACAO"], []),
    "rl_procedimento_modalidade": (["CO_PROCEDIMENTO", "CO_MODALIDADE"], []),
    "rl_procedimento_registro": (["CO_PROCEDIMENTO", "CO_REGISTRO"], []),
    "rl_procedimento_servico": (["CO_PROCEDIMENTO", "CO_SERVICO", "CO_CLASSIFICACAO"], []),
    "tb_registro": (["CO_REGISTRO"], []),
    "tb_servico": (["CO_SERVICO"], []),
    "tb_servico_classificacao": (["CO_SERVICO", "CO_CLASSIFICACAO"], []),
    "tb_grupo": (["CO_GRUPO"], []),
    "tb_sub_grupo": (["CO_GRUPO", "CO_SUB_GRUPO"], []),
    "tb_forma_organizacao": (["CO_GRUPO", "CO_SUB_GRUPO", "CO_FORMA_ORGANIZACAO"], [["CO_GRUPO", "CO_SUB_GRUPO"]]),
    "tb_tipo_leito": (["CO_TIPO_LEITO"], []),
    "tb_habilitacao": (["CO_HABILITACAO"], []),
    "tb_modalidade": (["CO_MODALIDADE"], []),
    "tb_descricao": (None, [["CO_PROCEDIMENTO"]]),
    "rl_procedimento_habilitacao": (None, [["CO_PROCEDIMENTO"]]),
    "tb_grupo_habilitacao": (["NU_GRUPO_HABILITACAO"], []),
    "tb_detalhe": (["CO_DETALHE"], []),
    "rl_procedimento_detalhe": (None, [["CO_PROCEDIMENTO"]]),
}


def layout(folder, name):
    with open(os.path.join(folder, name + "_layout.txt"), encoding="latin-1") as f:
        rows = [line.strip().split(",") for line in f.read().splitlines()[1:] if line.strip()]
    return [(r[0], int(r[2]) - 1, int(r[1]), r[4]) for r in rows]


def fold(text):
    return "".join(c for c in unicodedata.normalize("NFD", text) if not unicodedata.combining(c))


def converter(column, kind):
    if column.startswith("VL_"):
        return lambda s: int(s) / 100 if s else 0.0
    if column.startswith(("QT_", "NU_")) or kind == "NUMBER":
        return lambda s: int(s) if s else None
    if column.startswith("NO_"):
        return lambda s: fold(s).upper() or None
    return lambda s: s or None


def rows_of(folder, name, cols):
    convs = [converter(c, k) for c, _, _, k in cols]
    with open(os.path.join(folder, name + ".txt"), "rb") as f:
        text = f.read().decode("cp1252")
    for line in text.strip().splitlines():
        yield tuple(conv(line[s:s + n].strip()) for conv, (_, s, n, _) in zip(convs, cols))


def load(folder, database):
    db = sqlite3.connect(database)
    started = time.perf_counter()
    with db:
        for name, (key, indexes) in FILES.items():
            cols = layout(folder, name)
            db.execute("create table %s (%s)" % (name, ", ".join(c for c, _, _, _ in cols)))
            db.executemany("insert into %s values (%s)" % (name, ", ".join("?" * len(cols))), rows_of(folder, name, cols))
            if key:
                db.execute("create unique index pk_%s on %s (%s)" % (name, name, ", ".join(key)))
            for i, ix in enumerate(indexes):
                db.execute("create index ix_%s_%d on %s (%s)" % (name, i, name, ", ".join(ix)))
    seconds = time.perf_counter() - started
    db.close()
    return seconds


def main():
    folder = sys.argv[1]
    runs = int(sys.argv[sys.argv.index("--runs") + 1]) if "--runs" in sys.argv else 3
    times = []
    for _ in range(runs):
        with tempfile.TemporaryDirectory() as tmp:
            times.append(load(folder, os.path.join(tmp, "release.sqlite")))
    print("sqlite load of %s: %s s (median of %d)" % (folder, "%.2f" % statistics.median(times), runs))
    print("RESULT sqlite_s=%.2f" % statistics.median(times))


if __name__ == "__main__":
    main()
