"""The Python module against the program: the same instance, files, rules and optimum."""
import gzip
import hashlib
import json
import locale
import os
import subprocess
import sys
import threading

import numpy as np
import pytest
import scipy.optimize
import scipy.sparse

import gerador

PROGRAM = os.environ["GERADOR_PATH"]
STANDARD_COLUMNS = "55ea1d2a3bc20a70c1550fd7999bf3f65a127390629e2331ba9a29d3f26fce01"
SMALL = dict(count=30, max_tasks=5, location_count=6, depot_count=2)
TINY = dict(count=20, max_tasks=5, location_count=6, depot_count=2, task_seed=1)


def sha256(path):
    with open(path, "rb") as file:
        return hashlib.sha256(file.read()).hexdigest()


def run_program(folder, *arguments):
    subprocess.run([PROGRAM, *arguments, "--no-column-echo", "--no-wait"], cwd=folder,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, check=True)


def column_file_lines(path):
    with open(path) as file:
        return file.read().splitlines()


def test_standard_instance_is_the_column_file(tmp_path):
    instance = gerador.generate()
    assert instance.matrix.shape == (150, 1503325)
    instance.write(str(tmp_path))
    assert sha256(tmp_path / "150_3304438.txt") == STANDARD_COLUMNS
    # Compressed, the file is many gzip members; Python's gzip reads them on as one.
    instance.write(str(tmp_path), column_file="c.txt.gz")
    with gzip.open(tmp_path / "c.txt.gz", "rb") as packed:
        assert hashlib.sha256(packed.read()).hexdigest() == STANDARD_COLUMNS
    lines = column_file_lines(tmp_path / "150_3304438.txt")[3:]
    matrix = instance.matrix
    # Every 50,000th column, field by field: number, cost, depot, minutes, length, tasks.
    for column in range(0, matrix.shape[1], 50000):
        fields = [int(field) for field in lines[column].split()]
        rows = matrix.indices[matrix.indptr[column]:matrix.indptr[column + 1]]
        assert fields[0] == column + 1
        assert fields[1] == instance.cost[column]
        assert fields[2] == instance.depot[column]
        assert fields[3] == instance.worked_minutes[column]
        assert fields[4] == instance.length[column] == len(rows)
        assert fields[5:] == [int(row) + 1 for row in rows]


def run_python(code, *arguments, **options):
    """code in a fresh interpreter, which has imported gerador and can interrupt itself."""
    prelude = "import os, signal, sys, threading, time\nimport gerador\n"
    return subprocess.run([sys.executable, "-c", prelude + code, *arguments],
                          capture_output=True, text=True, timeout=60, **options)


def test_first_calls_from_several_threads_do_not_deadlock():
    # Four first generate() calls at once hung: one thread imported numpy inside a one-time
    # set-up that the others waited for holding the GIL.
    code = f"""
threads = [threading.Thread(target=gerador.generate, kwargs=dict(task_seed=seed, **{SMALL}))
           for seed in range(4)]
[thread.start() for thread in threads]
[thread.join() for thread in threads]
"""
    for _ in range(3):
        assert run_python(code).returncode == 0


# Ctrl-C comes from a thread; Python runs its handler on the main thread, which made the call.
def test_ctrl_c_stops_generate_and_a_write_before_its_files_are_complete(tmp_path):
    # Both once waited for the whole search, and the write then raised with its files complete.
    code = """
instance = gerador.generate(count=300, max_tasks=8, accept_percent=0)
threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT)).start()
try:
    instance.write(sys.argv[1])
except KeyboardInterrupt:
    print(os.path.exists(sys.argv[1]))
threading.Timer(0.5, os.kill, (os.getpid(), signal.SIGINT)).start()
started = time.monotonic()
try:
    gerador.generate(count=600, max_tasks=8, accept_percent=0, max_columns=5_000_000)
except KeyboardInterrupt:
    print(time.monotonic() - started < 10)
"""
    result = run_python(code, str(tmp_path / "out"))
    assert result.stdout.split() == ["False", "True"], result.stderr


