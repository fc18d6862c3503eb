"""Where the ranking keeps its rows: a SQLite file (the default) or a PostgreSQL database.

Both are one plain Store record: how to connect, the tables to make on first use, and the errors that
mean the store cannot answer now. Everything else is the same SQL, run through session(), its parameters
named {like_this} and written in each driver's own style. Connections are kept for the next request:
PostgreSQL's in psycopg's pool, which replaces the ones the server dropped; SQLite's one per thread.

Tables: best (each player's best score per game), games (players per game, counted by a trigger
when a player's first row appears, so that the overall page never counts a million rows), hits
(registrations per address and minute, for the rate limit).
"""
import collections
import contextlib
import dataclasses
import datetime
import os
import sqlite3
import threading
import time
import urllib.parse

CONNECTIONS = 16            # PostgreSQL connections a process opens at most: more than its threads
PLACES = 1000               # a registration's place is counted up to here; below it, the page says so
POSTGRESQL = ("postgresql://", "postgres://")

SQLITE_TABLES = (
    """CREATE TABLE IF NOT EXISTS best (
        game_id TEXT NOT NULL, user_id INTEGER NOT NULL, score INTEGER NOT NULL, zumi INTEGER NOT NULL,
        version INTEGER NOT NULL, updated TEXT NOT NULL DEFAULT CURRENT_TIMESTAMP, PRIMARY KEY (game_id, user_id))""",
    "CREATE TABLE games (game_id TEXT PRIMARY KEY, players INTEGER NOT NULL)",
    # A file kept by an earlier version of the page has players already.
    "INSERT INTO games SELECT game_id, COUNT(*) FROM best GROUP BY game_id",
    """CREATE TABLE hits (minute INTEGER NOT NULL, address TEXT NOT NULL, count INTEGER NOT NULL,
        PRIMARY KEY (minute, address))""",
    "CREATE INDEX best_rank ON best (game_id, score DESC, updated, user_id)",
    "CREATE INDEX games_order ON games (players DESC, game_id)",
    """CREATE TRIGGER best_counts AFTER INSERT ON best BEGIN
        INSERT INTO games VALUES (new.game_id, 1) ON CONFLICT (game_id) DO UPDATE SET players = players + 1;
    END""")

# COLLATE "C": ids sort by their bytes whatever the server's locale, as on SQLite. The trigger runs
# once a statement, so a bulk copy counts each game once.
POSTGRESQL_TABLES = (
    """CREATE TABLE best (
        game_id TEXT COLLATE "C" NOT NULL, user_id BIGINT NOT NULL, score BIGINT NOT NULL, zumi INTEGER NOT NULL,
        version INTEGER NOT NULL, updated TIMESTAMPTZ NOT NULL DEFAULT now(), PRIMARY KEY (game_id, user_id))""",
    'CREATE TABLE games (game_id TEXT COLLATE "C" PRIMARY KEY, players BIGINT NOT NULL)',
    """CREATE TABLE hits (minute BIGINT NOT NULL, address TEXT NOT NULL, count INTEGER NOT NULL,
        PRIMARY KEY (minute, address))""",
    "CREATE INDEX best_rank ON best (game_id, score DESC, updated, user_id)",
    "CREATE INDEX games_order ON games (players DESC, game_id)",
    """CREATE FUNCTION best_counts() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN
        INSERT INTO games SELECT game_id, COUNT(*) FROM added GROUP BY game_id
            ON CONFLICT (game_id) DO UPDATE SET players = games.players + excluded.players;
        RETURN NULL;
    END $$""",
    """CREATE TRIGGER best_counts AFTER INSERT ON best REFERENCING NEW TABLE AS added
        FOR EACH STATEMENT EXECUTE FUNCTION best_counts()""")

TABLES = ("best", "games", "hits")
COLUMNS = ("game_id", "user_id", "score", "zumi", "version", "updated")     # of best, in its order

# A player's row changes only for a higher score; one statement, so two registrations at once can
# never put the lower one last.
KEEP_BEST = """INSERT INTO best (game_id, user_id, score, zumi, version) VALUES ({game_id}, {user_id}, {score}, {zumi}, {version})
    ON CONFLICT (game_id, user_id) DO UPDATE SET score = excluded.score, zumi = excluded.zumi,
    version = excluded.version, updated = CURRENT_TIMESTAMP WHERE excluded.score > best.score"""
