"""The Python module against tervix-cli: the same files and settings give the same images, MRTDs,
ranges and refusals; the example in docs/ runs; a long measurement leaves the interpreter free."""
import json
import os
import runpy
import signal
import subprocess
import threading
import time
from pathlib import Path

import numpy as np
import pytest
from PIL import Image

import tervix

CLI = os.environ["TERVIX_CLI_PATH"]
DATA = Path(os.environ["TERVIX_SHIPPED_DATA_DIR"])
TEST_DATA = Path(os.environ["TERVIX_TEST_DATA_DIR"])
FILES = {"camera": DATA / "camera4.par", "target": DATA / "mira.tag", "atmosphere": DATA / "Atmosphere.ini"}
FILE_OPTIONS = [f"--{role}={path}" for role, path in FILES.items()]
SESSION = TEST_DATA / "three_observers_session.json"
MALFORMED_SESSION = TEST_DATA / "session" / "malformed" / "Truncated.json"


def tool(*args, cwd=None):
    return subprocess.run([CLI, *map(str, args)], capture_output=True, text=True, cwd=cwd)


@pytest.mark.parametrize("model, orientation, frequency, dt, seed",
                         [("physical", "vertical", 2.0, 0.3, 5), ("specified", "horizontal", 0.5, -0.12, 9)])
def test_render_gives_the_tools_images(tmp_path, model, orientation, frequency, dt, seed):
    bench = tervix.Bench(**FILES, model=model, orientation=orientation)
    images = bench.render(frequency=frequency, dt=dt, seed=seed, frame=True)
    run = tool("render", *FILE_OPTIONS, "--model", model, "--orientation", orientation, "--frequency", frequency,
               "--dt", dt, "--seed", seed, "--out", tmp_path / "display.png", "--sensor", tmp_path / "sensor.pfm",
               "--frame", tmp_path / "frame.png")
    assert run.returncode == 0, run.stderr
    _, size, _, pixels = (tmp_path / "sensor.pfm").read_bytes().split(b"\n", 3)
    width, height = map(int, size.split())
    # The PFM file keeps its rows bottom-up; the arrays hold them as the picture is seen.
    assert images["sensor"].dtype == np.float32
    assert np.array_equal(images["sensor"], np.frombuffer(pixels, "<f4").reshape(height, width)[::-1])
    for key in ("display", "frame"):
        assert images[key].dtype == np.uint8
        assert np.array_equal(images[key], np.asarray(Image.open(tmp_path / f"{key}.png"))), key


def test_the_examples_mrtd_equals_the_tools():
    example = runpy.run_path(str(Path(os.environ["TERVIX_DOCS_DIR"]) / "notebook_example.py"))
    run = tool("mrtd", f"--camera={DATA / example['CAMERA']}", *FILE_OPTIONS[1:], "--observer", example["OBSERVER"],
               "--seed", example["SEED"], "--repeats", example["REPEATS"], "--json")
    assert run.returncode == 0, run.stderr
    expected = json.loads(run.stdout)["frequencies"]
    assert [row["frequency_cy_per_mrad"] for row in example["mrtd"]] == [row["frequency"] for row in expected]
    for ours, theirs in zip(example["mrtd"], expected):
        for prefix, key in (("mrtd", "mrtd"), ("mrtd_plus", "mrtdPlus"), ("mrtd_minus", "mrtdMinus")):
            summary = theirs[key]
            interval = [ours[f"{prefix}_ci95_low_k"], ours[f"{prefix}_ci95_high_k"]]
            assert (ours[f"{prefix}_k"], ours[f"{prefix}_sd_k"], interval if interval[0] is not None else None) == \
                (summary["mean"], summary["sd"], summary["ci95"]), (ours["frequency_cy_per_mrad"], prefix)
            assert [ours[f"{prefix}_{k}"] for k in ("resolved_count", "repeats_count", "outcome")] == \
                [summary[k] for k in ("resolved", "repeats", "outcome")]
        assert (ours["classic_k"], ours["classic_human_k"], ours["camera_curve_k"]) == \
            (theirs["classic"], theirs["classicHuman"], theirs["cameraCurve"])


ARRAYS = {"frequency": [0.5, 1.0, 1.5, 2.0, 3.0, 4.0], "mrtd_h": [0.02, 0.03, 0.05, 0.1, 0.4, np.nan],
          "mrtd_v": [0.025, 0.045, np.nan, 0.12, 0.5, 0.9]}
SCENARIO = ({"target": (1.8, 0.5), "extinction": 0.5, "criteria": "2d", "probabilities": (0.8,), "v50": (3, 15, 22)},
            ["--target", "1.8,0.5", "--extinction", "0.5", "--criteria", "2d", "--probability", "0.8",
             "--v50", "3,15,22"])