def test_ctrl_c_while_a_write_commits_leaves_its_files_and_warns(tmp_path):
    # The commit waits for the folder's lock, its files complete, when the signal comes.
    code = f"""
import fcntl, warnings
folder = sys.argv[1]
os.mkdir(folder)
lock = os.open(folder, os.O_RDONLY)
fcntl.flock(lock, fcntl.LOCK_EX)

def interrupt_at_the_commit():
    while not any("->" in line for line in open("/proc/locks").readlines()):
        time.sleep(0.01)
    os.kill(os.getpid(), signal.SIGINT)
    time.sleep(0.3)
    os.close(lock)

instance = gerador.generate(**{TINY})
threading.Thread(target=interrupt_at_the_commit, daemon=True).start()
with warnings.catch_warnings(record=True) as caught:
    warnings.simplefilter("always", RuntimeWarning)
    instance.write(folder, column_file="c.txt")
print([warning.category.__name__ for warning in caught])
"""
    result = run_python(code, str(tmp_path / "out"))
    assert result.stdout.split() == ["['RuntimeWarning']"], result.stderr
    gerador.generate(**TINY).write(str(tmp_path / "alone"), column_file="c.txt")
    assert (tmp_path / "out/c.txt").read_bytes() == (tmp_path / "alone/c.txt").read_bytes()


def test_ctrl_c_in_the_integer_search_is_an_interrupt():
    # Ctrl-C reaches the search's own process too; its death read "memory may have run out".
    code = """
import contextlib
def children():
    for entry in filter(str.isdigit, os.listdir("/proc")):
        with contextlib.suppress(OSError), open(f"/proc/{entry}/stat") as stat:
            if int(stat.read().rsplit(")", 1)[1].split()[1]) == os.getpid():
                yield int(entry)

def interrupt_the_searches():
    while True:
        for child in children():
            time.sleep(0.02)  # past the moment it still has the parent's handler
            with contextlib.suppress(ProcessLookupError):
                os.kill(child, signal.SIGINT)
        time.sleep(0.002)

instance = gerador.generate(count=120, max_tasks=7)
threading.Thread(target=interrupt_the_searches, daemon=True).start()
try:
    instance.solve(model="cover", seconds=30)
except KeyboardInterrupt:
    print("interrupted")
"""
    assert run_python(code).stdout.split() == ["interrupted"]


def test_settings_are_checked_by_the_command_line_rules():
    for keywords, words in [(dict(count=-1), "--count -1"), (dict(bogus=1), "--bogus"),
                            (dict(min_tasks=20, max_tasks=13), "--max-tasks 13"),
                            (dict(model="set"), "--model set")]:
        with pytest.raises(ValueError, match=words):
            gerador.generate(**keywords)


@pytest.mark.parametrize("language,words", [("en", "not a whole number"), ("pt", "não é um número inteiro")])
def test_errors_speak_the_language_asked_for(language, words):
    with pytest.raises(ValueError, match=words):
        gerador.generate(count="many", language=language)


def test_settings_give_the_instance_again():
    instance = gerador.generate(plant=True, **SMALL)
    again = gerador.generate(**instance.settings)
    assert (again.matrix != instance.matrix).nnz == 0
    assert np.array_equal(again.cost, instance.cost)
    assert instance.planted is not None and len(instance.planted) > 0


def test_generator_follows_the_series_rule(tmp_path):
    options = [f"--{key.replace('_', '-')}={value}" for key, value in SMALL.items()]
    run_program(tmp_path, "--series", "3", *options)
    instance = gerador.InstanceGenerator(**SMALL).instance(3)
    lines = column_file_lines(tmp_path / "003" / "150_3304438.txt")
    assert int(lines[1]) == instance.matrix.shape[1]
    assert [int(field) for field in lines[3].split()][1] == instance.cost[0]
    generator = gerador.InstanceGenerator(**SMALL)
    generator.seed(3)
    assert np.array_equal(next(generator).cost, instance.cost)