COPY_BEST = """INSERT INTO best (game_id, user_id, score, zumi, version, updated) VALUES {rows}
    ON CONFLICT (game_id, user_id) DO UPDATE SET score = excluded.score, zumi = excluded.zumi,
    version = excluded.version, updated = excluded.updated WHERE excluded.score > best.score"""
# The players above one, counted no further than PLACES: in a game of a million players an exact
# count took 0.1-0.2 s, inside the SQLite writers' turn.
STANDING = """SELECT score, (SELECT COUNT(*) FROM (SELECT 1 FROM best AS other WHERE other.game_id = {game_id}
    AND other.score > (SELECT score FROM best AS mine WHERE game_id = {game_id} AND user_id = {user_id})
    LIMIT {places}) AS higher) FROM best WHERE game_id = {game_id} AND user_id = {user_id}"""
TOP = """SELECT players, user_id, score, zumi FROM games JOIN best ON best.game_id = games.game_id
    WHERE games.game_id = {game_id} ORDER BY score DESC, updated, user_id LIMIT {count}"""
# The page's games first, then their top scores: a top score looked up for every game the page skips
# would make page 150 slow.
GAMES = """SELECT game_id, players, (SELECT MAX(score) FROM best WHERE best.game_id = page.game_id)
    FROM (SELECT game_id, players FROM games ORDER BY players DESC, game_id LIMIT {count} OFFSET {first}) AS page
    ORDER BY players DESC, game_id"""
HIT = """INSERT INTO hits (minute, address, count) VALUES ({minute}, {address}, 1)
    ON CONFLICT (minute, address) DO UPDATE SET count = hits.count + 1 RETURNING count"""
FORGET_HITS = "DELETE FROM hits WHERE minute < {minute}"


class Unusable(Exception):
    """A store or a settings file the page cannot run on; its text says which and why."""


@dataclasses.dataclass
class Store:
    name: str               # what --check and the logs call it (no password)
    connect: object         # () -> a new DB-API connection, tables made
    take: object            # () -> a connection for one session, kept or new
    give: object            # (connection, failed) -> None: kept for the next session, or closed
    errors: tuple           # exceptions that mean the store cannot answer now
    mark: str               # a named parameter in the driver's style, for str.format
    begin: str = ""         # what starts a writing transaction, where the driver does not
    turns: object = None    # the writers' queue, where the store keeps none of its own
    renew: object = lambda db: None     # (failed connection) -> another, if the server had dropped it
    secrets: tuple = ()     # the passwords in the address, kept out of every text shown


@dataclasses.dataclass
class Turns:
    """A process's writers, given the store one at a time in the order they came. SQLite's own wait
    for its lock polls with growing sleeps: under fifty writers at once some waited out their time
    and were answered 503 while most went through in milliseconds."""
    seconds: float          # the longest a writer waits for its turn
    failure: type           # what waiting it out raises: the store's own "locked" error
    busy: bool = False
    waiting: collections.deque = dataclasses.field(default_factory=collections.deque)   # of Events
    guard: threading.Lock = dataclasses.field(default_factory=threading.Lock)


def wait_turn(turns):
    with turns.guard:
        if not turns.busy:
            turns.busy = True
            return
        mine = threading.Event()
        turns.waiting.append(mine)
    if mine.wait(turns.seconds):
        return
    with turns.guard:
        if mine.is_set():       # handed over just as the wait ran out
            return
        turns.waiting.remove(mine)
    raise turns.failure(f"database is locked: no turn to write within {turns.seconds:g} s")


def pass_turn(turns):
    with turns.guard:
        if turns.waiting:
            turns.waiting.popleft().set()
        else:
            turns.busy = False


def open_store(where, lock_wait=15.0, read_only=False):
    """The store named by --db: a postgresql:// address, or else a SQLite file (read_only: a file to
    copy from, which its reader may not write). Connects lazily, so a server starts while its
    database is still down and answers 503 until it is up."""
    if where.startswith(POSTGRESQL):
        return postgresql_store(where, lock_wait)
    if read_only:
        return sqlite_source(where)
    return sqlite_store(where, lock_wait)


def sqlite_source(path):
    """A SQLite file opened read-only. Without a -wal file beside it (the page that wrote it has
    stopped) it is read as unchanging, so that a reader who may not write its folder, where SQLite
    would make the -shm file, can read it."""
    whole = "" if os.path.exists(path + "-wal") else "&immutable=1"

    def connect():
        return sqlite3.connect(f"file:{urllib.parse.quote(path)}?mode=ro{whole}", uri=True, isolation_level=None,
                               check_same_thread=False)
    return sqlite_record(f"SQLite {path}", connect)