@pytest.mark.parametrize("source, scenario, options", [
    ({"session": SESSION}, {}, ["--session", SESSION]),
    ({"camera": DATA / "camera2.par"}, {"dimension": "min", "dt": 1.5}, ["--camera", DATA / "camera2.par",
                                                                          "--dimension", "min", "--dt", "1.5"]),
    ({key: np.array(values) for key, values in ARRAYS.items()}, SCENARIO[0], ["--mrtd", "table.csv", *SCENARIO[1]]),
], ids=["session", "camera", "arrays"])
def test_predict_ranges_gives_the_tools_ranges(tmp_path, source, scenario, options):
    rows = zip(*ARRAYS.values())
    (tmp_path / "table.csv").write_text("".join(",".join("" if np.isnan(v) else repr(v) for v in row) + "\n"
                                                for row in rows))
    ours = tervix.predict_ranges(**source, **scenario)
    run = tool("range", *options, "--json", cwd=tmp_path)
    assert run.returncode == 0, run.stderr
    theirs = json.loads(run.stdout)
    assert len(ours["tasks"]) == len(theirs["tasks"]) > 0
    for task, expected in zip(ours["tasks"], theirs["tasks"]):
        interval = [task["ci95_low_km"], task["ci95_high_km"]]
        assert (task["task"], task["range_km"], task["high_km"], task["limited_by"],
                interval if interval[0] is not None else None, task["frequency_cy_per_mrad"], task["pixels"]) == \
            (expected["task"], expected["rangeKm"], expected["highKm"], expected["limitedBy"], expected["ci95Km"],
             expected["frequency"], expected["pixels"])
        assert {repr(float(k[len("range_p"):-len("_km")]) / 100): v for k, v in task.items()
                if k.startswith("range_p")} == \
            {p: r["rangeKm"] for p, r in expected["ranges"].items()}
    assert [(t["task"], t["range_km"], t["high_km"], t["limited_by"]) for t in ours["ttp"]] == \
        [(t["task"], t["rangeKm"], t["highKm"], t["limitedBy"]) for t in theirs["ttp"]]
    assert ours["notes"] == theirs["notes"]


def test_read_session_gives_each_reading_as_the_file_holds_it(tmp_path):
    session = json.loads((TEST_DATA / "report_many_groups_session.json").read_text())
    session["readings"][1]["display"] = {"automatic": False, "level": 420, "contrast": 610, "zoom": 2.0,
                                         "magnifier": 4}
    (tmp_path / "session.json").write_text(json.dumps(session))
    records = tervix.read_session(tmp_path / "session.json")
    assert len(records) == len(session["readings"])
    names = {"camera_file": "cameraFile", "image_model": "imageModel", "frequency_cy_per_mrad": "frequency",
             "delta_t_k": "deltaT"}
    for record, reading in zip(records, session["readings"]):
        for key in ("time", "observer", "slot", "orientation", "half", *names):
            assert record[key] == reading.get(names.get(key, key)), key
        assert record["recognised"] == ("deltaT" in reading)
        for part in ("display", "struck"):
            fields = reading.get(part, {})
            assert {k.removeprefix(part + "_"): v for k, v in record.items()
                    if k.startswith(part + "_") and (v is not None or fields)} == fields
    assert sum(r["struck"] for r in records) == sum("struck" in r for r in session["readings"]) > 0


# Each refusal is the tool's own line, without the tool's name.
@pytest.mark.parametrize("call, options", [
    (lambda: tervix.Bench(DATA / "absent.par", FILES["target"]), ["render", "--camera", DATA / "absent.par"]),
    (lambda: tervix.Bench(FILES["camera"], "absent.tag"), ["render", "--camera", FILES["camera"], "--target",
                                                           "absent.tag"]),
    (lambda: tervix.read_session(MALFORMED_SESSION), ["session", MALFORMED_SESSION]),
    (lambda: tervix.predict_ranges(session=MALFORMED_SESSION), ["range", "--session", MALFORMED_SESSION]),
], ids=["camera", "target", "session", "range"])
def test_a_refusal_carries_the_tools_message(tmp_path, call, options):
    run = tool(*options, *(["--out", tmp_path / "image.png"] if options[0] == "render" else []))
    assert run.returncode == 1
    with pytest.raises(tervix.Error) as refused:
        call()
    assert str(refused.value) == run.stderr.strip().removeprefix("tervix-cli: ")


@pytest.mark.parametrize("call", [
    lambda b: tervix.Bench(**FILES, model="exact"),
    lambda b: tervix.Bench(**FILES, orientation="diagonal"),
    lambda b: b.render(frequency=0.7),
    lambda b: b.render(dt=2.5),
    lambda b: b.measure_mrtd(observer="owl"),
    lambda b: b.measure_mrtd(repeats=0),
    lambda b: b.measure_mrtd(threshold_snr=float("nan")),
    lambda b: b.measure_mrtd(level=1001),
    lambda b: b.measure_mrtd(frequencies=[1000.0]),
    lambda b: tervix.predict_ranges([1.0], [0.1], session=SESSION),
    lambda b: tervix.predict_ranges([1.0, 2.0], [0.1]),
    lambda b: tervix.predict_ranges([1.0, -2.0], [0.1, 0.2]),
    lambda b: tervix.predict_ranges(session=SESSION, target="tank"),
    lambda b: tervix.predict_ranges(session=SESSION, probabilities=(1.5,)),
])
def test_a_wrong_argument_is_a_value_error_before_any_work(call):
    with pytest.raises(ValueError):
        call(tervix.Bench(**FILES))


def test_a_measurement_leaves_the_interpreter_free_and_stops_on_ctrl_c():
    bench = tervix.Bench(**FILES)
    measured = []
    worker = threading.Thread(target=lambda: measured.append(bench.measure_mrtd(repeats=2, frequencies=[1.0])))
    worker.start()
    ticks = 0
    while worker.is_alive():
        ticks += 1
        time.sleep(0.001)
    assert len(measured[0]) == 1 and ticks > 10

    previous = signal.signal(signal.SIGINT, signal.default_int_handler)
    timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
    started = time.monotonic()
    try:
        timer.start()
        with pytest.raises(KeyboardInterrupt):
            bench.measure_mrtd(repeats=1000, threads=1)
    finally:
        signal.signal(signal.SIGINT, previous)
    assert time.monotonic() - started < 10
