"""The ranking page of ポモのロビナ as a WSGI application.

    /robina/ranking/regist.asp?user=<84 digits>   registers a top score (see ranking_packet.py)
    /robina/ranking/                              the games by number of players, 50 a page (?page=N)
    /robina/ranking/?game=ID                      one game's top ten; ID as the pages show it
    /robina/ranking/api/top?game=ID               the same top ten as JSON, for other sites

ranking_server.py serves it with the standard library. Under gunicorn the store and the settings file
come from the environment: RANKING_DB (a SQLite file or a postgresql:// address, default
ranking.sqlite) and RANKING_SETTINGS (optional):

    gunicorn --chdir tools/ranking -w 4 -b 127.0.0.1:8080 -e RANKING_DB=postgresql:///ranking ranking_app:application
"""
import configparser
import dataclasses
import html
import json
import logging
import os
import re
import time
import urllib.parse

import ranking_packet
import ranking_store
from ranking_packet import Refused

REGIST_PATH = "/robina/ranking/regist.asp"
PAGE_PATH = "/robina/ranking/"
API_PATH = "/robina/ranking/api/top"
TOP = 10
GAMES_A_PAGE = 50
RETRY_SECONDS = 30          # what a 503 asks the browser to wait

log = logging.getLogger("ranking")

STATUS = {200: "200 OK", 400: "400 Bad Request", 404: "404 Not Found", 405: "405 Method Not Allowed",
          429: "429 Too Many Requests", 500: "500 Internal Server Error", 503: "503 Service Unavailable"}


@dataclasses.dataclass
class Settings:
    ceilings: dict = dataclasses.field(default_factory=lambda: {"": ranking_packet.DEFAULT_CEILING})
    per_minute: int = 30            # registrations a minute from one address; 0: no limit
    lock_wait: float = 15.0         # seconds a request waits for a locked store before its 503
    proxies: frozenset = frozenset({"127.0.0.1", "::1"})   # whose X-Forwarded-For names the client


def read_settings(path):
    """The settings file (see ranking.ini.example); None or a missing name gives the defaults."""
    settings = Settings()
    if not path:
        return settings
    parser = configparser.ConfigParser(interpolation=None)
    parser.optionxform = str        # game ids keep their case
    with open(path, encoding="utf-8") as file:
        parser.read_file(file)
    page = parser["ranking"] if parser.has_section("ranking") else {}
    settings.ceilings[""] = int(page.get("score_ceiling", settings.ceilings[""]))
    settings.per_minute = int(page.get("registrations_per_minute", settings.per_minute))
    settings.lock_wait = float(page.get("lock_wait_seconds", settings.lock_wait))
    settings.proxies = frozenset(page.get("trusted_proxies", " ".join(settings.proxies)).split())
    if parser.has_section("ceilings"):
        settings.ceilings.update((game, int(value)) for game, value in parser["ceilings"].items())
    return settings


STYLE = """
body { margin: 0; min-height: 100vh; font-family: "IPAPGothic", "IPAGothic", sans-serif; color: #46301c;
       background: linear-gradient(#fff0d6, #fac896); }
main { max-width: 640px; margin: 0 auto; padding: 24px 16px; }
h1 { margin: 0 0 16px; text-align: center; font-size: 30px; color: #fff8e8;
     text-shadow: 0 0 3px #8c4a1e, 2px 2px 0 #8c4a1e, -2px -2px 0 #8c4a1e, 2px -2px 0 #8c4a1e, -2px 2px 0 #8c4a1e; }
section { background: #fffaee; border-radius: 18px; padding: 12px 16px 16px; margin-bottom: 18px;
          box-shadow: 0 3px 0 #e6a064; }
h2 { margin: 4px 0 10px; font-size: 20px; white-space: pre-wrap; }
table { width: 100%; border-collapse: separate; border-spacing: 0 3px; }
th { background: linear-gradient(#ffe08a, #f0913c); color: #fff8e8; padding: 5px 10px; text-align: left;
     text-shadow: 1px 1px 0 #8c4a1e; }
th:first-child { border-radius: 8px 0 0 8px; } th:last-child { border-radius: 0 8px 8px 0; }
td { background: #462c1c; color: #fff3dc; padding: 5px 10px; white-space: pre-wrap; }
tr:nth-child(odd) td { background: #553824; }
td:first-child { border-radius: 6px 0 0 6px; width: 3em; } td:last-child { border-radius: 0 6px 6px 0; }
.score, .zumi, .players { text-align: right; font-variant-numeric: tabular-nums; }
.place1 td:first-child { color: #ffd24a; } .place2 td:first-child { color: #e2e6ee; }
.place3 td:first-child { color: #d68c50; }
tr.you td { background: #8c4a1e; }
td a { color: #ffd24a; }
.note { text-align: center; font-size: 18px; } .none { text-align: center; color: #8c6a50; }
nav { display: flex; justify-content: space-between; } a { color: #b04a1a; }
"""


