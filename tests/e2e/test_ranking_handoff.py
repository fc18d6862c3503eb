"""The ranking registration as a person makes it: a high score played and named in the real program,
the records panel opened from the information point, the game's page turned to and its ranking
button clicked. The browser is the stand-in script, which records the address; the address is
decoded here from the packet table, checked against the records the program saved, and sent to the
ranking page on 127.0.0.1 on each store (SQLite and PostgreSQL), whose page then lists the score."""
import re

from conftest import REPO, reg_get, reg_set, wait_for
from screens import park_mouse, point_centre as centre, wait_screen
from test_frontend import NAME_DIALOG, SCORE, decode_record, install, name_the_high_score
from test_ranking_server import BUILT_IN, PAGE, REGIST, get, packet_of

STAND_IN_BROWSER = REPO / "tests" / "support" / "record-url.sh"
INFORMATION_POINT = (165, 151)
RIGHT_BUTTON = (490 + 115 // 2, 243 + 26 // 2)
RANKING_BUTTON = (172 + 123 // 2, 292 + 44 // 2)
GAME_PAGE = [("sys_logo.bmp", SCORE, 357, 66, None, 0.95), ("b_right.bmp", None, 490, 243, None, 0.99)]
MAIN_RECORD_BYTES, GAME_RECORD_BYTES = 52, 448


def u32(data, at):
    return int.from_bytes(data[at:at + 4], "little")


def test_the_ranking_button_hands_the_named_score_to_the_browser_and_the_page_ranks_it(robina, window_manager,
                                                                                         ranking_servers):
    reg_set("Browsers", str(STAND_IN_BROWSER).encode() + b"\0", key="Software\\Wine\\WineBrowser")
    install(robina, SCORE)
    robina.start("/q", answers={NAME_DIALOG: 0})  # the name dialog is answered by hand
    park_mouse()
    wait_screen(robina, "menu")
    robina.click(*centre(160, 240))
    name_the_high_score(robina, "ROBIN")
    park_mouse()
    wait_screen(robina, "menu")

    robina.click(*INFORMATION_POINT)
    park_mouse()
    wait_screen(robina, "records overall page")
    robina.click(*RIGHT_BUTTON)
    park_mouse()
    wait_screen(robina, "score game's records page", GAME_PAGE)
    robina.click(*RANKING_BUTTON)
    browsed = robina.folder / "browsed.txt"
    address = wait_for(lambda: browsed.exists() and browsed.read_text().strip(), what="an address in browsed.txt",
                       seen=lambda: {"running": robina.running(), "log tail": robina.log()[-300:]})
    assert re.fullmatch(re.escape(BUILT_IN + REGIST) + "[0-9A-F]{84}", address), address
    assert f"ranking: {address}\n" in robina.log()

    digits = address[-84:]
    packet, key = packet_of(digits)
    main = decode_record(reg_get("RBSV100"), MAIN_RECORD_BYTES)
    game = decode_record(reg_get("score100"), GAME_RECORD_BYTES)
    assert 41 <= key <= 184
    fields = {"shell version": packet[7], "user id": u32(packet, 8), "game id": bytes(packet[12:16]),
              "version": packet[16], "top score": u32(packet, 17), "collected": u32(packet, 21),
              "zero": packet[28], "checksum": u32(packet, 29)}
    assert fields == {"shell version": main[24], "user id": u32(main, 0), "game id": b"scor",
                      "version": game[24], "top score": 1234, "collected": u32(main, 28),
                      "zero": 0, "checksum": sum(packet[:28])}
    assert u32(game, 0) == u32(main, 0) and u32(game, 208) == 1234  # the records the packet is made from

    player = f"プレイヤー {u32(main, 0):08X}"
    for store, server in ranking_servers.items():
        assert get(server + REGIST + digits)[0] == 200, store
        listed = get(server + PAGE + "?game=scor")[1]
        assert re.search(rf"<h2>scor</h2>.*?<td>1位</td><td>{player}</td><td class=\"score\">1,234<", listed), \
            (store, listed)
    assert robina.running(), robina.log()[-300:]  # the hand-off leaves the program at its panel
