"""The ranking page with an address the program sent (test_ranking.exe hands it to the stand-in
browser), served on 127.0.0.1 on each store: ranked and listed; forged or broken addresses change
nothing; the page in a real headless browser. The packet is rewritten here from its table, not by the
server."""
import re
import subprocess
import urllib.error
import urllib.request

import pytest
from PIL import Image

from conftest import BUILD, WIN, wait_for, wine

BUILT_IN = "http://ranking.robina.example"  # the program's own registration host
REGIST, PAGE = "/robina/ranking/regist.asp?user=", "/robina/ranking/"
GAME_PAGE = PAGE + "?game="


def packet_of(digits):
    """The 42 plain bytes of the 84 digits, and the key R that digits 56-57 carry."""
    key = int(digits[56:58], 16)
    return bytearray((((int(digits[2 * j:2 * j + 2], 16) - (0 if j == 28 else (j + 1) * key)) % 256) ^ key)
                     for j in range(42)), key


def rewritten(digits, at, value, size=4, reseal=True):
    p, key = packet_of(digits)
    p[at:at + size] = value.to_bytes(size, "little")
    if reseal:
        p[29:33] = sum(p[:28]).to_bytes(4, "little")
    return "".join(f"{((b ^ key) + (0 if j == 28 else (j + 1) * key)) % 256:02X}" for j, b in enumerate(p))


def get(url):
    try:
        with urllib.request.urlopen(url, timeout=30) as answer:
            return answer.status, answer.read().decode("utf-8")
    except urllib.error.HTTPError as refusal:
        return refusal.code, refusal.read().decode("utf-8")


@pytest.fixture(scope="module")
def sent(tmp_path_factory):
    folder = tmp_path_factory.mktemp("registration")
    wine([WIN / "tests/test_ranking.exe", "--gtest_filter=Ranking.TheBrowserGets*"], cwd=folder, timeout=120)
    # The stand-in browser runs apart from the program, and may write after it has ended.
    browsed = folder / "browsed.txt"
    address = wait_for(lambda: browsed.exists() and browsed.read_text().splitlines()[:1], what="browsed.txt")[0]
    assert re.fullmatch(re.escape(BUILT_IN + REGIST) + "[0-9A-F]{84}", address)
    return address[-84:]


@pytest.mark.parametrize("store", ["SQLite", "PostgreSQL"])
def test_the_sent_score_is_ranked_and_forged_or_broken_ones_change_nothing(ranking_servers, sent, store):
    server = ranking_servers[store]
    assert server.startswith("http://127.0.0.1:")
    assert get(server + REGIST + sent)[0] == 200
    listed = get(server + GAME_PAGE + "rkga")[1]
    assert re.search(r"<h2>rkga</h2>.*1位</td><td>プレイヤー [0-9A-F]{8}</td><td class=\"score\">4,321<", listed)
    assert re.search(r'\?game=rkga">rkga</a></td><td class="players">1</td><td class="score">4,321<',
                     get(server + PAGE)[1])
    digit = "0" if sent[35] != "0" else "1"
    for name, digits, status in [
            ("changed digit", sent[:35] + digit + sent[36:], 400),
            ("wrong checksum", rewritten(sent, 29, 0, reseal=False), 400),  # the sum holds 104 at least
            ("score changed, checksum kept", rewritten(sent, 17, 9999, reseal=False), 400),
            ("other shell version", rewritten(sent, 7, 105, 1), 400),
            ("short", sent[:-2], 400), ("overlong", sent + "00", 400), ("lower case", sent.lower(), 400),
            ("replayed lower score", rewritten(sent, 17, 4000), 200), ("replayed", sent, 200)]:
        assert get(server + REGIST + digits)[0] == status, name
        assert get(server + GAME_PAGE + "rkga")[1] == listed, name
    assert get(server + REGIST + rewritten(sent, 17, 5000))[0] == 200  # a better score replaces the best
    assert ">5,000<" in get(server + GAME_PAGE + "rkga")[1]


def test_the_page_in_a_headless_browser(ranking_servers, sent, tmp_path):
    server = ranking_servers["SQLite"]
    get(server + REGIST + sent)
    flags = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
             "--disable-component-update", "--disable-sync", "--no-first-run",
             f"--user-data-dir={tmp_path / 'profile'}", "--window-size=700,520", "--hide-scrollbars"]
    dom = subprocess.run(["chromium", *flags, "--dump-dom", server + GAME_PAGE + "rkga"], capture_output=True,
                         text=True, timeout=120).stdout
    assert "ロビナ ランキング" in dom and re.search(r"プレイヤー [0-9A-F]{8}</td><td class=\"score\">[45],[03]\d\d<", dom)
    shot = BUILD / "ranking-page.png"
    subprocess.run(["chromium", *flags, f"--screenshot={shot}", server + GAME_PAGE + "rkga"], capture_output=True,
                   timeout=120)
    picture = Image.open(shot).convert("RGB")
    assert picture.size == (700, 520) and len(picture.getcolors(1 << 20)) > 50, "the page looks blank"