def page(title, body):
    return (f'<!DOCTYPE html>\n<html lang="ja"><head><meta charset="utf-8"><title>{html.escape(title)}</title>'
            f"<style>{STYLE}</style></head><body><main><h1>{html.escape(title)}</h1>\n{body}</main></body></html>\n")


def game_link(game):
    return f"{PAGE_PATH}?game={urllib.parse.quote(game, safe='')}"


def places(rows):
    """Each row's place: players with the same score share it."""
    result = []
    for n, row in enumerate(rows, 1):
        result.append(result[-1] if result and rows[n - 2][1] == row[1] else n)
    return result


def top_section(game, players, rows, you=None):
    lines = "".join(
        f'<tr class="place{place}{" you" if user == you else ""}"><td>{place}位</td><td>プレイヤー {user:08X}</td>'
        f'<td class="score">{score:,}</td><td class="zumi">{zumi:,}</td></tr>'
        for place, (user, score, zumi) in zip(places(rows), rows))
    return (f'<section id="top"><h2>{html.escape(game)}</h2><p>{players:,}にんが とうろく</p><table>'
            f'<tr><th>順位</th><th>プレイヤー</th><th class="score">スコア</th><th class="zumi">ズミ</th></tr>'
            f"{lines}</table></section>")


def games_section(rows, first, more):
    if not rows:
        return '<p class="none">まだ だれも とうろくしていません。</p>'
    lines = "".join(
        f'<tr><td>{n}</td><td><a href="{html.escape(game_link(game))}">{html.escape(game)}</a></td>'
        f'<td class="players">{players:,}</td><td class="score">{best:,}</td></tr>'
        for n, (game, players, best) in enumerate(rows, first + 1))
    number = first // GAMES_A_PAGE + 1
    before = f'<a rel="prev" href="{PAGE_PATH}?page={number - 1}">まえへ</a>' if number > 1 else "<span></span>"
    after = f'<a rel="next" href="{PAGE_PATH}?page={number + 1}">つぎへ</a>' if more else "<span></span>"
    return (f'<section id="games"><table><tr><th></th><th>ゲーム</th><th class="players">にんずう</th>'
            f'<th class="score">トップスコア</th></tr>{lines}</table></section><nav>{before}{after}</nav>')


class Answer(Exception):
    """Ends a request early with this status and page."""

    def __init__(self, status, title, note, headers=()):
        super().__init__(note)
        self.status, self.title, self.note, self.headers = status, title, note, list(headers)


def client_address(environ, settings):
    """The registering player's address: the peer's, or the last one a trusted proxy put in front."""
    peer = environ.get("REMOTE_ADDR", "")
    forwarded = environ.get("HTTP_X_FORWARDED_FOR", "")
    if peer in settings.proxies and forwarded.strip():
        return forwarded.rsplit(",", 1)[-1].strip()
    return peer