def test_two_threads_generate_what_one_does():
    seeds = [3, 4]
    alone = [gerador.generate(task_seed=seed, **SMALL).cost for seed in seeds]
    together = [None, None]

    def make(index):
        together[index] = gerador.generate(task_seed=seeds[index], **SMALL).cost

    threads = [threading.Thread(target=make, args=(index,)) for index in range(2)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for index in range(2):
        assert np.array_equal(alone[index], together[index])


@pytest.mark.parametrize("keywords,model", [
    (dict(count=20, max_tasks=5, location_count=6, depot_count=2, task_seed=1), "partition"),
    (dict(count=20, max_tasks=5, location_count=6, depot_count=2, task_seed=1), "cover"),
    (dict(count=20, max_tasks=5, location_count=6, depot_count=2, task_seed=2), "elastic"),
    (dict(count=20, max_tasks=5, min_tasks=1, location_count=6, depot_count=2, plant=True),
     "partition"),
])
def test_solve_agrees_with_scipy(keywords, model):
    instance = gerador.generate(**keywords)
    solution = instance.solve(model=model, seconds=30)
    assert isinstance(solution, gerador.Solution) and solution.status == solution["status"]
    # The summary is the command line's report: its counts are the matrix's.
    assert instance.summary["columns"]["total"] == instance.matrix.shape[1]
    assert sum(instance.summary["coverage"]["byTask"]) == instance.matrix.nnz
    matrix = instance.matrix.astype(float)
    cost = instance.cost.astype(float)
    tasks = matrix.shape[0]
    if model == "elastic":
        every_slack = instance.check([], model="elastic", slack_tasks=list(range(tasks)))
        slack = every_slack["cost"] // tasks
        matrix = scipy.sparse.hstack([matrix, scipy.sparse.identity(tasks)]).tocsc()
        cost = np.concatenate([cost, np.full(tasks, float(slack))])
    upper = np.inf if model == "cover" else 1
    constraint = scipy.optimize.LinearConstraint(matrix, 1, upper)
    milp = scipy.optimize.milp(cost, constraints=constraint, integrality=np.ones(len(cost)),
                               bounds=scipy.optimize.Bounds(0, 1))
    relaxation = scipy.optimize.milp(cost, constraints=constraint,
                                     bounds=scipy.optimize.Bounds(0, 1))
    if milp.status == 2:  # infeasible
        assert solution["status"] in ("infeasible", "unknown")
        return
    assert milp.status == 0
    assert solution["status"] == "optimal"
    assert solution["objective"] == round(milp.fun)
    assert abs(solution["lp_value"] - relaxation.fun) < 1e-6
    findings = instance.check(solution["columns"], model=model,
                              slack_tasks=solution["slack_tasks"])
    assert findings["valid"], findings["problems"]


def test_files_are_the_same_under_a_decimal_comma_locale(tmp_path):
    # The column file's depot weights and the picture's coordinates once took the comma.
    instance = gerador.generate(plant=True, **SMALL)

    def written(folder):
        instance.write(str(folder), mps="m.mps", orlib="o.txt", solution="s.sol",
                       tasks_csv="t.csv", trips_csv="v.csv", report="r.json", svg="p.svg",
                       trip_write_file=True, task_write_file=True)
        report = json.loads((folder / "r.json").read_text())
        del report["run"]  # its times
        (folder / "r.json").write_text(json.dumps(report))
        return {path.name: path.read_bytes() for path in folder.rglob("*") if path.is_file()}

    with_point = written(tmp_path / "point")
    previous = locale.setlocale(locale.LC_ALL)
    try:
        locale.setlocale(locale.LC_ALL, "pt_BR.UTF-8")
    except locale.Error:
        if os.environ.get("CI") == "true":
            raise
        pytest.skip("the pt_BR.UTF-8 locale is not installed")
    try:
        with_comma = written(tmp_path / "comma")
    finally:
        locale.setlocale(locale.LC_ALL, previous)
    assert len(with_point) == 10 and with_comma == with_point


def test_solve_limits_follow_the_command_line():
    # Once taken as given: no time, a NaN, or one so large that the solve stopped at once.
    instance = gerador.generate(**TINY)
    for seconds in (-1, 0, float("nan"), float("inf"), 1e10):
        with pytest.raises(ValueError, match="--solve-seconds"):
            instance.solve(seconds=seconds)
    assert instance.solve(model="elastic", seconds=1e7).status == "optimal"


def test_write_refuses_folders_that_cannot_be_and_leaves_none_it_made(tmp_path):
    # These once raised the standard library's own "filesystem error".
    instance = gerador.generate(**TINY)
    regular_file = tmp_path / "file"
    regular_file.write_text("not a folder\n")
    for folder, error in [("", ValueError), (str(regular_file), ValueError),
                          (str(regular_file / "below"), NotADirectoryError)]:
        with pytest.raises(error):
            instance.write(folder)
    # A write that fails once its folders are made once left them behind, empty.
    with pytest.raises(RuntimeError):
        instance.write(str(tmp_path / "made" / "deeper"), column_file="missing/c.txt")
    assert sorted(path.name for path in tmp_path.iterdir()) == ["file"]


def test_picture_and_summary_honour_an_unusable_tmpdir_as_python_does():
    # TMPDIR naming no folder once failed with "filesystem error"; Python's tempfile then
    # uses the system's temporary folder.
    code = f"""
instance = gerador.generate(**{TINY})
print(instance._repr_svg_().startswith("<?xml"), instance.summary["columns"]["total"] > 0)
"""
    result = run_python(code, env=dict(os.environ, TMPDIR="/nonexistent/folder"))
    assert result.stdout.split() == ["True", "True"], result.stderr


def test_tables_and_picture():
    instance = gerador.generate(**SMALL)
    tasks = instance.tasks
    assert len(tasks["number"]) == 30 and tasks["start"].dtype == np.dtype("datetime64[m]")
    assert (tasks["end"] > tasks["start"]).all()
    assert instance.trips["distance"].shape == (6, 6)
    assert "<svg" in instance._repr_svg_()[:200]
    assert "30 tasks" in repr(instance)


def test_columns_in_batches_are_the_matrix():
    instance = gerador.generate(**SMALL)
    blocks = list(gerador.columns(batch=7, **SMALL))
    assert [first for first, _, _ in blocks] == list(range(0, instance.matrix.shape[1], 7))
    matrix = scipy.sparse.hstack([block for _, block, _ in blocks]).tocsc()
    assert (matrix != instance.matrix).nnz == 0
    assert np.array_equal(np.concatenate([cost for _, _, cost in blocks]), instance.cost)
    # Left after one batch: the run stops, and nothing hangs.
    batches = gerador.columns(batch=3, **SMALL)
    next(batches)
    del batches


def test_columns_of_a_large_instance_stay_within_memory():
    # In a process of its own, whose peak is its memory's own high-water mark: the rusage
    # figure counts the pages the forking test process held, exec or not.
    code = """
import gerador
columns = 0
for first, block, cost in gerador.columns(batch=100_000, count=200):
    assert first == columns and len(cost) == block.shape[1]
    columns += block.shape[1]
peak = next(line for line in open("/proc/self/status") if line.startswith("VmHWM:"))
print(columns, peak.split()[1])
"""
    result = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                            check=True)
    columns, peak_kb = (int(word) for word in result.stdout.split())
    assert columns == 30087321
    assert peak_kb < 400 * 1024
