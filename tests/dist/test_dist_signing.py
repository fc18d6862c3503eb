"""dist.py asked to sign with half of what signing needs: it refuses before writing any release file."""
import os
import pathlib
import subprocess
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tests" / "e2e"))
from conftest import BUILD  # noqa: E402
from test_dist import REPO  # noqa: E402


def test_a_certificate_without_its_key_or_a_key_without_its_certificate_is_refused(tmp_path):
    for given, missing in (("SIGN_CERT", "SIGN_KEY"), ("SIGN_KEY", "SIGN_CERT")):
        out = tmp_path / given
        env = {k: v for k, v in os.environ.items() if not k.startswith("SIGN_")}
        env[given] = str(tmp_path / "some.pem")
        result = subprocess.run([sys.executable, str(REPO / "tools" / "dist" / "dist.py"), f"--build={BUILD}",
                                 f"--out={out}", f"--stage={out}-stage"], env=env, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, text=True)
        assert result.returncode == 1 and f"{given} is set without {missing}" in result.stderr, result
        assert list(out.iterdir()) == []