def sqlite_store(path, lock_wait):
    def connect():
        db = sqlite3.connect(path, timeout=lock_wait, isolation_level=None, check_same_thread=False)
        try:
            db.execute("PRAGMA journal_mode = WAL")     # readers go on while one writer writes
            db.execute("PRAGMA synchronous = NORMAL")
            if not made(db):    # a new connection takes the writer's lock only for a new file
                db.execute("BEGIN IMMEDIATE")
                if not made(db):
                    for statement in SQLITE_TABLES:
                        db.execute(statement)
                db.execute("COMMIT")
        except BaseException:
            db.close()
            raise
        return db

    def made(db):
        return db.execute("SELECT 1 FROM sqlite_master WHERE name = 'games'").fetchone()
    return sqlite_record(f"SQLite {path}", connect, "BEGIN IMMEDIATE", Turns(lock_wait, sqlite3.OperationalError))


def sqlite_record(name, connect, begin="", turns=None):
    """A SQLite store keeps a connection for each thread (a server's threads stay): opening one costs
    milliseconds, more than most requests. One that failed, or a second one a thread holds, is closed."""
    kept = threading.local()

    def take():
        db, kept.db = getattr(kept, "db", None), None
        return db or connect()

    def give(db, failed):
        if failed or getattr(kept, "db", None):
            db.close()
        else:
            kept.db = db
    return Store(name, connect, take, give, (sqlite3.Error,), ":{}", begin, turns)


def postgresql_store(address, lock_wait):
    import psycopg     # only a PostgreSQL store needs the driver
    import psycopg_pool
    settings = {"connect_timeout": max(1, round(lock_wait)),
                "options": f"-c lock_timeout={round(lock_wait * 1000)} -c TimeZone=UTC"}

    def connect():
        db = psycopg.connect(address, **settings)
        try:
            prepare(db)
        except BaseException:
            db.close()
            raise
        return db

    def prepare(db):
        encoding = db.info.parameter_status("server_encoding")
        if encoding != "UTF8":      # SQL_ASCII hands text back as bytes
            raise Unusable(f"{name}: the database's encoding is {encoding}, and the page needs UTF8: "
                           "make it with createdb -E UTF8 -T template0")
        if db.execute("SELECT to_regclass('games')").fetchone()[0] is None:
            # Workers starting together make them once: the second looks again after the first
            # committed, in a transaction of its own that sees the new tables.
            db.execute("SELECT pg_advisory_lock(7)")
            db.commit()
            try:
                if db.execute("SELECT to_regclass('games')").fetchone()[0] is None:
                    for statement in POSTGRESQL_TABLES:
                        db.execute(statement)
                db.commit()
            finally:
                db.rollback()
                db.execute("SELECT pg_advisory_unlock(7)")
        db.commit()

    def take():
        pool.open()     # on first use: after the start's own connection, which says why a store is unusable
        return pool.getconn()

    def renew(db):
        """After a restart of the server every kept connection is dead: the pool tests them all
        and replaces those that are."""
        if not db.broken:
            return None
        pool.putconn(db)
        pool.check()
        return pool.getconn()
    parts = urllib.parse.urlsplit(address)
    secrets = tuple(filter(None, [urllib.parse.unquote(parts.password or "")] +
                           urllib.parse.parse_qs(parts.query).get("password", [])))
    name = f"PostgreSQL {hide(address, secrets)}"
    # A request waits for a connection no longer than for a lock; the pool, given back a connection
    # the server dropped or one left inside a transaction, replaces it or rolls it back.
    pool = psycopg_pool.ConnectionPool(address, kwargs=settings, configure=prepare, min_size=1,
                                       max_size=CONNECTIONS, timeout=lock_wait, num_workers=1, open=False)
    return Store(name, connect, take, lambda db, failed: pool.putconn(db), (psycopg.Error,), "%({})s",
                 renew=renew, secrets=secrets)


def hide(text, secrets):
    """text without the passwords, whether written plain or %-escaped."""
    for secret in secrets:
        for form in (urllib.parse.quote(secret, safe=""), urllib.parse.quote_plus(secret), secret):
            text = text.replace(form, "***")
    return text


def cause(store, failure):
    """A failure's text on one line, without the store's passwords."""
    return f"{type(failure).__name__}: {hide(' '.join(str(failure).split()), store.secrets)}"


