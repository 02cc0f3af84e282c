"""Tervix from Python: a camera's image, its MRTD by the model observer, and the ranges it gives.

Run it whole (python3 docs/notebook_example.py) or cell by cell in a notebook or an editor that
reads "# %%" cells. TERVIX_DATA names the folder with the shipped cameras, mira.tag and
Atmosphere.ini: data/ in the source tree (the default beside this script), or share/tervix/ where
the bench is installed. The same measurement on the command line:

    tervix-cli mrtd --camera camera1.par --target mira.tag --atmosphere Atmosphere.ini \\
               --observer human --seed 7 --repeats 4 --json
"""

# %% The bench: a camera, the standard four-bar target and the atmosphere.
import os
from pathlib import Path

import numpy as np
import tervix

here = Path(globals().get("__file__", "docs/notebook_example.py")).resolve().parent
DATA = Path(os.environ.get("TERVIX_DATA", here.parent / "data"))
CAMERA, OBSERVER, SEED, REPEATS = "camera1.par", "human", 7, 4

bench = tervix.Bench(DATA / CAMERA, DATA / "mira.tag", atmosphere=DATA / "Atmosphere.ini")
print(bench, f"pixel pitch {bench.ifov_mrad:.3f} mrad")

# %% The image at 1 cycle/mrad and +0.24 K, as NumPy arrays (rows top first).
images = bench.render(frequency=1.0, dt=0.24, seed=SEED, frame=True)
sensor, display = images["sensor"], images["display"]
print(f"sensor {sensor.shape} {sensor.dtype}: signal {sensor.min():.6g} ... {sensor.max():.6g}")
print(f"display {display.shape} {display.dtype}: grey {display.min()} ... {display.max()}")
print(f"one live frame's noise: grey sd {np.std(images['frame'].astype(float) - display):.2f}")

# %% The MRTD by the model observer: one record per frequency.
mrtd = bench.measure_mrtd(observer=OBSERVER, seed=SEED, repeats=REPEATS)
try:
    import pandas

    table = pandas.DataFrame(mrtd)
    print(table[["frequency_cy_per_mrad", "mrtd_k", "mrtd_ci95_low_k", "mrtd_ci95_high_k", "mrtd_outcome"]])
except ImportError:
    for row in mrtd:
        print(f"{row['frequency_cy_per_mrad']:4} cy/mrad  MRTD {row['mrtd_k']} K  ({row['mrtd_outcome']})")

# %% Ranges from the measured curve. Vertical bars give the horizontal MRTD; no value is NaN.
frequency = np.array([row["frequency_cy_per_mrad"] for row in mrtd])
mrtd_h = np.array([np.nan if row["mrtd_k"] is None else row["mrtd_k"] for row in mrtd])
ranges = tervix.predict_ranges(frequency, mrtd_h, ifov_mrad=bench.ifov_mrad, target="nato", extinction="clear")
for task in ranges["tasks"]:
    if not task["bound"]:
        print(f"{task['task']:15} {task['range_km']:.2f} km")
    elif task["high_km"] is None:
        print(f"{task['task']:15} at least {task['low_km']:.2f} km ({task['limited_by']})")
    else:
        print(f"{task['task']:15} {task['low_km']:.2f}..{task['high_km']:.2f} km ({task['limited_by']})")
for note in ranges["notes"]:
    print("note:", note)
