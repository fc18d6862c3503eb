"""The ranking page of ポモのロビナ as a WSGI application.

    /robina/ranking/regist.asp?user=<84 digits>   registers a top score (see ranking_packet.py)
    /robina/ranking/                              the games by number of players, 50 a page (?page=N)
    /robina/ranking/?game=ID                      one game's top ten; ID as the pages show it
    /robina/ranking/api/top?game=ID               the same top ten as JSON, for other sites

ranking_server.py serves it with waitress. Under gunicorn ('ranking_app:create_app()'), always behind
nginx (its workers wait on a slow client), the store and the settings file come from the environment:
RANKING_DB (a SQLite file or a postgresql:// address, default ranking.sqlite) and RANKING_SETTINGS
(optional); see robina-ranking.service.
"""
import configparser
import dataclasses
import html
import http
import ipaddress
import json
import logging
import math
import os
import re
import threading
import time
import urllib.parse

import ranking_packet
import ranking_store
from ranking_packet import Refused
from ranking_store import Unusable

REGIST_PATH = "/robina/ranking/regist.asp"
PAGE_PATH = "/robina/ranking/"
API_PATH = "/robina/ranking/api/top"
API_FOLDER = "/robina/ranking/api/"     # whatever is answered here is JSON, errors too
TOP = 10
GAMES_A_PAGE = 50
RETRY_SECONDS = 30          # what a 503 asks the browser to wait
OUTAGE_REPORT_SECONDS = 60  # while the store stays down, a line this often with the count of 503s
SAFETY = [("X-Content-Type-Options", "nosniff"), ("X-Frame-Options", "DENY"),
          ("Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'; frame-ancestors 'none'")]
CONTROL = re.compile(r"[\x00-\x1f\x7f]")

log = logging.getLogger("ranking")


@dataclasses.dataclass
class Settings:
    ceilings: dict = dataclasses.field(default_factory=lambda: {"": ranking_packet.DEFAULT_CEILING})
    per_minute: int = 30            # registrations a minute from one address; 0: no limit
    lock_wait: float = 15.0         # seconds a request waits for a locked store before its 503
    proxies: frozenset = frozenset({"127.0.0.1", "::1"})   # whose X-Forwarded-For names the client


def count(value):
    number = int(value)
    if number < 0:
        raise ValueError(f"{value} is below 0")
    return number


def seconds(value):
    number = float(value)
    if not 0 < number < math.inf:
        raise ValueError(f"{value} is not a number of seconds above 0")
    return number


def addresses(value):
    return frozenset(str(ipaddress.ip_address(address)) for address in value.split())


# [ranking] key: (Settings field, reader of the value)
KEYS = {"score_ceiling": (None, count), "registrations_per_minute": ("per_minute", count),
        "lock_wait_seconds": ("lock_wait", seconds), "trusted_proxies": ("proxies", addresses)}


def read_settings(path):
    """The settings file (see ranking.ini.example); None or "" gives the defaults. A file that
    cannot be read, or a line that would not apply as written, raises Unusable naming the line."""
    settings = Settings()
    if not path:
        return settings
    try:
        with open(path, encoding="utf-8-sig") as file:     # Notepad starts a UTF-8 file with a BOM
            text = file.read()
        parser = configparser.ConfigParser(interpolation=None, default_section="\0")
        parser.optionxform = str        # game ids keep their case
        parser.read_string(text, source=path)
    except (OSError, UnicodeError, configparser.Error) as failure:
        raise Unusable(f"settings {path}: {' '.join(str(failure).split())}") from None
    for section in parser.sections():
        for key, value in parser[section].items():
            try:
                take(settings, section, key, value)
            except ValueError as failure:
                raise Unusable(f"settings {path} line {line_of(text, section, key)}: [{section}] {key}: "
                               f"{failure}") from None
    return settings


def take(settings, section, key, value):
    if section == "ceilings":
        if not ranking_packet.carried(key):
            raise ValueError("no registration carries this game id: an id is at most 4 bytes of Shift-JIS "
                             "text, as the pages show it")
        settings.ceilings[key] = count(value)
    elif section == "ranking" and key in KEYS:
        field, reader = KEYS[key]
        if field:
            setattr(settings, field, reader(value))
        else:
            settings.ceilings[""] = reader(value)
    else:
        raise ValueError("unknown setting")