def make_app(where, settings=None):
    """The application on the store named by where (a SQLite file or a postgresql:// address)."""
    settings = settings or Settings()
    store = ranking_store.open_store(where, settings.lock_wait)

    def registration(environ, query):
        with ranking_store.session(store, write=True) as run:
            # Every registration counts, refused or not: the limit is on what an address sends.
            hits = ranking_store.count_hit(run, client_address(environ, settings)) if settings.per_minute else 0
            bad = fields = None
            if hits <= settings.per_minute:
                try:
                    fields = ranking_packet.decode(query, settings.ceilings)
                except Refused as refusal:
                    bad = refusal
                else:
                    (stored, best, place), (players, rows) = ranking_store.keep_best(run, fields, TOP)
        if hits > settings.per_minute:
            raise Answer(429, "ちょっと まってね", f"more than {settings.per_minute} registrations a minute "
                         "from this address; try again in a minute", [("Retry-After", str(60 - int(time.time()) % 60))])
        if bad:
            raise Answer(400, "とうろくできませんでした", f"Bad registration: {bad}")
        news = f"{fields['score']:,}てん を とうろくしました！" if stored else f"じこベストは {best:,}てん のままです。"
        return 200, "ランキングとうろく", (f'<p class="note">{news} いま {place}位です。</p>\n'
                                      + top_section(fields["game_id"], players, rows, fields["user_id"])
                                      + f'\n<p class="note"><a href="{PAGE_PATH}">ランキングへ</a></p>')

    def overview(query):
        asked = urllib.parse.parse_qs(query)
        if "game" in asked:
            game = asked["game"][0]
            with ranking_store.session(store) as run:
                players, rows = ranking_store.top(run, game, TOP)
            if not rows:
                raise Answer(404, "みつかりません", f"このゲームの とうろくは まだありません: {game}")
            return 200, "ロビナ ランキング", top_section(game, players, rows) + \
                f'\n<p class="note"><a href="{PAGE_PATH}">ランキングへ</a></p>'
        number = asked.get("page", ["1"])[0]
        if not re.fullmatch(r"[1-9][0-9]{0,6}", number):
            raise Answer(400, "みつかりません", f"page must be a number from 1 to 9999999: {number}")
        first = (int(number) - 1) * GAMES_A_PAGE
        with ranking_store.session(store) as run:
            rows = ranking_store.games(run, first, GAMES_A_PAGE + 1)
        return 200, "ロビナ ランキング", games_section(rows[:GAMES_A_PAGE], first, len(rows) > GAMES_A_PAGE)

    def api(query):
        game = urllib.parse.parse_qs(query).get("game", [""])[0]
        if not game:
            return 400, {"error": "game= is missing"}
        with ranking_store.session(store) as run:
            players, rows = ranking_store.top(run, game, TOP)
        if not rows:
            return 404, {"error": "no registrations for this game", "game": game}
        return 200, {"game": game, "players": players, "top": [
            {"place": place, "player": f"{user:08X}", "score": score, "zumi": zumi}
            for place, (user, score, zumi) in zip(places(rows), rows)]}

    def answer(environ):
        """(status, content type, body, headers) of a request."""
        if environ["REQUEST_METHOD"] not in ("GET", "HEAD"):
            raise Answer(405, "とうろくできませんでした", "only GET is answered here", [("Allow", "GET, HEAD")])
        path, query = environ.get("PATH_INFO", "") or "/", environ.get("QUERY_STRING", "")
        if path == API_PATH:
            status, data = api(query)
            return status, "application/json", json.dumps(data, ensure_ascii=False), \
                [("Access-Control-Allow-Origin", "*")]
        if path == REGIST_PATH:
            status, title, body = registration(environ, query)
        elif path in (PAGE_PATH, PAGE_PATH.rstrip("/"), "/"):
            status, title, body = overview(query)
        else:
            raise Answer(404, "みつかりません", "ここには なにも ありません。")
        return status, "text/html", page(title, body), []

    def application(environ, start_response):
        try:
            status, kind, text, headers = answer(environ)
        except Answer as early:
            status, kind, headers = early.status, "text/html", early.headers
            text = page(early.title, f'<p class="note">{html.escape(early.note)}</p>'
                        f'<p class="note"><a href="{PAGE_PATH}">ランキングへ</a></p>')
        except store.errors as failure:
            log.error("ranking store %s unavailable: %s: %s", store.name, type(failure).__name__,
                      str(failure).strip())
            status, kind, headers = 503, "text/html", [("Retry-After", str(RETRY_SECONDS))]
            text = page("ただいま こんでいます", '<p class="note">The ranking is unavailable for a moment; '
                        "please try again later.</p>")
        except Exception:
            log.exception("ranking request %s failed", environ.get("PATH_INFO"))
            status, kind, headers = 500, "text/html", []
            text = page("エラー", '<p class="note">The ranking page failed; the maker has its log.</p>')
        data = text.encode("utf-8")
        start_response(STATUS[status], [("Content-Type", f"{kind}; charset=utf-8"), ("Content-Length", str(len(data))),
                                        ("Cache-Control", "no-store")] + headers)
        return [] if environ["REQUEST_METHOD"] == "HEAD" else [data]

    application.store = store
    return application


_app = None


def application(environ, start_response):
    """The application of the environment's RANKING_DB and RANKING_SETTINGS, made on the first request
    of each worker process."""
    global _app
    if _app is None:
        logging.basicConfig(level=logging.INFO, format="%(asctime)s %(name)s %(levelname)s %(message)s")
        _app = make_app(os.environ.get("RANKING_DB", "ranking.sqlite"),
                        read_settings(os.environ.get("RANKING_SETTINGS")))
    return _app(environ, start_response)
