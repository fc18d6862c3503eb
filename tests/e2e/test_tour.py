"""The scripted tour of tools/tour.py, shortened, as `make tour` runs it: it ends by itself, its video
decodes with sound that is not silent, and each screenshot shows the screen of its stop."""
import json
import subprocess
import sys

import numpy as np
from PIL import Image

from conftest import REPO, WIN

sys.path.insert(0, str(REPO / "tools"))
import tour  # noqa: E402


def probe(video):
    out = subprocess.run(["ffprobe", "-v", "error", "-print_format", "json", "-show_format", "-show_streams",
                          str(video)], check=True, stdout=subprocess.PIPE, text=True).stdout
    return json.loads(out)


def loudness(video):
    """Root mean square of the decoded sound track, 16-bit samples."""
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", str(video), "-map", "0:a", "-f", "s16le", "-ac", "1",
                          "-"], check=True, stdout=subprocess.PIPE).stdout
    samples = np.frombuffer(raw, np.int16).astype(float)
    return float(np.sqrt((samples ** 2).mean())) if samples.size else 0.0


# stop shot: the screen it shows
STOPS = {"first-logo": "first logo", "second-logo": "second logo", "menu": "menu", "records": "records",
         "game-records": "records", "menu-again": "menu"}


def test_the_short_tour_ends_by_itself_with_a_video_with_sound_and_a_picture_of_each_stop(tmp_path, clean_profile):
    folder = tmp_path / "run"
    folder.mkdir()
    (folder / "Robina.exe").write_bytes((WIN / "Robina.exe").read_bytes())
    for game in (WIN / "games").glob("*.VYG"):
        (folder / game.name).write_bytes(game.read_bytes())
    result = subprocess.run([sys.executable, str(REPO / "tools" / "tour.py"), "--folder", str(folder), "--short"],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=400)
    assert result.returncode == 0, result.stdout[-2000:]
    assert f"video:         {folder / 'tour.mp4'}" in result.stdout

    info = probe(folder / "tour.mp4")
    kinds = {s["codec_type"]: s for s in info["streams"]}
    assert (kinds["video"]["width"], kinds["video"]["height"]) == (640, 360)
    assert 25 < float(info["format"]["duration"]) < 240
    assert loudness(folder / "tour.mp4") > 100

    shots = {p.stem.split("-", 1)[1]: p for p in (folder / "tour").glob("*.png")}
    assert {"first-logo", "title", "menu", "hover-hayaoshi", "records", "game", "name-entry"} <= set(shots)
    for stop, screen in STOPS.items():
        assert tour.showing(np.asarray(Image.open(shots[stop]).convert("RGB")), screen), stop
    sheet = Image.open(folder / "tour.png")
    assert sheet.width > 1200 and sheet.height > 3 * 180
