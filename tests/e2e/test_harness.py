"""The harness itself: a program runs from its own folder, logs there only with the marker file,
and registry values are read and written with their exact bytes."""
from conftest import Program, reg_get, reg_set


def test_program_logs_in_its_own_folder_only_with_the_marker(robina, tmp_path):
    robina.start()
    robina.wait_log(" start")
    assert "ポモのロビナ" in robina.log()
    robina.stop()

    silent = Program(tmp_path / "silent", tmp_path / "silent.raw")
    (silent.folder / "debughqx.bin").unlink()
    silent.start()
    silent.window()  # the program logs its start before it makes its window
    silent.stop()
    assert not (silent.folder / "debug.log").exists()


def test_registry_values_round_trip_with_their_exact_bytes(clean_profile):
    reg_set("Probe", b"ab\x00")
    assert reg_get("Probe") == b"ab\x00"
    assert reg_get("Missing") is None