def line_of(text, section, key):
    """The number of the line that sets key in section."""
    inside = False
    for number, line in enumerate(text.splitlines(), 1):
        head = re.fullmatch(r"\s*\[(.*)\]\s*", line)
        if head:
            inside = head[1] == section
        elif inside and re.match(rf"\s*{re.escape(key)}\s*[=:]", line):
            return number
    return 0


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


def shown(text):
    """Text for the page: escaped, and a control character written \\xHH, as a cut character is."""
    return html.escape(CONTROL.sub(lambda char: f"\\x{ord(char[0]):02X}", text))


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
    return (f'<section id="top"><h2>{shown(game)}</h2><p>{players:,}にんが とうろく</p><table>'
            f'<tr><th>順位</th><th>プレイヤー</th><th class="score">スコア</th><th class="zumi">ズミ</th></tr>'
            f"{lines}</table></section>")


def games_section(rows, first, more):
    if not rows:
        return '<p class="none">まだ だれも とうろくしていません。</p>'
    lines = "".join(
        f'<tr><td>{n}</td><td><a href="{html.escape(game_link(game))}">{shown(game)}</a></td>'
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
        self.status, self.title, self.note, self.headers = status, title, note, list(headers)


def client_address(environ, settings):
    """Whom the rate limit counts: the peer's address, or the last one a trusted proxy put in front;
    an IPv6 client by its /64, which one machine is given whole."""
    peer = environ.get("REMOTE_ADDR", "")
    forwarded = environ.get("HTTP_X_FORWARDED_FOR", "")
    address = forwarded.rsplit(",", 1)[-1].strip() if peer in settings.proxies and forwarded.strip() else peer
    try:
        parsed = ipaddress.ip_address(address)
    except ValueError:
        return address
    if parsed.version == 4:
        return str(parsed)
    return str(parsed.ipv4_mapped or ipaddress.ip_network((parsed, 64), strict=False))


@dataclasses.dataclass
class Outage:
    """A store that stopped answering: logged once when it goes, then a count every
    OUTAGE_REPORT_SECONDS while it stays down, and once when it is back."""
    since: float = None         # time.monotonic() of the first failure; None while the store answers
    answered: int = 0           # requests answered 503 since
    told: float = 0.0           # when the last line was written
    guard: threading.Lock = dataclasses.field(default_factory=threading.Lock)


def store_failed(outage, store, failure, answered=1):
    with outage.guard:
        now = time.monotonic()
        outage.answered += answered
        if outage.since is None:
            outage.since = outage.told = now
            log.error("ranking store %s unavailable: %s", store.name, ranking_store.cause(store, failure))
        elif now - outage.told >= OUTAGE_REPORT_SECONDS:
            outage.told = now
            log.error("ranking store %s still unavailable after %.0f s: %d requests answered 503; last %s",
                      store.name, now - outage.since, outage.answered, ranking_store.cause(store, failure))


def store_answered(outage, store):
    if outage.since is None:
        return
    with outage.guard:
        if outage.since is not None:
            log.warning("ranking store %s back after %.1f s: %d requests answered 503", store.name,
                        time.monotonic() - outage.since, outage.answered)
            outage.since, outage.answered = None, 0


def make_app(where, settings=None):
    """The application on the store named by where (a SQLite file or a postgresql:// address). A store
    it cannot run on raises Unusable; one that does not answer yet is tried again on each request."""
    settings = settings or Settings()
    store = ranking_store.open_store(where, settings.lock_wait)
    outage = Outage()
    try:
        store.connect().close()     # makes the tables and checks the encoding: the pool would only retry
    except store.errors as failure:
        store_failed(outage, store, failure, answered=0)

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
        standing = f"{place}位" if place else f"{ranking_store.PLACES}位より下"
        return 200, "ランキングとうろく", (f'<p class="note">{news} いま {standing}です。</p>\n'
                                      + top_section(fields["game_id"], players, rows, fields["user_id"])
                                      + f'\n<p class="note"><a href="{PAGE_PATH}">ランキングへ</a></p>')

    def overview(query):
        asked = urllib.parse.parse_qs(query)
        if "game" in asked:
            game = asked["game"][0]
            players, rows = top(game)
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
        if not rows and first:
            raise Answer(404, "みつかりません", f"page {number} is past the last game; the first page is linked below")
        return 200, "ロビナ ランキング", games_section(rows[:GAMES_A_PAGE], first, len(rows) > GAMES_A_PAGE)

    def top(game):
        if "\0" in game:       # no id holds one, and PostgreSQL takes no text with one
            return 0, []
        with ranking_store.session(store) as run:
            return ranking_store.top(run, game, TOP)

    def api(query):
        game = urllib.parse.parse_qs(query).get("game", [""])[0]
        if not game:
            return 400, {"error": "game= is missing"}
        players, rows = top(game)
        if not rows:
            return 404, {"error": "no registrations for this game", "game": game}
        return 200, {"game": game, "players": players, "top": [
            {"place": place, "player": f"{user:08X}", "score": score, "zumi": zumi}
            for place, (user, score, zumi) in zip(places(rows), rows)]}

    def answer(environ):
        """(status, content type, body, headers) of a request."""
        path, query = environ.get("PATH_INFO", "") or "/", environ.get("QUERY_STRING", "")
        method = environ["REQUEST_METHOD"]
        if method != "GET" and (method != "HEAD" or path == REGIST_PATH):   # a HEAD must not register
            raise Answer(405, "とうろくできませんでした", "only GET is answered here",
                         [("Allow", "GET" if path == REGIST_PATH else "GET, HEAD")])
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

    def failed(environ, title, note):
        """(content type, body) of an answer that gives no ranking: JSON under API_FOLDER."""
        if environ.get("PATH_INFO", "").startswith(API_FOLDER):
            return "application/json", json.dumps({"error": note}, ensure_ascii=False)
        return "text/html", page(title, f'<p class="note">{shown(note)}</p>'
                                        f'<p class="note"><a href="{PAGE_PATH}">ランキングへ</a></p>')

    def application(environ, start_response):
        try:
            status, kind, text, headers = answer(environ)
            store_answered(outage, store)
        except Answer as early:
            status, headers = early.status, early.headers
            kind, text = failed(environ, early.title, early.note)
        except store.errors as failure:
            store_failed(outage, store, failure)
            status, headers = 503, [("Retry-After", str(RETRY_SECONDS))]
            kind, text = failed(environ, "ただいま こんでいます",
                                "The ranking is unavailable for a moment; please try again later.")
        except Exception:
            log.exception("ranking request %s failed", environ.get("PATH_INFO"))
            status, headers = 500, []
            kind, text = failed(environ, "エラー", "The ranking page failed; the maker has its log.")
        data = text.encode("utf-8")
        start_response(f"{status} {http.HTTPStatus(status).phrase}", [("Content-Type", f"{kind}; charset=utf-8"), ("Content-Length", str(len(data))),
                                        ("Cache-Control", "no-store")] + SAFETY + headers)
        return [] if environ["REQUEST_METHOD"] == "HEAD" else [data]

    application.store = store
    return application


def log_to_stderr():
    """The page's lines from INFO up; psycopg keeps its own, the pool's too, to warnings."""
    logging.basicConfig(level=logging.INFO, format="%(asctime)s %(name)s %(levelname)s %(message)s")


def create_app():
    """The application for gunicorn ('ranking_app:create_app()'), made in each worker as it starts, on
    the environment's RANKING_DB and RANKING_SETTINGS. A settings file or a store the page cannot run
    on stops gunicorn at its start, with the file and the line, instead of failing every request."""
    log_to_stderr()
    try:
        return make_app(os.environ.get("RANKING_DB", "ranking.sqlite"), read_settings(os.environ.get("RANKING_SETTINGS")))
    except Unusable as failure:
        log.critical("%s", failure)
        raise SystemExit(3) from None   # gunicorn's "worker failed to boot": it stops instead of starting another
