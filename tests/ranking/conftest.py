"""The ranking page's own tests: the same scenarios on a SQLite file and on a real PostgreSQL server that
the session starts in a temporary folder and stops at its end."""
import itertools

import pytest

from ranking_support import connect, pg_database, serve, start_postgres, stop, stop_postgres

_names = itertools.count()


@pytest.fixture(scope="session")
def postgres():
    server = start_postgres()
    yield server
    stop_postgres(server)


@pytest.fixture(params=["sqlite", "postgresql"])
def store(request, tmp_path):
    """The address of an empty store of each kind."""
    if request.param == "sqlite":
        return str(tmp_path / "ranking.sqlite")
    return pg_database(request.getfixturevalue("postgres"), f"t{next(_names)}")


@pytest.fixture
def page(tmp_path):
    """Starts the page: page(store, settings=None, workers=0, options=()) -> (base address, log file);
    stopped at the test's end."""
    started = []

    def start(where, settings=None, workers=0, options=()):
        process, base, log = serve(where, tmp_path / f"server{len(started)}", settings, workers, options)
        started.append(process)
        return base, log
    yield start
    for process in started:
        stop(process)


def rows(where, sql):
    with connect(where) as db:
        return db.execute(sql).fetchall()