@contextlib.contextmanager
def session(store, write=False):
    """A connection inside one transaction, committed when the block ends well and rolled back
    otherwise, then given back to the store."""
    turns = store.turns if write else None
    if turns:
        wait_turn(turns)
    try:
        run = Runner(store, store.take())
        try:
            if write and store.begin:
                run(store.begin)
            yield run
            run.db.commit()
        except BaseException as failure:
            with contextlib.suppress(Exception):
                run.db.rollback()
            store.give(run.db, isinstance(failure, store.errors))
            raise
        store.give(run.db, False)
    finally:
        if turns:
            pass_turn(turns)


class Runner:
    """Runs the SQL of this module on one connection, its {named} parameters written in the driver's
    style; args is a dict of them. A kept connection that the server has dropped meanwhile (a restart
    on a quiet site) fails on its first statement: that statement is sent again once, on another."""

    def __init__(self, store, db):
        self.store, self.db, self.untried = store, db, True

    def __call__(self, sql, args=()):
        sql = sql.format_map({name: self.store.mark.format(name) for name in args})
        if not self.untried:
            return self.db.execute(sql, args)
        self.untried = False
        try:
            return self.db.execute(sql, args)
        except self.store.errors:
            other = self.store.renew(self.db)
            if not other:
                raise
        self.db = other
        return self.db.execute(sql, args)

    def together(self):
        """Sends the statements of the block without waiting for each answer, where the driver can."""
        if not hasattr(self.db, "pipeline"):
            return contextlib.nullcontext()
        if self.untried:    # a dropped connection shows itself here, where its statement can be sent again
            self("SELECT 1")
        return self.db.pipeline()


def count_hit(run, address):
    """Counts a registration from address in this minute; returns the minute's count so far."""
    minute = int(time.time() // 60)
    count, = run(HIT, {"minute": minute, "address": address}).fetchone()
    if count == 1:
        run(FORGET_HITS, {"minute": minute})
    return count


def keep_best(run, fields, count=10):
    """Keeps the score when it beats the player's best; returns (stored, best, place) and the game's
    top(); place is None below PLACES. The statements go to the server together: one wait instead of four."""
    with run.together():
        kept = run(KEEP_BEST, fields)
        standing = run(STANDING, dict(fields, places=PLACES))
        rows = run(TOP, dict(fields, count=count))
    best, higher = standing.fetchone()
    return (kept.rowcount, best, higher + 1 if higher < PLACES else None), top_of(rows.fetchall())


def top(run, game, count=10):
    """The game's players count and its best rows (user_id, score, zumi), best first; (0, []) for a
    game nobody registered."""
    return top_of(run(TOP, {"game_id": game, "count": count}).fetchall())


def top_of(rows):
    return (rows[0][0] if rows else 0), [row[1:] for row in rows]


def games(run, first, count):
    """(game_id, players, top score) of games first to first + count - 1 by number of players."""
    return run(GAMES, {"count": count, "first": first}).fetchall()


def row_counts(run):
    return {table: run(f"SELECT COUNT(*) FROM {table}").fetchone()[0] for table in TABLES}


def copy_best(source, target, batch=1000):
    """Copies every row of source's best into target's, keeping the higher score where both have a
    player; returns the rows read. Times are written as UTC text, which both stores read."""
    copied, after = 0, ("", -1)
    while True:
        with session(source) as run:
            rows = run("""SELECT game_id, user_id, score, zumi, version, updated FROM best
                WHERE game_id > {game_id} OR (game_id = {game_id} AND user_id > {user_id})
                ORDER BY game_id, user_id LIMIT {batch}""", {"game_id": after[0], "user_id": after[1], "batch": batch}).fetchall()
        if not rows:
            return copied
        rows = [row[:5] + (utc_text(row[5]),) for row in rows]
        with session(target, write=True) as run:     # one statement a batch: the trigger runs once
            values = {f"{column}{n}": value for n, row in enumerate(rows) for column, value in zip(COLUMNS, row)}
            run(COPY_BEST.format(rows=", ".join("(" + ", ".join(f"{{{column}{n}}}" for column in COLUMNS) + ")"
                                                for n in range(len(rows)))), values)
        copied += len(rows)
        after = rows[-1][:2]


def utc_text(moment):
    if isinstance(moment, str):
        return moment
    return moment.astimezone(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M:%S")
