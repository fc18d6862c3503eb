"""The ranking page against an address the program itself sent: the in-process registration test
of test_ranking.exe hands its address to the stand-in browser, and that address goes to the server on
127.0.0.1. Forged or broken addresses are refused with 400 and change nothing; the page is looked
at in a real headless browser.

The packet is read and rewritten here from its table, independently of the server's decoder.
"""
import pathlib
import re
import subprocess
import sys
import urllib.error
import urllib.request

import pytest

from conftest import REPO, WIN, wine

SERVER = REPO / "tools" / "ranking" / "ranking_server.py"
REGIST = "/robina/ranking/regist.asp"
PAGE = "/robina/ranking/"
SENT_SCORE = "4,321"     # the top score test_ranking stores for its game "rkgame"


def unscramble(digits):
    key = int(digits[56:58], 16)
    packet = bytearray()
    for j in range(42):
        y = int(digits[2 * j:2 * j + 2], 16)
        packet.append(((y if j == 28 else y - (j + 1) * key) % 256) ^ key)
    return packet, key


def scramble(packet, key):
    return "".join(f"{((b ^ key) + (0 if j == 28 else (j + 1) * key)) % 256:02X}" for j, b in enumerate(packet))


def rewritten(digits, at, value, size=4, reseal=True):
    """The digits with a field rewritten and (reseal) the checksum made right again."""
    packet, key = unscramble(digits)
    packet[at:at + size] = value.to_bytes(size, "little")
    if reseal:
        packet[29:33] = sum(packet[:28]).to_bytes(4, "little")
    return scramble(packet, key)


def get(url):
    try:
        with urllib.request.urlopen(url, timeout=30) as answer:
            return answer.status, answer.read().decode("utf-8")
    except urllib.error.HTTPError as refusal:
        return refusal.code, refusal.read().decode("utf-8")


@pytest.fixture(scope="module")
def server(tmp_path_factory):
    db = tmp_path_factory.mktemp("ranking") / "ranking.sqlite"
    process = subprocess.Popen([sys.executable, str(SERVER), "--port", "0", "--db", str(db)],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    page = process.stdout.readline().strip()
    assert page.startswith("http://127.0.0.1:") and page.endswith(PAGE), page
    yield page[:-len(PAGE)]
    process.terminate()
    process.wait(timeout=10)


@pytest.fixture(scope="module")
def sent_digits(tmp_path_factory):
    folder = tmp_path_factory.mktemp("registration")
    wine([WIN / "tests" / "test_ranking.exe", "--gtest_filter=Ranking.TheBrowserGets*"], cwd=folder, timeout=120)
    browsed = folder / "browsed.txt"
    assert browsed.exists(), "the program handed no address to the browser"
    address = browsed.read_text().splitlines()[0]
    match = re.fullmatch(r"http://[^?]+/robina/ranking/regist\.asp\?user=([0-9A-F]{84})", address)
    assert match, address
    return match.group(1)


def test_the_sent_score_is_ranked_and_forged_or_broken_ones_change_nothing(server, sent_digits):
    status, answer = get(server + REGIST + "?user=" + sent_digits)
    assert status == 200, answer
    status, listed = get(server + PAGE)
    assert status == 200
    assert re.search(r"<h2>rkga</h2>.*1位</td><td>プレイヤー [0-9A-F]{8}</td><td class=\"score\">" + SENT_SCORE,
                     listed), listed
    score_digit = 2 * 17 + 1
    changed = sent_digits[:score_digit] + ("0" if sent_digits[score_digit] != "0" else "1") + sent_digits[score_digit + 1:]
    packet, _ = unscramble(sent_digits)
    checksum = int.from_bytes(packet[29:33], "little")
    forgeries = [
        ("changed digit", "user=" + changed, 400),
        ("wrong checksum", "user=" + rewritten(sent_digits, 29, checksum + 1, reseal=False), 400),
        ("score changed, checksum kept", "user=" + rewritten(sent_digits, 17, 9999, reseal=False), 400),
        ("other shell version", "user=" + rewritten(sent_digits, 7, 105, 1), 400),
        ("short query", "user=" + sent_digits[:-2], 400),
        ("overlong query", "user=" + sent_digits + "00", 400),
        ("lower-case digits", "user=" + sent_digits.lower(), 400),
        ("second parameter", "user=" + sent_digits + "&user=" + sent_digits, 400),
        ("replayed lower score", "user=" + rewritten(sent_digits, 17, 4000), 200),
        ("replayed same address", "user=" + sent_digits, 200),
    ]
    for name, query, expected in forgeries:
        status, answer = get(server + REGIST + "?" + query)
        assert status == expected, (name, answer)
        assert get(server + PAGE)[1] == listed, name
    assert "4,000" not in listed
    # A higher score of the same player replaces the best: the table really is live.
    assert get(server + REGIST + "?user=" + rewritten(sent_digits, 17, 5000))[0] == 200
    assert "5,000" in get(server + PAGE)[1]


def test_the_page_in_a_headless_browser(server, sent_digits, tmp_path):
    get(server + REGIST + "?user=" + sent_digits)
    shot = tmp_path / "ranking.png"
    flags = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
             "--disable-component-update", "--disable-sync", "--no-first-run",
             f"--user-data-dir={tmp_path / 'profile'}", "--window-size=700,520", "--hide-scrollbars"]
    dom = subprocess.run(["chromium", *flags, "--dump-dom", server + PAGE], capture_output=True, text=True,
                         timeout=120).stdout
    assert "ロビナ ランキング" in dom and "プレイヤー" in dom and re.search(r"[45],[03]\d\d", dom), dom
    subprocess.run(["chromium", *flags, f"--screenshot={shot}", server + PAGE], capture_output=True, timeout=120)
    assert shot.exists()
    from PIL import Image
    picture = Image.open(shot).convert("RGB")
    assert picture.size == (700, 520)
    colours = picture.getcolors(1 << 20)
    assert len(colours) > 50, "the page looks blank"
    keep = pathlib.Path(WIN.parent) / "ranking-page.png"
    picture.save(keep)
