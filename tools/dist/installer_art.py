"""The picture on the installer's welcome and finish pages, drawn at build time from the same art as the
program's icon: the sky of the icon from top to bottom, the robin in its circle, and the meadow.
dist.py writes it into the staging folder; it is never kept in the repository."""
import pathlib
import sys

REPO = pathlib.Path(__file__).resolve().parents[2]
SIZE = (164, 314)       # the page's picture at 96 dpi; the page stretches it on a larger screen
SKY_TOP = (70, 150, 210)
SKY_BOTTOM = (140, 200, 240)
MEADOW = (110, 180, 90)
MEADOW_HEIGHT = 56
ICON_SIZE = 132
ICON_TOP = 72


def blend(top, bottom, share):
    return tuple(round(a + (b - a) * share) for a, b in zip(top, bottom))


def wizard_picture():
    """The page's picture as an RGB image of SIZE."""
    sys.path.insert(0, str(REPO / "tools" / "artgen"))
    import art_shell
    from PIL import Image, ImageDraw
    width, height = SIZE
    picture = Image.new("RGB", SIZE)
    draw = ImageDraw.Draw(picture)
    sky = height - MEADOW_HEIGHT
    for y in range(sky):
        draw.line([(0, y), (width - 1, y)], fill=blend(SKY_TOP, SKY_BOTTOM, y / (sky - 1)))
    draw.rectangle([0, sky, width - 1, height - 1], fill=MEADOW)
    icon = art_shell.program_icon().resize((ICON_SIZE, ICON_SIZE), Image.LANCZOS)
    picture.paste(icon, ((width - ICON_SIZE) // 2, ICON_TOP), icon)
    return picture


def write_wizard_picture(path):
    """A 24-bit BMP, the one kind the page loads everywhere."""
    wizard_picture().save(path, format="BMP")
